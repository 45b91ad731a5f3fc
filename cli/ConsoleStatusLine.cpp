#include "cli/ConsoleStatusLine.h"

#include "winapi.h"

#include <cstdio>
#include <string>

namespace {

constexpr auto kRedrawInterval = std::chrono::milliseconds(40);

bool IsUtf8Continuation(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// Characters (not bytes) of UTF-8 text.
int CountCharacters(const std::string& text)
{
    int count = 0;
    for (char c : text)
        count += IsUtf8Continuation(c) ? 0 : 1;
    return count;
}

// The last `keep` characters of `text`, cut at a character boundary.
std::string Tail(const std::string& text, int keep)
{
    size_t at = text.size();
    for (int kept = 0; at > 0 && kept < keep;) {
        --at;
        if (!IsUtf8Continuation(text[at]))
            ++kept;
    }
    return text.substr(at);
}

} // namespace

CConsoleStatusLine::CConsoleStatusLine()
{
    DWORD mode = 0;
    m_active = GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != FALSE;
}

int CConsoleStatusLine::TerminalWidth() const
{
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (GetConsoleScreenBufferInfo(GetStdHandle(STD_ERROR_HANDLE), &info)) {
        const int width = info.srWindow.Right - info.srWindow.Left + 1;
        if (width > 10)
            return width;
    }
    return 80;
}

void CConsoleStatusLine::Show(LPCSTR path)
{
    if (!m_active)
        return;
    m_text = CString("Checking Directory: ") + path;
    const auto now = std::chrono::steady_clock::now();
    if (now - m_lastDraw >= kRedrawInterval)
        Draw();
}

void CConsoleStatusLine::Draw()
{
    // One column short of the width, so the terminal never wraps onto a new line.
    const int room = TerminalWidth() - 1;
    std::string text = m_text.str();
    const int length = CountCharacters(text);
    if (length > room)
        text = "..." + Tail(text, room - 3);
    const int padding = room - CountCharacters(text);
    std::fprintf(stderr, "\r%s%*s", text.c_str(), padding > 0 ? padding : 0, "");
    std::fflush(stderr);
    m_drawn = true;
    m_lastDraw = std::chrono::steady_clock::now();
}

void CConsoleStatusLine::Clear()
{
    if (!m_active || !m_drawn)
        return;
    std::fprintf(stderr, "\r%*s\r", TerminalWidth() - 1, "");
    std::fflush(stderr);
    m_drawn = false;
}

void CConsoleStatusLine::Restore()
{
    if (m_active && !m_text.IsEmpty())
        Draw();
}
