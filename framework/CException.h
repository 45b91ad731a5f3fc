// CException: the root of the framework's exceptions. They are thrown by value and caught by
// reference (catch (CFileException& e)); nothing is allocated, so there is nothing to delete.
#pragma once

#include "winapi.h"

class CException {
public:
    virtual ~CException() = default;

    // The reason in words, cut to fit `maxError` bytes including the terminator. FALSE when
    // there is nothing to say.
    virtual BOOL GetErrorMessage(LPSTR error, UINT maxError, UINT* helpContext = nullptr) const;
};
