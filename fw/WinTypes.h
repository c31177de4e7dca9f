// The few Windows types the byte formats use. On Windows they come from the system headers; the
// native build of the format readers (the fuzzing harness) gets the same layouts from here.
#pragma once

#ifdef _WIN32
#include <windows.h>
#else
#include <cstdint>

using BOOL = int;
using UINT = unsigned int;
using BYTE = uint8_t;
using WORD = uint16_t;
using DWORD = uint32_t;

#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif
#define MAX_PATH 260
#define INVALID_FILE_ATTRIBUTES (static_cast<DWORD>(-1))

struct FILETIME {
    DWORD dwLowDateTime;
    DWORD dwHighDateTime;
};

struct GUID {
    uint32_t Data1;
    uint16_t Data2;
    uint16_t Data3;
    uint8_t Data4[8];
};
#endif
