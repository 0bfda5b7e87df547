// The one way product code reaches Win32. On Windows these are the real
// functions; elsewhere the same names and types come from the stand-in, which
// answers from an in-memory machine. The choice is made at link time.
#pragma once

#if defined(_WIN32)
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// windows.h must come first: these headers rely on its types.
#include <setupapi.h>
#include <winioctl.h>
#else
#include "platform/standin/win32_api.h"
#endif
