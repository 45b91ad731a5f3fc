#include "framework/CException.h"

BOOL CException::GetErrorMessage(LPSTR error, UINT maxError, UINT* helpContext) const
{
    if (helpContext)
        *helpContext = 0;
    if (error && maxError > 0)
        error[0] = '\0';
    return FALSE;
}
