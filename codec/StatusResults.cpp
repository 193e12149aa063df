// The codec's table of results.
#include "codec/StatusResults.h"

#include <wincodec.h>

HRESULT CodecResultOf(kypcx::Status status, HRESULT streamError) {
    using kypcx::Status;
    if (status == Status::Ok) return S_OK;
    if (FAILED(streamError)) return streamError;
    switch (status) {
    case Status::UnknownVersion: return WINCODEC_ERR_UNKNOWNIMAGEFORMAT;
    case Status::HeaderCutShort:
    case Status::UnacceptedEncoding:
    case Status::UndecodableLayout:
    case Status::NoColorsForLayout: return WINCODEC_ERR_BADHEADER;
    case Status::ImageTooLarge:
    case Status::TrailerUnreadable:
    case Status::DataUnreadable:
    case Status::RunCrossesLineEnd: return WINCODEC_ERR_BADIMAGE;
    case Status::NoImageMemory:
    case Status::NoWorkingMemory: return E_OUTOFMEMORY;
    // A DCX file's directory and its pages.
    case Status::NotDcx: return WINCODEC_ERR_UNKNOWNIMAGEFORMAT;
    case Status::DirectoryUnreadable:
    case Status::DirectoryCutShort: return WINCODEC_ERR_BADHEADER;
    case Status::NoSuchItem:
    case Status::ItemNotListed: return WINCODEC_ERR_FRAMEMISSING;
    case Status::ItemOverlapsDirectory:
    case Status::ItemOffsetsOutOfOrder:
    case Status::ItemPastFileEnd:
    case Status::ItemShorterThanHeader: return WINCODEC_ERR_BADIMAGE;
    default: return E_FAIL;  // nothing the reader reports
    }
}

HRESULT CodecWriteResultOf(kypcx::Status status, HRESULT sinkError) {
    using kypcx::Status;
    if (status == Status::Ok) return S_OK;
    if (FAILED(sinkError)) return sinkError;
    switch (status) {
    case Status::WriteShort:
    case Status::LineNotWritten: return WINCODEC_ERR_STREAMWRITE;
    case Status::UndecodableLayout:
    case Status::ImageTooLarge: return WINCODEC_ERR_IMAGESIZEOUTOFRANGE;
    case Status::EndLimitPassed: return HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE);
    case Status::TooManyRows: return E_INVALIDARG;
    case Status::NoImageMemory:
    case Status::NoWorkingMemory: return E_OUTOFMEMORY;
    default: return E_FAIL;  // nothing the writer reports
    }
}
