// The PCX and DCX formats as the codec registers and writes them.
#include "codec/EncoderFormats.h"

#include "KyPCXCodec.h"
#include "kypcx/dcx_directory.h"

const EncoderFormat kEncoderFormats[2] = {
    {kCodecFormats[0], &CLSID_KyPcxPcxEncoder, L"KyPCX PCX Encoder", 1},
    {kCodecFormats[1], &CLSID_KyPcxDcxEncoder, L"KyPCX DCX Encoder", kypcx::kDcxMaxItems},
};

const EncoderFormat* FindEncoderFormat(REFCLSID clsid) {
    for (const EncoderFormat& format : kEncoderFormats)
        if (IsEqualCLSID(clsid, *format.encoderClass)) return &format;
    return nullptr;
}
