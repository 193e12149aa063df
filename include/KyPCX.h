/* KyPCX.dll: reading and writing PCX images and DCX multi-page files.
   The functions a client calls, by their exported (undecorated) names.

   Calling convention: every function here is __stdcall (WINAPI, or CALLBACK
   for the line functions, the same convention) with C linkage, in C and in
   C++. A 32-bit caller's object names a function `_Name@N` (N: bytes of
   arguments); the import libraries (KyPCX.lib for MSVC, libKyPCX.dll.a for
   MinGW) map that name to the DLL's plain `Name`. GetProcAddress takes the
   plain name. In 64-bit code there is one convention and no decoration.

   Every function that takes a path has a ...W form (UTF-16 path) and a ...A
   form (ANSI path); errors come back through a PcxErrorCode the caller owns,
   1 meaning success.

   Who frees what: the library keeps nothing of the caller's past a call and
   frees nothing of it; buffers, headers, bitmaps and DIBs handed in stay the
   caller's. What a function returns (global block, bitmap, palette) is the
   caller's to free, as each comment says; a NULL return leaves nothing to
   free. Compile with this header as C (C99) or C++ (C++11); it needs
   <windows.h>. */
#ifndef KYPCX_H
#define KYPCX_H

#include <windows.h>

#include "KyPcxTypes.h"

#ifdef KYPCX_BUILDING_DLL
#define KYPCX_API
#else
#define KYPCX_API __declspec(dllimport)
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Per-band function of the bitmap coders: rows (DIB order, lowest first),
   the lowest row's number from the bottom, the row count (0 in a closing
   call after a failure), the bitmap, the device context, and a BITMAPINFO*
   (decoders) or BITMAP* (encoders). FALSE stops the operation with code 13.
   __stdcall. Everything it is given belongs to the library and lives only
   for the call: read or draw from it, keep and free none of it. */
typedef BOOL(CALLBACK* PcxLineCallback)(BYTE* rows, INT_PTR startRow, INT_PTR rowCount,
                                        HBITMAP bitmap, HDC dc, void* description);

/* Per-row function of the DIB coders: the row, its number from the bottom,
   the lines done so far, and the DIB's header. FALSE stops with code 13.
   __stdcall; the row and header belong to the library, for the call only. */
typedef BOOL(CALLBACK* PcxDibLineCallback)(BYTE* row, LONG rowNumber, LONG lines,
                                           BITMAPINFOHEADER* dibHeader);

/* Frame */
/* Copies the message of *code into buffer (46 bytes hold the longest) and
   returns buffer; with a null buffer shows it in a "PCX error" box and
   returns NULL. Codes outside 0..29 give the empty message. Buffer and code
   are the caller's; nothing to free. */
KYPCX_API char* WINAPI GetPCXErrorString(char* buffer, PcxErrorCode* code);
/* Copies "Version 12.78" into buffer: whole with its terminator when size is
   14 or more, exactly the first size bytes when size is 1 to 13, nothing when
   size is below 1. The buffer is the caller's; nothing to free. */
KYPCX_API void WINAPI GetKyPCXVersion(char* buffer, LONG size);

/* PCX information */
/* Reads and checks the header of a PCX file into the caller's header
   (codes 3, 4, 5, 9, 18); the code is written only on failure. Nothing to
   free. */
KYPCX_API BOOL WINAPI PCXInfoW(LPCWSTR path, PcxHeader* header, PcxErrorCode* code);
KYPCX_API BOOL WINAPI PCXInfoA(LPCSTR path, PcxHeader* header, PcxErrorCode* code);
/* Byte 2 of the header (a colour-space code for non-RGB images), or -1.
   Nothing to free. */
KYPCX_API LONG WINAPI GetPCXColorSpaceW(LPCWSTR path);
KYPCX_API LONG WINAPI GetPCXColorSpaceA(LPCSTR path);

/* PCX decoding */
/* The image as a DIB in one movable global block (BITMAPINFOHEADER, colour
   table, bottom-up rows), or NULL with the code set. The block is the
   caller's: GlobalLock to read it, GlobalFree when done. */
KYPCX_API HGLOBAL WINAPI LoadPCXIntoDIBW(LPCWSTR path, PcxErrorCode* code);
KYPCX_API HGLOBAL WINAPI LoadPCXIntoDIBA(LPCSTR path, PcxErrorCode* code);
/* As LoadPCXIntoDIBW for files whose encoding byte holds a colour-space code
   (10..17), which lands in the DIB's biCompression. GlobalFree the block. */
KYPCX_API HGLOBAL WINAPI LoadNonRGBPCXIntoDIBW(LPCWSTR path, PcxErrorCode* code);
KYPCX_API HGLOBAL WINAPI LoadNonRGBPCXIntoDIBA(LPCSTR path, PcxErrorCode* code);
/* The colours of the file whose header the caller read with PCXInfoW, as a
   logical palette (ANSI path only), or NULL with the code set. The palette
   is the caller's to DeleteObject; the header stays the caller's. */
KYPCX_API HPALETTE WINAPI ReadPCXPalette(LPCSTR path, PcxHeader* header, PcxErrorCode* code);
/* The image as a bitmap compatible with the screen (monochrome for 1-bit
   images), or NULL with the code set. The bitmap is the caller's to
   DeleteObject. */
KYPCX_API HBITMAP WINAPI LoadPCXIntoBitmapW(LPCWSTR path, PcxErrorCode* code);
KYPCX_API HBITMAP WINAPI LoadPCXIntoBitmapA(LPCSTR path, PcxErrorCode* code);
/* The default line function of the bitmap decoders: SetDIBits of the band
   into the bitmap with the colour usage of the thread's last decode.
   CALLBACK (__stdcall); frees nothing it is given. */
KYPCX_API BOOL CALLBACK FlushPCXLine(BYTE* rows, INT_PTR startRow, INT_PTR rowCount, HBITMAP bitmap, HDC dc,
                                    void* description);

/* PCX encoding */
/* Saves a device-dependent bitmap as a PCX file (an existing file is
   overwritten and cut to the new image's length): a bitmap of 8 bits a pixel
   or fewer in the device's own layout, a deeper one (16, 24, 32 bits: a
   screen's bitmap) as three planes of red, green and blue bytes, its
   colours taken device-independently. The bitmap stays the caller's and is
   only read. */
KYPCX_API BOOL WINAPI SaveBitmapInPCXFormatW(LPCWSTR path, HBITMAP bitmap, PcxErrorCode* code);
KYPCX_API BOOL WINAPI SaveBitmapInPCXFormatA(LPCSTR path, HBITMAP bitmap, PcxErrorCode* code);
/* Saves the CF_BITMAP on the clipboard (15 when there is none), which stays
   the clipboard's. Nothing to free. */
KYPCX_API BOOL WINAPI SavePCXFileFromClipboardW(LPCWSTR path, PcxErrorCode* code);
KYPCX_API BOOL WINAPI SavePCXFileFromClipboardA(LPCSTR path, PcxErrorCode* code);
/* Saves a DIB (1, 4, 8, 16, 24 or 32 bits; bottom-up or top-down) in the
   usual PCX layouts. The DIB stays the caller's and is only read. */
KYPCX_API BOOL WINAPI SaveDIBInPCXFormatW(LPCWSTR path, HGLOBAL dib, PcxErrorCode* code);
KYPCX_API BOOL WINAPI SaveDIBInPCXFormatA(LPCSTR path, HGLOBAL dib, PcxErrorCode* code);
/* As SaveDIBInPCXFormatW for a DIB whose biCompression holds a colour-space
   code 10..17, which is stored in the header's encoding byte (19 otherwise,
   and no file is touched). The DIB stays the caller's. */
KYPCX_API BOOL WINAPI SaveNonRGBDIBInPCXFormatW(LPCWSTR path, HGLOBAL dib, PcxErrorCode* code);
KYPCX_API BOOL WINAPI SaveNonRGBDIBInPCXFormatA(LPCSTR path, HGLOBAL dib, PcxErrorCode* code);
/* Adds the bitmap's lines below the image of an existing PCX file of the
   same width and layout (14 otherwise): the layout the bitmap is saved in,
   or, for a bitmap of more than 8 bits a pixel, also its device's own layout
   of older files. A failed append leaves the file as it was. Note the bitmap
   comes first; it stays the caller's. */
KYPCX_API BOOL WINAPI AppendBitmapToPCXFileW(HBITMAP bitmap, LPCWSTR path, PcxErrorCode* code);
KYPCX_API BOOL WINAPI AppendBitmapToPCXFileA(HBITMAP bitmap, LPCSTR path, PcxErrorCode* code);
/* A new one-bit bitmap of the same size, the caller's to DeleteObject; NULL
   for a null or foreign handle. The bitmap given stays the caller's. */
KYPCX_API HBITMAP WINAPI ConvertToMonochrome(HBITMAP bitmap);

/* DCX writing: adding and deleting items (pages). Every writing operation
   refuses a DCX file whose directory it could not rewrite without touching
   an item, and leaves it unchanged: 22 wrong magic, 18 shorter than the
   4096-byte directory, 23 a listed item that begins inside the directory,
   before the item ahead of it or past the file's end. A file another program
   holds open gives 5. The images passed in stay the caller's and are only
   read. Note the add operations take the image first, the saves the path. */
/* Encodes the bitmap as a PCX image at the end of an existing DCX file and
   lists it in the first empty entry (25 when all 1022 are in use). Any
   failure of the encoding, a line function's FALSE included, gives 18; a
   failed add cuts the file back to its old length. */
KYPCX_API BOOL WINAPI AddBitmapToDCXFileW(HBITMAP bitmap, LPCWSTR path, PcxErrorCode* code,
                                          PcxLineCallback callback);
KYPCX_API BOOL WINAPI AddBitmapToDCXFileA(HBITMAP bitmap, LPCSTR path, PcxErrorCode* code, PcxLineCallback callback);
/* As AddBitmapToDCXFileW for the clipboard's CF_BITMAP: 0 with the code
   untouched when the clipboard holds no bitmap, 7 when it cannot be opened,
   15 when it gives no bitmap; the bitmap stays the clipboard's. */
KYPCX_API BOOL WINAPI AddClipboardToDCXFileW(LPCWSTR path, PcxErrorCode* code);
KYPCX_API BOOL WINAPI AddClipboardToDCXFileA(LPCSTR path, PcxErrorCode* code);
/* As AddBitmapToDCXFileW for a DIB, encoded as SaveDIBInPCXFormatW does. */
KYPCX_API BOOL WINAPI AddDIBToDCXFileW(HGLOBAL dib, LPCWSTR path, PcxErrorCode* code, PcxDibLineCallback callback);
KYPCX_API BOOL WINAPI AddDIBToDCXFileA(HGLOBAL dib, LPCSTR path, PcxErrorCode* code, PcxDibLineCallback callback);
/* Adds a PCX file, copied byte for byte, as the last item. Its header is
   checked first (3, 4, 9; 18 when shorter than a header; the encoding byte
   may hold a colour-space code 10..17); 21 when no entry is empty, 24 when
   the DCX file's volume lacks room for the new file, 27 when the new file
   cannot be renamed over the old one. The new file is built beside the old
   one and replaces it in one step: on any failure the old file stands whole
   under its name and no temporary file remains. The current directory is
   neither used nor changed. */
KYPCX_API BOOL WINAPI AddPCXFileToDCXFileW(LPCWSTR pcxPath, LPCWSTR dcxPath, PcxErrorCode* code);
KYPCX_API BOOL WINAPI AddPCXFileToDCXFileA(LPCSTR pcxPath, LPCSTR dcxPath, PcxErrorCode* code);
/* Saves the bitmap as a further item of the DCX file, which is made first
   when no file of that name exists; a failed save removes a file it made.
   The code is set to 1 first. Codes as AddBitmapToDCXFileW. */
KYPCX_API BOOL WINAPI SaveBitmapInDCXFormatW(LPCWSTR path, HBITMAP bitmap, PcxErrorCode* code);
KYPCX_API BOOL WINAPI SaveBitmapInDCXFormatA(LPCSTR path, HBITMAP bitmap, PcxErrorCode* code);
/* As SaveBitmapInDCXFormatW for a DIB. */
KYPCX_API BOOL WINAPI SaveDIBInDCXFormatW(LPCWSTR path, HGLOBAL dib, PcxErrorCode* code);
KYPCX_API BOOL WINAPI SaveDIBInDCXFormatA(LPCSTR path, HGLOBAL dib, PcxErrorCode* code);
/* As SaveDIBInDCXFormatW for a DIB whose biCompression holds a colour-space
   code 10..17, stored in the item's encoding byte (19 otherwise, and no file
   is touched). */
KYPCX_API BOOL WINAPI SaveNonRGBDIBInDCXFormatW(LPCWSTR path, HGLOBAL dib, PcxErrorCode* code);
KYPCX_API BOOL WINAPI SaveNonRGBDIBInDCXFormatA(LPCSTR path, HGLOBAL dib, PcxErrorCode* code);
/* Removes item `index` (from 0): the items behind it move down by its size
   and their entries with them; the last item (index 1021 of a full table
   too) goes with the bytes up to the file's end. 21 for an index beyond the
   list (1022 and above without opening the file), 23 for an item that does
   not end behind its start, 24, 27 and the replacement in one step as
   AddPCXFileToDCXFileW. */
KYPCX_API BOOL WINAPI DelItemFromDCXFileW(LPCWSTR path, UINT index, PcxErrorCode* code);
KYPCX_API BOOL WINAPI DelItemFromDCXFileA(LPCSTR path, UINT index, PcxErrorCode* code);
/* Clipboard, memory and drawing */
/* Decodes the file and leaves its bitmap on the clipboard as the only
   format (CF_BITMAP); 1 on success, 0 with the code set. The bitmap then
   belongs to the clipboard: nothing to free. */
KYPCX_API int WINAPI PutPCXToClipboardW(LPCWSTR path, PcxErrorCode* code);
KYPCX_API int WINAPI PutPCXToClipboardA(LPCSTR path, PcxErrorCode* code);
/* Decodes a whole PCX image held in memory (header, coded lines and any
   palette trailer, `length` bytes) into a screen bitmap, one line per call
   of `callback` (FlushPCXLine when NULL). May return a partly drawn bitmap
   together with a failure code (3: a run crosses a line's end; 6: the line
   function said no; 10: no palette trailer). The data stays the caller's
   and is only read; the bitmap, even a partly drawn one, is the caller's
   to DeleteObject. */
KYPCX_API HBITMAP WINAPI LoadPCXIntoBitmapFromMemory(const BYTE* data, DWORD length, PcxErrorCode* code,
                                                     PcxLineCallback callback);
/* Paints a monochrome or 16-colour PCX file onto dc, top-left at (0, 0), a
   line per run of equal colour with the header palette's colours; with
   showProgress a small gauge window follows the rows. 1 after painting
   (a file that ends early paints its complete rows), 0 when the file cannot
   be opened, is not a PCX file or has sizes no image can have, or a buffer
   cannot be had; 2 when a buffer cannot be locked. */
KYPCX_API int WINAPI LoadPCXW(BOOL showProgress, HDC dc, LPCWSTR path);
KYPCX_API int WINAPI LoadPCXA(BOOL showProgress, HDC dc, LPCSTR path);

/* DCX files: a 4096-byte directory (the magic 987654321, then 1023 entries
   holding item offsets) and up to 1022 PCX images behind it. Items are
   counted from 0 at every function here. Files are opened without sharing:
   one held open elsewhere gives code 5. */
/* Writes an empty directory over the first 4096 bytes of path, creating the
   file when it is missing (bytes behind the directory stay, unlisted).
   1 on success; 0 with code 5 (cannot open) or 17/18 (not written whole).
   The code is not set to 1 on success. */
KYPCX_API int WINAPI MakeDCXFileW(LPCWSTR path, PcxErrorCode* code);
KYPCX_API int WINAPI MakeDCXFileA(LPCSTR path, PcxErrorCode* code);
/* The number of items: the run of non-zero entries from entry 1 (1022 for a
   full table). 0 on failure with code 5 (cannot open), 18 (empty file) or
   22 (not a DCX file); the code is not set to 1 on success. */
KYPCX_API UINT WINAPI GetDCXInfoW(LPCWSTR path, PcxErrorCode* code);
KYPCX_API UINT WINAPI GetDCXInfoA(LPCSTR path, PcxErrorCode* code);
/* GetDCXInfoW without the code: 0 for an empty table and for any failure. */
KYPCX_API UINT WINAPI GetNumberOfImagesInDCXFileW(LPCWSTR path);
KYPCX_API UINT WINAPI GetNumberOfImagesInDCXFileA(LPCSTR path);
/* Reads and checks the 128-byte header of item `index` into *header.
   1 when a valid header was read; else 0 with code 21 (index 1022 or more,
   or beyond the directory's bound), 5, 18 (directory cut short, item past
   the end of the file), 22, 23 (item offset inside the directory or of no
   bytes) or the header check's 3, 4, 9; 18 also for a null header. An index
   behind the last item gives 0 with the code left at 1. */
KYPCX_API int WINAPI DCXItemInfoW(LPCWSTR path, UINT index, PcxHeader* header, PcxErrorCode* code);
KYPCX_API int WINAPI DCXItemInfoA(LPCSTR path, UINT index, PcxHeader* header, PcxErrorCode* code);

/* Reading item `index`: each decodes the item exactly as the PCX function
   of the same kind decodes a file holding the item's bytes. They set the
   code to 1 first and fail with a null result and code 5 (cannot open), 18
   (directory cut short; an item past the end of the file or too short for
   its header), 21 (index 1022 or more or beyond the directory's bound), 22
   (not a DCX file), 23 (an item offset inside the directory, or an item of
   no bytes), or the decoder's own codes. An index behind the last item
   gives a null result with the code left at 1. The last item ends at the
   file's length, index 1021 of a full table too (entry 1023 is never an
   item nor an item's end). An item is never read beyond its own bytes:
   offsets out of order end each item at the nearest item offset above its
   start. */
/* The item as a bitmap compatible with the screen, through `callback` per
   band (FlushPCXLine when NULL). */
KYPCX_API HBITMAP WINAPI LoadDCXItemToBitmapW(LPCWSTR path, UINT index, PcxErrorCode* code,
                                              PcxLineCallback callback);
KYPCX_API HBITMAP WINAPI LoadDCXItemToBitmapA(LPCSTR path, UINT index, PcxErrorCode* code,
                                              PcxLineCallback callback);
KYPCX_API HBITMAP WINAPI LoadDCXIntoBitmapW(LPCWSTR path, UINT index, PcxErrorCode* code);
KYPCX_API HBITMAP WINAPI LoadDCXIntoBitmapA(LPCSTR path, UINT index, PcxErrorCode* code);
/* The item as a DIB in one movable global block, `callback` called per row
   (none when NULL). */
KYPCX_API HGLOBAL WINAPI LoadDCXItemToDIBW(LPCWSTR path, UINT index, PcxErrorCode* code,
                                           PcxDibLineCallback callback);
KYPCX_API HGLOBAL WINAPI LoadDCXItemToDIBA(LPCSTR path, UINT index, PcxErrorCode* code,
                                           PcxDibLineCallback callback);
KYPCX_API HGLOBAL WINAPI LoadDCXIntoDIBW(LPCWSTR path, UINT index, PcxErrorCode* code);
KYPCX_API HGLOBAL WINAPI LoadDCXIntoDIBA(LPCSTR path, UINT index, PcxErrorCode* code);
/* As LoadDCXIntoDIBW for an item whose encoding byte holds a colour-space
   code, which lands in the DIB's biCompression (-1 there if the header
   cannot be read a second time). */
KYPCX_API HGLOBAL WINAPI LoadNonRGBDCXIntoDIBW(LPCWSTR path, UINT index, PcxErrorCode* code);
KYPCX_API HGLOBAL WINAPI LoadNonRGBDCXIntoDIBA(LPCSTR path, UINT index, PcxErrorCode* code);
/* Decodes the item and leaves its bitmap on the clipboard; 1 on success. */
KYPCX_API int WINAPI PutDCXItemToClipboardW(LPCWSTR path, UINT index, PcxErrorCode* code);
KYPCX_API int WINAPI PutDCXItemToClipboardA(LPCSTR path, UINT index, PcxErrorCode* code);
/* Reads the item's header into *header (filled even when no palette follows;
   a null header gives 18) and returns its colours as a logical palette, the
   caller's to delete; code 10 with the default colours when a 256-colour
   item is too short to hold its trailer behind its header. */
KYPCX_API HPALETTE WINAPI ReadDCXItemPaletteW(LPCWSTR path, UINT index, PcxHeader* header, PcxErrorCode* code);
KYPCX_API HPALETTE WINAPI ReadDCXItemPaletteA(LPCSTR path, UINT index, PcxHeader* header, PcxErrorCode* code);
/* Byte 2 of the item's header (its colour-space code), or -1 for any failure. */
KYPCX_API LONG WINAPI GetDCXColorSpaceW(LPCWSTR path, UINT index);
KYPCX_API LONG WINAPI GetDCXColorSpaceA(LPCSTR path, UINT index);

/* DCX page picker */
/* Shows the CHOOSE_PCX dialog over the calling thread's active window and
   returns the page number (1 to N) chosen with OK, or 0: after Cancel (the
   code untouched), or with code 28 for a file without pages (missing, not a
   DCX file, or cut short before its first page: no dialog), 12 or 11 when
   working memory cannot be had. */
KYPCX_API UINT WINAPI SelectDCXItemW(LPCWSTR path, PcxErrorCode* code);
KYPCX_API UINT WINAPI SelectDCXItemA(LPCSTR path, PcxErrorCode* code);
/* Lets the user choose a page and loads it as LoadDCXItemToBitmapW does.
   NULL after Cancel (nothing shown, code untouched); when the dialog cannot
   be offered, NULL after the code's message box. */
KYPCX_API HBITMAP WINAPI LoadDCXImageW(LPCWSTR path, PcxErrorCode* code);
KYPCX_API HBITMAP WINAPI LoadDCXImageA(LPCSTR path, PcxErrorCode* code);
/* Lets the user choose a page and deletes it as DelItemFromDCXFileW does,
   with no second question; 1 when deleted. 0 after Cancel (nothing shown,
   code untouched); when the dialog cannot be offered, 0 after the code's
   message box. */
KYPCX_API int WINAPI DelDCXImageW(LPCWSTR path, PcxErrorCode* code);
KYPCX_API int WINAPI DelDCXImageA(LPCSTR path, PcxErrorCode* code);
/* The parameter block of the CHOOSE_PCX dialog: the whole path pointer
   first, then the 32-bit page count. In a 32-bit process that is two 32-bit
   words (8 bytes); in a 64-bit one the pointer takes 8 bytes and the count
   follows at offset 8 (16 bytes with the padding). The caller owns it; it
   must stay in place while the dialog is open. */
typedef struct DcxChooserParams {
    LPCWSTR path;    /* the DCX file; the dialog leaves it unchanged */
    DWORD itemCount; /* in: N, the number of pages; out: the page chosen with OK, 1 to N */
} DcxChooserParams;
/* The dialog procedure of CHOOSE_PCX, for callers that run the dialog
   themselves: DialogBoxParamW(the KyPCX.dll module, L"CHOOSE_PCX", owner,
   SelectPCXDlgProc, (LPARAM)&params) returns 1 after OK, with the chosen
   page in params.itemCount, and 0 after Cancel. Each open dialog has its own
   block; dialogs may be opened over one another. Frees nothing it is given. */
KYPCX_API INT_PTR CALLBACK SelectPCXDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

/* Extensions: exports of this library beyond the classic set above. They
   leave the classic exports' results and codes as they are. */

/* Where page `index` (from 0) of a DCX file lies: *start is the offset of its
   header, *end one past its last byte (the next page's offset, or the file's
   length for the last page; the last page of a file past 4 GiB ends past
   4 GiB), as every reader of pages finds them. Codes: 5 the file cannot be
   opened, 18 a directory cut short or an extent outside the file (and null
   start or end), 21 no such page (behind the end of the list included), 22
   wrong magic, 23 offsets that give the page no bytes of its own. Nothing to
   free. */
KYPCX_API BOOL WINAPI DCXItemExtentW(LPCWSTR path, UINT index, ULONGLONG* start, ULONGLONG* end, PcxErrorCode* code);
KYPCX_API BOOL WINAPI DCXItemExtentA(LPCSTR path, UINT index, ULONGLONG* start, ULONGLONG* end, PcxErrorCode* code);

/* Every layout. The classic readers take the four layouts of the original
   format (1 plane x 1 bit, 4 planes x 1 bit, 1 plane x 8 bits, 3 planes x 8
   bits, run-length coded) and refuse the rest with code 9 or 4. These read
   every layout writers produce, each into the smallest standard DIB that
   holds it:
     1 plane x 1 bit               1-bit DIB, 2 colours (the two-colour rule)
     1 plane x 2 bits (CGA)        4-bit DIB, 4 colours
     2 planes x 1 bit              4-bit DIB, 4 colours
     3 planes x 1 bit              4-bit DIB, 8 colours
     1 plane x 4 bits, 4 planes x 1 bit    4-bit DIB, 16 colours
     1 plane x 8 bits              8-bit DIB, 256 colours from the trailer
     3 planes x 8 bits (RGB), 1 plane x 24 bits (blue, green, red a pixel)
                                   24-bit DIB
     4 planes x 8 bits (RGB and alpha)     32-bit DIB, alpha in the 4th byte
   each run-length coded (encoding 1) or stored as it is (encoding 0). For
   the classic layouts, run-length coded, the DIB is byte for byte the one
   LoadPCXIntoDIBW gives. Colours of 4, 8 and 16-colour images come from the
   header. A 4-colour image made on CGA hardware holds CGA palette bytes
   there instead: the background's number (of the CGA's 16 colours) in the
   upper nibble of byte 16, repeated in bytes 17 and 18, and in byte 19 the
   palette (bit 6 set: cyan, magenta, white; clear: green, red, yellow) and
   its brightness (bit 4 clear: bright; set: dim), and leaves entries 2 and 3
   empty. The header is read that way when it looks so: its first entry a
   grey other than white, its third and fourth entries zero; a flag chooses
   either reading instead.
   Layouts that are no image (5 planes, 3 planes x 2 bits, 16 bits per
   pixel, no planes) are refused with code 9. */
#define KYPCX_CLASSIC_LAYOUTS 0x0001u /* only the classic layouts, run-length coded, as the classic readers */
#define KYPCX_COLOR_SPACE     0x0002u /* accept the colour-space codes 10..17 of non-RGB images in the encoding
                                          byte; the DIB's biCompression holds the code */
#define KYPCX_CGA_PALETTE     0x0004u /* read a 4-colour header as CGA palette bytes */
#define KYPCX_HEADER_COLORS   0x0008u /* read a 4-colour header as four colours */
/* Other bits are reserved: pass 0. */

/* The item argument: the whole file as one PCX image, or a DCX page (0-based). */
#define KYPCX_WHOLE_FILE 0xFFFFFFFFu

/* What a file's image is, as the layout readers see it. */
typedef struct PcxImageInfo {
    DWORD size;             /* set by the caller to sizeof(PcxImageInfo) */
    PcxHeader header;       /* the image's 128-byte header */
    LONG width;
    LONG height;
    WORD planes;
    WORD bitsPerPixel;      /* per plane */
    WORD dibBitCount;       /* 1, 4, 8, 24 or 32 */
    WORD colors;            /* entries of the DIB's colour table; 0 for 24 and 32 bits */
    BYTE storedLines;       /* 1: encoding 0, lines stored as they are */
    BYTE alpha;             /* 1: the fourth plane is alpha */
    BYTE cgaPalette;        /* 1: the header's colours are read as CGA palette bytes */
    BYTE reserved;
    char layoutName[48];    /* "16 colours (4 planes x 1 bit)" */
    ULONGLONG start;        /* where the image lies in the file: its header */
    ULONGLONG end;          /* one past its last byte */
} PcxImageInfo;

/* Decodes a PCX file (item KYPCX_WHOLE_FILE) or page `item` of a DCX file
   into a DIB in one movable global block, or NULL with the code set: 3, 4,
   9 the header; 5 the file cannot be opened; 6 no DIB; 10 palette or data
   unreadable; 13 the line function said FALSE; 18, 21, 22, 23 as the DCX
   readers (21 for a page behind the end of the list too). `callback` (may
   be NULL) gets each row as for LoadDCXItemToDIBW. GlobalFree the block. */
KYPCX_API HGLOBAL WINAPI LoadPCXImageW(LPCWSTR path, UINT item, DWORD flags, PcxErrorCode* code,
                                       PcxDibLineCallback callback);
KYPCX_API HGLOBAL WINAPI LoadPCXImageA(LPCSTR path, UINT item, DWORD flags, PcxErrorCode* code,
                                       PcxDibLineCallback callback);
/* As LoadPCXImageW for an image the caller holds in memory: `length` bytes
   at `data`, the header first (a 256-colour trailer is the block's last 769
   bytes). The same DIB as from a file of the same bytes; the bytes stay
   the caller's and are only read. GlobalFree the block. */
KYPCX_API HGLOBAL WINAPI LoadPCXImageFromMemory(const BYTE* data, DWORD length, DWORD flags, PcxErrorCode* code,
                                                PcxDibLineCallback callback);
/* Fills *info for a PCX file or a DCX page (as LoadPCXImageW takes them)
   without decoding it; info->size must be set (code 18 otherwise). Codes as
   LoadPCXImageW for the header and the file. Nothing to free. */
KYPCX_API BOOL WINAPI GetPCXImageInfoW(LPCWSTR path, UINT item, DWORD flags, PcxImageInfo* info, PcxErrorCode* code);
KYPCX_API BOOL WINAPI GetPCXImageInfoA(LPCSTR path, UINT item, DWORD flags, PcxImageInfo* info, PcxErrorCode* code);

/* Saving a DIB in any layout the layout readers read. The flags choose the
   layout (one of the three below), and may add KYPCX_SAVE_STORED_LINES and
   KYPCX_SAVE_DCX_PAGE:
   - KYPCX_SAVE_CLASSIC: the layout SaveDIBInPCXFormatW writes, the same file;
   - KYPCX_SAVE_SMALLEST: the smallest layout the layout readers give the
     picture back from exactly: one plane of 1 bit for black and white (or
     two complementary greys), 2, 3 and 4 planes of 1 bit for up to 4, 8 and
     16 colours (the colours in the header), one plane of 8 bits for up to
     256 (the 256-colour trailer), 3 planes of 8 bits beyond, and 4 planes of
     8 bits, alpha the fourth, where a pixel is not opaque (a 32-bit DIB's
     fourth bytes are its alpha unless every one is 0);
   - KYPCX_SAVE_LAYOUT(planes, bits): that layout, if the layout readers read
     it (code 9 otherwise) and, for an indexed one, the picture has no more
     colours than it numbers (code 14 otherwise).
   Lines are run-length coded unless KYPCX_SAVE_STORED_LINES (encoding 0).
   The DIB is written as a PCX file at `path`, overwritten and cut to the
   image, or with KYPCX_SAVE_DCX_PAGE as a new last page of the existing DCX
   file at `path` (codes as AddDIBToDCXFileW for the file). Other bits are
   reserved (code 9). `callback` (may be NULL) gets each line as encoded, as
   for AddDIBToDCXFileW. The DIB stays the caller's and is only read. */
#define KYPCX_SAVE_CLASSIC        0x00000000u
#define KYPCX_SAVE_SMALLEST       0x00000001u
#define KYPCX_SAVE_LAYOUT(planes, bits) (0x00000002u | ((DWORD)(planes) << 8) | ((DWORD)(bits) << 16))
#define KYPCX_SAVE_STORED_LINES   0x01000000u
#define KYPCX_SAVE_DCX_PAGE       0x02000000u
KYPCX_API BOOL WINAPI SavePCXImageW(LPCWSTR path, HGLOBAL dib, DWORD flags, PcxErrorCode* code,
                                    PcxDibLineCallback callback);
KYPCX_API BOOL WINAPI SavePCXImageA(LPCSTR path, HGLOBAL dib, DWORD flags, PcxErrorCode* code,
                                    PcxDibLineCallback callback);

#ifdef __cplusplus
}

/* Looks up an export by name, typed as the declaration above:
   auto load = KyPcxGetProc<decltype(&LoadPCXIntoDIBW)>(module, "LoadPCXIntoDIBW"); */
template <typename F>
inline F KyPcxGetProc(HMODULE module, const char* name) {
    return reinterpret_cast<F>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}
#endif

#endif
