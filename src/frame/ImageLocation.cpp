// Locating a whole PCX file.
#include "frame/ImageLocation.h"

#include "frame/FileAccess.h"

BOOL LocatePcxFile(LPCWSTR path, DWORD access, ImageLocation* image, PcxErrorCode* code) {
    image->file.reset(OpenFileFor(path, access));
    if (!image->file.valid()) {
        *code = PCX_ERR_OPEN_FILE;
        return FALSE;
    }
    image->start = 0;
    image->end = GetFileLength(image->file.get());
    return TRUE;
}
