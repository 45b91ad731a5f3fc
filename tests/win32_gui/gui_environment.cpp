// The dialog's tests on Windows show real windows: under Wine they need a display, which
// scripts/test-windows.sh gives them (an Xvfb of its own, through DISPLAY).
#include "app/CScanApp.h"
#include "gui_support.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

class DisplayCheck : public ::testing::Environment {
public:
    void SetUp() override
    {
        if (!vlm::test::HasDisplay())
            std::fprintf(stderr, "win32_gui_tests: DISPLAY is not set; under Wine the dialog cannot show "
                                 "(scripts/test-windows.sh runs these tests on an Xvfb display)\n");
    }
};

const auto* const g_displayCheck = ::testing::AddGlobalTestEnvironment(new DisplayCheck);

} // namespace

// The program's application object, as the dialog finds it (its name is the boxes' caption).
CScanApp theApp;
