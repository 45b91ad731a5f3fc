// CString: the framework's narrow string, a value type over std::string. Text is in the
// system's ANSI code page (UTF-8 on Linux). Indexes and lengths are in bytes.
#pragma once

#include "winapi.h"

#include <string>

class CString {
public:
    CString() = default;
    CString(LPCSTR text);
    CString(LPCSTR text, int length);
    CString(char ch, int repeat = 1);

    int GetLength() const { return static_cast<int>(m_text.size()); }
    bool IsEmpty() const { return m_text.empty(); }
    void Empty() { m_text.clear(); }

    operator LPCSTR() const { return m_text.c_str(); }
    LPCSTR GetString() const { return m_text.c_str(); }
    char GetAt(int index) const { return m_text.at(static_cast<size_t>(index)); }
    char operator[](int index) const { return GetAt(index); }
    void SetAt(int index, char ch) { m_text.at(static_cast<size_t>(index)) = ch; }

    CString& operator=(LPCSTR text);
    CString& operator+=(const CString& other);
    CString& operator+=(LPCSTR text);
    CString& operator+=(char ch);
    friend CString operator+(const CString& a, const CString& b);
    friend CString operator+(const CString& a, LPCSTR b);
    friend CString operator+(LPCSTR a, const CString& b);

    bool operator==(const CString& other) const { return m_text == other.m_text; }
    bool operator==(LPCSTR other) const;
    int Compare(LPCSTR other) const;
    int CompareNoCase(LPCSTR other) const;

    // printf-style; the previous contents are replaced.
    void Format(LPCSTR format, ...) __attribute__((format(printf, 2, 3)));

    CString Left(int count) const;
    CString Right(int count) const;
    CString Mid(int first) const;
    CString Mid(int first, int count) const;
    // -1 when absent.
    int Find(char ch, int start = 0) const;
    int Find(LPCSTR sub, int start = 0) const;
    // Number of replacements made.
    int Replace(char oldCh, char newCh);
    int Replace(LPCSTR oldText, LPCSTR newText);
    // Removes up to `count` bytes from `index`; returns the new length.
    int Delete(int index, int count = 1);
    int Insert(int index, LPCSTR text);
    CString& MakeUpper();
    CString& MakeLower();

    // Room for `minLength` bytes plus a terminator; ReleaseBuffer(-1) takes the length from the
    // terminator written into it.
    LPSTR GetBuffer(int minLength);
    void ReleaseBuffer(int newLength = -1);

    const std::string& str() const { return m_text; }

private:
    std::string m_text;
};
