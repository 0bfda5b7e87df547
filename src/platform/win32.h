// The one way product code reaches Win32. On Windows these are the real
// functions; elsewhere win32_api.h declares the same names and types, and the
// stand-in (standin/) defines them. The choice is made at link time.
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
#include "platform/win32_api.h"
#endif
