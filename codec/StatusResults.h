// The codec's side of the vocabulary of failures: the HRESULT a client of
// the imaging component is shown for a status of the reader.
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

// The answer of a method asked for an object the codec does not have (a
// preview, a thumbnail, a metadata reader): E_INVALIDARG for a null `out`,
// otherwise `result` with *out cleared.
template <typename T>
HRESULT AnswerWithoutObject(T** out, HRESULT result) {
    if (out == nullptr) return E_INVALIDARG;
    *out = nullptr;
    return result;
}
