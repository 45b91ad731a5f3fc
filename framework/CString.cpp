#include "framework/CString.h"

#include <algorithm>
#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

// Clamp an index/count pair into the string, as Left/Mid/Right take them.
size_t ClampIndex(int index, size_t size)
{
    if (index < 0)
        return 0;
    return std::min(static_cast<size_t>(index), size);
}

} // namespace

CString::CString(LPCSTR text) : m_text(text ? text : "") {}

CString::CString(LPCSTR text, int length)
{
    if (text && length > 0)
        m_text.assign(text, static_cast<size_t>(length));
}

CString::CString(char ch, int repeat)
{
    if (repeat > 0)
        m_text.assign(static_cast<size_t>(repeat), ch);
}

CString& CString::operator=(LPCSTR text)
{
    m_text = text ? text : "";
    return *this;
}

CString& CString::operator+=(const CString& other)
{
    m_text += other.m_text;
    return *this;
}

CString& CString::operator+=(LPCSTR text)
{
    if (text)
        m_text += text;
    return *this;
}

CString& CString::operator+=(char ch)
{
    m_text += ch;
    return *this;
}

CString operator+(const CString& a, const CString& b)
{
    CString result(a);
    result += b;
    return result;
}

CString operator+(const CString& a, LPCSTR b)
{
    CString result(a);
    result += b;
    return result;
}

CString operator+(LPCSTR a, const CString& b)
{
    CString result(a);
    result += b;
    return result;
}

bool CString::operator==(LPCSTR other) const
{
    return m_text == (other ? other : "");
}

int CString::Compare(LPCSTR other) const
{
    return std::strcmp(m_text.c_str(), other ? other : "");
}

int CString::CompareNoCase(LPCSTR other) const
{
    const unsigned char* a = reinterpret_cast<const unsigned char*>(m_text.c_str());
    const unsigned char* b = reinterpret_cast<const unsigned char*>(other ? other : "");
    for (;; ++a, ++b) {
        const int ca = std::tolower(*a);
        const int cb = std::tolower(*b);
        if (ca != cb || ca == 0)
            return ca - cb;
    }
}

void CString::Format(LPCSTR format, ...)
{
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int needed = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    if (needed < 0) {
        va_end(again);
        m_text.clear();
        return;
    }
    std::string text(static_cast<size_t>(needed) + 1, '\0');
    std::vsnprintf(text.data(), text.size(), format, again);
    va_end(again);
    text.resize(static_cast<size_t>(needed));
    m_text = std::move(text);
}

CString CString::Left(int count) const
{
    return CString(m_text.substr(0, ClampIndex(count, m_text.size())).c_str());
}

CString CString::Right(int count) const
{
    const size_t n = ClampIndex(count, m_text.size());
    return CString(m_text.substr(m_text.size() - n).c_str());
}

CString CString::Mid(int first) const
{
    return CString(m_text.substr(ClampIndex(first, m_text.size())).c_str());
}

CString CString::Mid(int first, int count) const
{
    const size_t start = ClampIndex(first, m_text.size());
    const size_t n = ClampIndex(count, m_text.size() - start);
    return CString(m_text.substr(start, n).c_str());
}

int CString::Find(char ch, int start) const
{
    if (start < 0 || static_cast<size_t>(start) >= m_text.size())
        return -1;
    const size_t at = m_text.find(ch, static_cast<size_t>(start));
    return at == std::string::npos ? -1 : static_cast<int>(at);
}

int CString::Find(LPCSTR sub, int start) const
{
    if (!sub || start < 0 || static_cast<size_t>(start) > m_text.size())
        return -1;
    const size_t at = m_text.find(sub, static_cast<size_t>(start));
    return at == std::string::npos ? -1 : static_cast<int>(at);
}

int CString::Replace(char oldCh, char newCh)
{
    int count = 0;
    for (char& c : m_text) {
        if (c == oldCh) {
            c = newCh;
            ++count;
        }
    }
    return count;
}

int CString::Replace(LPCSTR oldText, LPCSTR newText)
{
    if (!oldText || !*oldText)
        return 0;
    const std::string from(oldText);
    const std::string to(newText ? newText : "");
    int count = 0;
    for (size_t at = m_text.find(from); at != std::string::npos; at = m_text.find(from, at)) {
        m_text.replace(at, from.size(), to);
        at += to.size();
        ++count;
    }
    return count;
}

int CString::Delete(int index, int count)
{
    const size_t start = ClampIndex(index, m_text.size());
    const size_t n = ClampIndex(count, m_text.size() - start);
    m_text.erase(start, n);
    return GetLength();
}

int CString::Insert(int index, LPCSTR text)
{
    m_text.insert(ClampIndex(index, m_text.size()), text ? text : "");
    return GetLength();
}

CString& CString::MakeUpper()
{
    for (char& c : m_text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return *this;
}

CString& CString::MakeLower()
{
    for (char& c : m_text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return *this;
}

LPSTR CString::GetBuffer(int minLength)
{
    if (minLength > GetLength())
        m_text.resize(static_cast<size_t>(minLength));
    return m_text.data();
}

void CString::ReleaseBuffer(int newLength)
{
    if (newLength < 0)
        newLength = static_cast<int>(std::strlen(m_text.c_str()));
    m_text.resize(ClampIndex(newLength, m_text.size()));
}
