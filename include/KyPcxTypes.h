/* Types shared by KyPCX.dll's clients and its portable core: the 128-byte PCX
   header as it lies in a file, and the error codes every operation reports.
   Needs no Windows headers. */
#ifndef KYPCX_TYPES_H
#define KYPCX_TYPES_H

#include <stdint.h>

/* A signed 32-bit code the caller owns and passes by address; 1 is success. */
typedef int32_t PcxErrorCode;

enum PcxErrorCodeValue {
    PCX_OK = 1,
    PCX_ERR_ALLOC_BUFFERS = 2,     /* logical-palette block could not be allocated */
    PCX_ERR_VERSION = 3,           /* version byte not 0, 2, 3, 4 or 5; no palette for layout */
    PCX_ERR_ENCODING = 4,          /* encoding byte not 1; a line could not be fetched or written */
    PCX_ERR_OPEN_FILE = 5,
    PCX_ERR_CREATE_BITMAP = 6,
    PCX_ERR_OPEN_CLIPBOARD = 7,
    PCX_ERR_COMPATIBLE_DC = 8,
    PCX_ERR_HARDWARE_DEPENDENT = 9, /* planes x bits per pixel not a decodable layout */
    PCX_ERR_PALETTE_READ = 10,
    PCX_ERR_LOCK = 11,
    PCX_ERR_ALLOC = 12,
    PCX_ERR_USER_ABORT = 13,       /* a line function returned FALSE */
    PCX_ERR_TYPE_MISMATCH = 14,
    PCX_ERR_CLIPBOARD_DATA = 15,
    PCX_ERR_READ = 16,
    PCX_ERR_WRITE = 17,
    PCX_ERR_FILE_IO = 18,          /* file position not reachable, or the header is cut short */
    PCX_ERR_COLOR_SPACE = 19,
    PCX_ERR_NO_ITEM = 21,
    PCX_ERR_DCX_ID = 22,
    PCX_ERR_ITEM_OFFSET = 23,
    PCX_ERR_DISK_SPACE = 24,
    PCX_ERR_NO_EMPTY_ENTRY = 25,
    PCX_ERR_DELETE_FILE = 26,
    PCX_ERR_RENAME_FILE = 27,
    PCX_ERR_EMPTY_DCX = 28
};

#pragma pack(push, 1)
/* The PCX file header, 128 bytes, all 16-bit fields little-endian. */
typedef struct PcxHeader {
    uint8_t manufacturer;    /* 0x0A when written; never examined */
    uint8_t version;         /* 0, 2, 3, 4 or 5 */
    uint8_t encoding;        /* 1 = run-length coded, or a colour-space code 10..17 */
    uint8_t bitsPerPixel;    /* bits per pixel in one plane */
    int16_t xMin;
    int16_t yMin;
    int16_t xMax;            /* inclusive */
    int16_t yMax;            /* inclusive */
    int16_t horizontalDpi;
    int16_t verticalDpi;
    uint8_t palette[48];     /* 16 entries of red, green, blue */
    uint8_t reserved;
    uint8_t planes;
    int16_t bytesPerLine;    /* bytes in one plane of one scan line, before coding */
    int16_t paletteInfo;
    int16_t horizontalScreenSize;
    int16_t verticalScreenSize;
    uint8_t filler[54];
} PcxHeader;
#pragma pack(pop)

#ifdef __cplusplus
static_assert(sizeof(PcxHeader) == 128, "PcxHeader must be the 128 bytes of the file header");
#endif

#endif
