// The run flag is only ever tested, never waited on.
#pragma once

#include "winapi.h"

// Anything but "signalled" stops the scan, so a broken handle cannot make it unstoppable.
inline bool IsRunFlagSet(HANDLE hRunEvent)
{
    return WaitForSingleObject(hRunEvent, 0) == WAIT_OBJECT_0;
}
