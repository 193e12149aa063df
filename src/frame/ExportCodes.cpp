// The code table of the exports.
#include "frame/ExportCodes.h"

namespace {

using kypcx::Status;

PcxErrorCode CommonCode(Status status) {
    switch (status) {
    case Status::Ok: return PCX_OK;
    case Status::HeaderCutShort: return PCX_ERR_FILE_IO;
    case Status::UnknownVersion: return PCX_ERR_VERSION;
    case Status::UnacceptedEncoding: return PCX_ERR_ENCODING;
    case Status::UndecodableLayout: return PCX_ERR_HARDWARE_DEPENDENT;
    case Status::ImageTooLarge: return PCX_ERR_CREATE_BITMAP;
    case Status::RunCrossesLineEnd: return PCX_ERR_VERSION;
    case Status::DataUnreadable: return PCX_ERR_PALETTE_READ;
    case Status::TrailerUnreadable: return PCX_ERR_PALETTE_READ;
    case Status::NoColorsForLayout: return PCX_ERR_VERSION;
    case Status::StoppedByLineFunction: return PCX_ERR_USER_ABORT;
    case Status::NoAnswerBlock: return PCX_ERR_FILE_IO;
    case Status::FileNotOpened: return PCX_ERR_OPEN_FILE;
    case Status::PositionUnreachable: return PCX_ERR_FILE_IO;
    case Status::ReadShort: return PCX_ERR_READ;
    case Status::WriteShort: return PCX_ERR_WRITE;
    case Status::LineNotWritten: return PCX_ERR_ENCODING;
    case Status::EndLimitPassed: return PCX_ERR_FILE_IO;
    case Status::NoDiskSpace: return PCX_ERR_DISK_SPACE;
    case Status::DeleteFailed: return PCX_ERR_DELETE_FILE;
    case Status::RenameFailed: return PCX_ERR_RENAME_FILE;
    case Status::NoImageMemory: return PCX_ERR_CREATE_BITMAP;
    case Status::NoWorkingMemory: return PCX_ERR_ALLOC;
    case Status::NoPaletteMemory: return PCX_ERR_ALLOC_BUFFERS;
    case Status::LockFailed: return PCX_ERR_LOCK;
    case Status::NoDeviceContext: return PCX_ERR_COMPATIBLE_DC;
    case Status::NoBitmap: return PCX_ERR_CREATE_BITMAP;
    case Status::PaletteNotCreated: return PCX_ERR_PALETTE_READ;
    case Status::LineUnavailable: return PCX_ERR_ENCODING;
    case Status::ClipboardNotOpened: return PCX_ERR_OPEN_CLIPBOARD;
    case Status::NoClipboardBitmap: return PCX_ERR_CLIPBOARD_DATA;
    case Status::ClipboardRefused: return PCX_ERR_OPEN_CLIPBOARD;
    case Status::BitmapLayoutMismatch: return PCX_ERR_TYPE_MISMATCH;
    case Status::BadColorSpace: return PCX_ERR_COLOR_SPACE;
    case Status::PictureDoesNotFit: return PCX_ERR_TYPE_MISMATCH;
    case Status::UnwritableDibFormat: return PCX_ERR_HARDWARE_DEPENDENT;
    // No export pushes rows of its own; were one to, it would be a line
    // that could not be written.
    case Status::TooManyRows: return PCX_ERR_ENCODING;
    case Status::NotDcx: return PCX_ERR_DCX_ID;
    case Status::DirectoryUnreadable: return PCX_ERR_FILE_IO;
    case Status::DirectoryCutShort: return PCX_ERR_FILE_IO;
    case Status::NoSuchItem: return PCX_ERR_NO_ITEM;
    case Status::ItemNotListed: return PCX_ERR_NO_ITEM;
    case Status::DirectoryFull: return PCX_ERR_NO_EMPTY_ENTRY;
    case Status::ItemOverlapsDirectory: return PCX_ERR_ITEM_OFFSET;
    case Status::ItemOffsetsOutOfOrder: return PCX_ERR_ITEM_OFFSET;
    case Status::ItemPastFileEnd: return PCX_ERR_FILE_IO;
    case Status::ItemShorterThanHeader: return PCX_ERR_FILE_IO;
    case Status::DcxTooLong: return PCX_ERR_FILE_IO;
    case Status::NoItems: return PCX_ERR_EMPTY_DCX;
    }
    return PCX_ERR_FILE_IO;
}

}  // namespace

PcxErrorCode ExportCodeOf(Status status, ExportGroup group) {
    switch (group) {
    case ExportGroup::Common: break;
    case ExportGroup::DcxPageRead:
        if (status == Status::ItemNotListed) return PCX_OK;
        break;
    case ExportGroup::DcxAddThroughCopy:
        if (status == Status::NotDcx || status == Status::DirectoryUnreadable || status == Status::DirectoryCutShort ||
            status == Status::DirectoryFull)
            return PCX_ERR_NO_ITEM;
        break;
    case ExportGroup::DcxDelete:
        if (status == Status::NotDcx || status == Status::DirectoryUnreadable || status == Status::DirectoryCutShort)
            return PCX_ERR_NO_ITEM;
        break;
    case ExportGroup::DcxItemEncoding:
        if (status != Status::Ok) return PCX_ERR_FILE_IO;
        break;
    case ExportGroup::AppendToPcxFile:
        if (status == Status::TrailerUnreadable) return PCX_ERR_ALLOC;
        break;
    case ExportGroup::DibDecode:
        if (status == Status::LockFailed) return PCX_ERR_ALLOC;
        break;
    case ExportGroup::MemoryBitmapDecode:
        if (status == Status::StoppedByLineFunction) return PCX_ERR_CREATE_BITMAP;
        break;
    }
    return CommonCode(status);
}
