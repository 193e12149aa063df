// Reading one DCX item: into a bitmap, a DIB, a non-RGB DIB, onto the
// clipboard, as a palette, and its colour space. Each export locates the item
// (dcx/DcxDirectory.h) and hands the open file with the item's extent to the
// core routine the single-file operation uses, so a page decodes exactly as a
// PCX file holding the same bytes.
#include <windows.h>

#include "KyPCX.h"
#include "dcx/DcxDirectory.h"
#include "frame/AnsiEntry.h"
#include "frame/ErrorSlot.h"
#include "frame/ExportCodes.h"
#include "pcx/decode/DecodePcxToBitmap.h"
#include "pcx/decode/DecodePcxToDib.h"
#include "pcx/decode/PcxPalette.h"
#include "pcx/decode/ReadPcxHeader.h"
#include "ui/CopyPcxToClipboard.h"
#include "win/HandleGuards.h"

namespace {

// Locates item `index` of the DCX file (the end looked up unless
// `headerOnly`) and hands it to `read`; `failed` when the item cannot be
// located, with the code set as these readers report it (1 when the index
// lies behind the list).
template <typename Result, typename Read>
Result ReadDcxItem(LPCWSTR path, UINT index, PcxErrorCode* code, Result failed, Read read, bool headerOnly = false) {
    ImageLocation item;
    const kypcx::Status located = LocateDcxItem(path, index, &item, headerOnly);
    if (located != kypcx::Status::Ok) {
        *code = ExportCodeOf(located, ExportGroup::DcxPageRead);
        return failed;
    }
    *code = PCX_OK;
    return read(item);
}

// The item decoded into a DIB, the encoding byte checked or not (a non-RGB
// item holds its colour space there). Null on failure with the code set, or
// with the code still 1 when the index lies behind the list.
HGLOBAL LoadDcxItemToDib(LPCWSTR path, UINT index, BOOL checkEncoding, PcxErrorCode* code,
                         PcxDibLineCallback callback) {
    return ReadDcxItem<HGLOBAL>(path, index, code, nullptr, [&](const ImageLocation& item) {
        kypcx::Status status = kypcx::Status::Ok;
        HGLOBAL dib = DecodePcxToDib(item.file.get(), item.start, item.end, checkEncoding, callback, &status);
        *code = ExportCodeOf(status, ExportGroup::DibDecode);
        return dib;
    });
}

// Reads the item's header with the encoding check off; no end is looked up.
// 1 on success; 0 with the code set (or still 1 behind the list).
int ReadDcxItemHeader(LPCWSTR path, UINT index, PcxHeader* header, PcxErrorCode* code) {
    return ReadDcxItem<int>(
        path, index, code, 0,
        [&](const ImageLocation& item) {
            const kypcx::Status status =
                ReadPcxFileHeader(item.file.get(), item.start, kypcx::ClassicHeaderRules(false), header);
            if (status == kypcx::Status::Ok) return 1;
            *code = ExportCodeOf(status);
            return 0;
        },
        true);
}

}  // namespace

extern "C" HBITMAP WINAPI LoadDCXItemToBitmapW(LPCWSTR path, UINT index, PcxErrorCode* error,
                                               PcxLineCallback callback) {
    ErrorSlot slot(error);
    PcxErrorCode* code = slot.get();
    return ReadDcxItem<HBITMAP>(path, index, code, nullptr, [&](const ImageLocation& item) {
        kypcx::Status status = kypcx::Status::Ok;
        HBITMAP bitmap = DecodePcxToBitmap(item.file.get(), item.start, item.end, callback, &status);
        *code = ExportCodeOf(status);
        return bitmap;
    });
}

extern "C" HBITMAP WINAPI LoadDCXItemToBitmapA(LPCSTR path, UINT index, PcxErrorCode* code,
                                               PcxLineCallback callback) {
    return CallWithWidePath(LoadDCXItemToBitmapW, path, index, code, callback);
}

extern "C" HBITMAP WINAPI LoadDCXIntoBitmapW(LPCWSTR path, UINT index, PcxErrorCode* code) {
    return LoadDCXItemToBitmapW(path, index, code, nullptr);
}

extern "C" HBITMAP WINAPI LoadDCXIntoBitmapA(LPCSTR path, UINT index, PcxErrorCode* code) {
    return CallWithWidePath(LoadDCXIntoBitmapW, path, index, code);
}

extern "C" HGLOBAL WINAPI LoadDCXItemToDIBW(LPCWSTR path, UINT index, PcxErrorCode* error,
                                            PcxDibLineCallback callback) {
    ErrorSlot slot(error);
    return LoadDcxItemToDib(path, index, TRUE, slot.get(), callback);
}

extern "C" HGLOBAL WINAPI LoadDCXItemToDIBA(LPCSTR path, UINT index, PcxErrorCode* code,
                                            PcxDibLineCallback callback) {
    return CallWithWidePath(LoadDCXItemToDIBW, path, index, code, callback);
}

extern "C" HGLOBAL WINAPI LoadDCXIntoDIBW(LPCWSTR path, UINT index, PcxErrorCode* code) {
    return LoadDCXItemToDIBW(path, index, code, nullptr);
}

extern "C" HGLOBAL WINAPI LoadDCXIntoDIBA(LPCSTR path, UINT index, PcxErrorCode* code) {
    return CallWithWidePath(LoadDCXIntoDIBW, path, index, code);
}

extern "C" HGLOBAL WINAPI LoadNonRGBDCXIntoDIBW(LPCWSTR path, UINT index, PcxErrorCode* error) {
    ErrorSlot slot(error);
    PcxErrorCode* code = slot.get();
    HGLOBAL dib = LoadDcxItemToDib(path, index, FALSE, code, nullptr);
    if (dib == nullptr) return nullptr;
    ScopedGlobalLock lock(dib);
    auto* info = lock.as<BITMAPINFOHEADER>();
    if (info != nullptr) info->biCompression = static_cast<DWORD>(GetDCXColorSpaceW(path, index));
    return dib;
}

extern "C" HGLOBAL WINAPI LoadNonRGBDCXIntoDIBA(LPCSTR path, UINT index, PcxErrorCode* code) {
    return CallWithWidePath(LoadNonRGBDCXIntoDIBW, path, index, code);
}

extern "C" int WINAPI PutDCXItemToClipboardW(LPCWSTR path, UINT index, PcxErrorCode* error) {
    ErrorSlot slot(error);
    PcxErrorCode* code = slot.get();
    return ReadDcxItem<int>(path, index, code, 0, [&](const ImageLocation& item) {
        const kypcx::Status status = CopyPcxToClipboard(item.file.get(), item.start, item.end);
        *code = ExportCodeOf(status);
        return status == kypcx::Status::Ok ? 1 : 0;
    });
}

extern "C" int WINAPI PutDCXItemToClipboardA(LPCSTR path, UINT index, PcxErrorCode* code) {
    return CallWithWidePath(PutDCXItemToClipboardW, path, index, code);
}

extern "C" HPALETTE WINAPI ReadDCXItemPaletteW(LPCWSTR path, UINT index, PcxHeader* header, PcxErrorCode* error) {
    ErrorSlot slot(error);
    PcxErrorCode* code = slot.get();
    *code = PCX_OK;
    if (header == nullptr) {
        *code = ExportCodeOf(kypcx::Status::NoAnswerBlock);
        return nullptr;
    }
    return ReadDcxItem<HPALETTE>(path, index, code, nullptr, [&](const ImageLocation& item) -> HPALETTE {
        kypcx::Status status = ReadPcxFileHeader(item.file.get(), item.start, kypcx::ClassicHeaderRules(true), header);
        HPALETTE palette = nullptr;
        if (status == kypcx::Status::Ok)
            palette = ReadPcxPaletteFromFile(item.file.get(), item.start, item.end, *header, &status);
        *code = ExportCodeOf(status);
        return palette;
    });
}

extern "C" HPALETTE WINAPI ReadDCXItemPaletteA(LPCSTR path, UINT index, PcxHeader* header, PcxErrorCode* code) {
    return CallWithWidePath(ReadDCXItemPaletteW, path, index, header, code);
}

extern "C" LONG WINAPI GetDCXColorSpaceW(LPCWSTR path, UINT index) {
    if (path == nullptr) return -1;
    PcxErrorCode code = PCX_OK;
    // With a count of 0 the subtraction wraps and the header read decides.
    const UINT count = GetDCXInfoW(path, &code);
    if (index > count - 1) return -1;
    PcxHeader header;
    if (!ReadDcxItemHeader(path, index, &header, &code)) return -1;
    return header.encoding;
}

extern "C" LONG WINAPI GetDCXColorSpaceA(LPCSTR path, UINT index) {
    return CallWithWidePath(GetDCXColorSpaceW, path, index);
}
