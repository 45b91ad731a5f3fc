// CUserException: a failure the user has already been told about (a data exchange that did not
// validate); the framework stops what it was doing and says nothing more.
#pragma once

#include "framework/CException.h"

class CUserException : public CException {};
