// Locating a whole PCX file.
#include "frame/ImageLocation.h"

#include "frame/FileAccess.h"

kypcx::Status LocatePcxFile(LPCWSTR path, DWORD access, ImageLocation* image) {
    image->file.reset(OpenFileFor(path, access));
    if (!image->file.valid()) return kypcx::Status::FileNotOpened;
    image->start = 0;
    image->end = GetFileLength(image->file.get());
    return kypcx::Status::Ok;
}
