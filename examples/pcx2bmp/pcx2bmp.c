/* pcx2bmp: converts a PCX image to a Windows BMP file with KyPCX.dll,
   called through its import library like any other DLL.
   usage: pcx2bmp input.pcx output.bmp */
#define _CRT_SECURE_NO_WARNINGS /* fopen, as MSVC would have fopen_s */
#include <stdio.h>

#include <KyPCX.h>

/* Bytes of the colour table (or of the three masks) that follow the DIB's
   header, which a BMP file's pixel offset has to step over. */
static DWORD colorTableBytes(const BITMAPINFOHEADER* header) {
    if (header->biBitCount <= 8) {
        DWORD colors = header->biClrUsed != 0 ? header->biClrUsed : (DWORD)1 << header->biBitCount;
        return colors * (DWORD)sizeof(RGBQUAD);
    }
    if (header->biCompression == BI_BITFIELDS && header->biSize == sizeof(BITMAPINFOHEADER)) {
        return 3 * (DWORD)sizeof(DWORD);
    }
    return 0;
}

/* Bytes of the DIB: header, colour table and rows (each padded to 4 bytes). */
static SIZE_T dibBytes(const BITMAPINFOHEADER* header) {
    SIZE_T rowBytes = ((SIZE_T)header->biWidth * header->biBitCount + 31) / 32 * 4;
    SIZE_T rows = (SIZE_T)(header->biHeight < 0 ? -header->biHeight : header->biHeight);
    return header->biSize + colorTableBytes(header) + rowBytes * rows;
}

/* Writes the DIB behind a BMP file header. */
static int writeBmp(const char* path, const BITMAPINFOHEADER* dib) {
    BITMAPFILEHEADER fileHeader;
    FILE* file;
    int written;

    fileHeader.bfType = 0x4D42; /* "BM" */
    fileHeader.bfSize = (DWORD)(sizeof fileHeader + dibBytes(dib));
    fileHeader.bfReserved1 = 0;
    fileHeader.bfReserved2 = 0;
    fileHeader.bfOffBits = (DWORD)sizeof fileHeader + dib->biSize + colorTableBytes(dib);

    file = fopen(path, "wb");
    if (file == NULL) {
        return 0;
    }
    written = fwrite(&fileHeader, sizeof fileHeader, 1, file) == 1 && fwrite(dib, dibBytes(dib), 1, file) == 1;
    return fclose(file) == 0 && written;
}

int main(int argc, char** argv) {
    PcxErrorCode code = PCX_OK;
    HGLOBAL dib;
    const BITMAPINFOHEADER* header;
    int saved;

    if (argc != 3) {
        fprintf(stderr, "usage: pcx2bmp input.pcx output.bmp\n");
        return 2;
    }

    /* The DIB is one movable global block of ours: lock it to read it,
       free it with GlobalFree. */
    dib = LoadPCXIntoDIBA(argv[1], &code);
    if (dib == NULL) {
        char message[64];
        fprintf(stderr, "pcx2bmp: %s: %s (code %d)\n", argv[1], GetPCXErrorString(message, &code), (int)code);
        return 1;
    }
    header = (const BITMAPINFOHEADER*)GlobalLock(dib);
    saved = header != NULL && dibBytes(header) <= GlobalSize(dib) && writeBmp(argv[2], header);
    if (header != NULL) {
        printf("%s: %ld x %ld, %u bits per pixel\n", argv[1], (long)header->biWidth, (long)header->biHeight,
               (unsigned)header->biBitCount);
        GlobalUnlock(dib);
    }
    GlobalFree(dib);
    if (!saved) {
        fprintf(stderr, "pcx2bmp: could not write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
