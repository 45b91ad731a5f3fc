#include "framework/CButton.h"

IMPLEMENT_DYNAMIC(CButton, CWnd)
