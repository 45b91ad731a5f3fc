// The directory being checked, on one line of the terminal that is rewritten in place. Nothing
// is written when standard error is not a terminal.
#pragma once

#include "framework/CString.h"

#include <chrono>

class CConsoleStatusLine {
public:
    CConsoleStatusLine();

    bool IsActive() const { return m_active; }
    // Shows "Checking Directory: <path>"; redraws at most every few dozen milliseconds.
    void Show(LPCSTR path);
    // Blanks the line so that other output can take its place, then Restore() draws it again.
    void Clear();
    void Restore();

private:
    void Draw();
    int TerminalWidth() const;

    bool m_active = false;
    bool m_drawn = false;
    CString m_text;
    std::chrono::steady_clock::time_point m_lastDraw{};
};
