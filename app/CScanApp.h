// The application object: shows the scan dialog and ends when it closes.
#pragma once

#include "framework/CWinApp.h"

class CScanApp : public CWinApp {
public:
    BOOL InitInstance() override;
};
