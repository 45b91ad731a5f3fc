// A file handle closed on scope exit, so a failed assertion leaks nothing (and keeps no test
// volume busy).
#pragma once

#include "winapi.h"

namespace vlm::test {

struct Handle {
    HANDLE value;
    explicit Handle(HANDLE h) : value(h) {}
    ~Handle()
    {
        if (value != INVALID_HANDLE_VALUE)
            CloseHandle(value);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    bool Valid() const { return value != INVALID_HANDLE_VALUE; }
};

} // namespace vlm::test
