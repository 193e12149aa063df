// The codec's side of the vocabulary of failures: the HRESULT a client of
// the imaging component is shown for a status of the reader, and for one of
// the writer.
#pragma once

#include <windows.h>

#include "kypcx/status.h"

// The HRESULT for `status`: S_OK for Ok; the stream's own failure where the
// stream failed (`streamError`, from StreamImageBytes); otherwise
// WINCODEC_ERR_UNKNOWNIMAGEFORMAT for a version byte the readers do not
// know (no PCX header they can read) or a DCX file's wrong magic,
// WINCODEC_ERR_BADHEADER for the other headers they refuse and a DCX
// directory cut short, WINCODEC_ERR_FRAMEMISSING for a DCX page the
// directory cannot give, WINCODEC_ERR_BADIMAGE for an image whose size,
// data or colours cannot be had and a page whose listed bytes the file does
// not hold, E_OUTOFMEMORY for working memory.
HRESULT CodecResultOf(kypcx::Status status, HRESULT streamError = S_OK);

// The HRESULT for a status of the writer, as the encoders report it: S_OK
// for Ok; the failure of what the bytes went to where it failed
// (`sinkError`: the stream's own HRESULT, or E_OUTOFMEMORY for memory that
// held a frame's lines); otherwise WINCODEC_ERR_STREAMWRITE for bytes that
// were not written, WINCODEC_ERR_IMAGESIZEOUTOFRANGE for a size a PCX header
// cannot hold, HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE) for a page that
// could end past where a DCX file's offsets reach, E_INVALIDARG for rows
// beyond an image's last line, E_OUTOFMEMORY for working memory.
HRESULT CodecWriteResultOf(kypcx::Status status, HRESULT sinkError = S_OK);

// The answer of a method asked for an object the codec does not have (a
// preview, a thumbnail, a metadata reader): E_INVALIDARG for a null `out`,
// otherwise `result` with *out cleared.
template <typename T>
HRESULT AnswerWithoutObject(T** out, HRESULT result) {
    if (out == nullptr) return E_INVALIDARG;
    *out = nullptr;
    return result;
}
