/* Stands in for the Windows SDK's windows.h when the test compiles a client
   for the MSVC ABI with clang: the SDK is not free to install here, and
   MinGW's headers do not build in that mode. It declares what the public
   header uses, with the SDK's definitions; a declaration that needs more
   fails to compile, naming the type to add. */
#ifndef KYPCX_MSVC_SDK_STAND_IN_H
#define KYPCX_MSVC_SDK_STAND_IN_H

#include <stddef.h> /* wchar_t, from the compiler */

#define WINAPI __stdcall
#define CALLBACK __stdcall

typedef int BOOL;
typedef int INT;
typedef unsigned int UINT;
typedef unsigned char BYTE;
typedef unsigned short WORD;
typedef short SHORT;
typedef unsigned short USHORT;
typedef long LONG;
typedef unsigned long ULONG;
typedef unsigned long DWORD;
typedef unsigned __int64 ULONGLONG;
typedef DWORD COLORREF;
#ifdef _WIN64
typedef __int64 INT_PTR, LONG_PTR;
typedef unsigned __int64 UINT_PTR, ULONG_PTR, DWORD_PTR, SIZE_T;
#else
typedef int INT_PTR;
typedef long LONG_PTR;
typedef unsigned int UINT_PTR, SIZE_T;
typedef unsigned long ULONG_PTR, DWORD_PTR;
#endif
typedef UINT_PTR WPARAM;
typedef LONG_PTR LPARAM;
typedef char* LPSTR;
typedef const char* LPCSTR;
typedef wchar_t* LPWSTR;
typedef const wchar_t* LPCWSTR;
typedef void* LPVOID;
typedef const void* LPCVOID;
typedef BYTE* LPBYTE;
typedef void* HANDLE;
typedef HANDLE HGLOBAL;
#define KYPCX_STAND_IN_HANDLE(name) typedef struct name##__* name
KYPCX_STAND_IN_HANDLE(HBITMAP);
KYPCX_STAND_IN_HANDLE(HPALETTE);
KYPCX_STAND_IN_HANDLE(HDC);
KYPCX_STAND_IN_HANDLE(HWND);
KYPCX_STAND_IN_HANDLE(HINSTANCE);
KYPCX_STAND_IN_HANDLE(HICON);
typedef HINSTANCE HMODULE;
typedef struct tagBITMAPINFOHEADER BITMAPINFOHEADER;
typedef struct tagBITMAPINFO BITMAPINFO;
typedef struct tagRECT RECT;

#endif
