// kypcx convert: a picture from any format Windows' imaging component reads
// (and PCX or DCX, through KyPCX.dll) into the format the output's name
// ends in, page by page.
#pragma once

#include <windows.h>

// What the user asked: every page, or one.
constexpr long kAllPages = -1;

// Converts `in` to `out` with the library loaded as `library`; `page` (from
// 0) or kAllPages. 0 on success; 1 with a message on standard error.
int ConvertPicture(HMODULE library, const wchar_t* in, const wchar_t* out, long page);
