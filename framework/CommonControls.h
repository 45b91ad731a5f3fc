// The declarations of the common controls (extended combo box, image lists, mapped bitmaps)
// and of the rich edit control. On Linux they are part of winapi.h; on Windows they come from
// SDK headers that windows.h leaves out.
#pragma once

#include "winapi.h"

#if defined(_WIN32)
#include <commctrl.h>
#include <richedit.h>
#endif
