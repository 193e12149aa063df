// STAND-IN until the shared directory routines land: the file and directory
// access the writing operations use.
#pragma once

#include <windows.h>

#include <cstdint>

#include "KyPcxTypes.h"

HANDLE OpenDcxForWriting(LPCWSTR path);
HANDLE OpenDcxSource(LPCWSTR path);
#include "kypcx/dcx_directory.h"
PcxErrorCode ReadDcxDirectoryBlock(HANDLE file, kypcx::DcxDirectory* directory);
PcxErrorCode ReadDcxDirectoryForWriting(HANDLE file, DWORD length, kypcx::DcxDirectory* directory);
DWORD FindEmptyDcxEntry(HANDLE file, PcxErrorCode* code);
BOOL WriteDcxEntry(HANDLE file, DWORD n, DWORD value, PcxErrorCode* code);
BOOL CopyFileRange(HANDLE source, HANDLE destination, DWORD offset, DWORD count, PcxErrorCode* code);
ULONGLONG GetFreeDiskSpace(LPCWSTR folder);
BOOL WriteFileExactly(HANDLE file, const void* bytes, DWORD count);

template <typename Result, typename... Args>
Result CallWithWidePaths(Result(WINAPI* wideForm)(LPCWSTR, LPCWSTR, Args...), LPCSTR first, LPCSTR second,
                         Args... args);
#include "frame/AnsiEntry.h"
template <typename Result, typename... Args>
Result CallWithWidePaths(Result(WINAPI* wideForm)(LPCWSTR, LPCWSTR, Args...), LPCSTR first, LPCSTR second,
                         Args... args) {
    WidePath a(first != nullptr ? first : "");
    WidePath b(second != nullptr ? second : "");
    return wideForm(first ? a.get() : nullptr, second ? b.get() : nullptr, args...);
}
