// The two file formats the codec writes, described once for the encoders and
// for registration: each is an encoder class of its own, with the container
// format, extension and MIME type of the decoder of the same files
// (CodecFormats.h), and the most frames its files hold.
#pragma once

#include <windows.h>

#include <cstdint>

#include "codec/CodecFormats.h"

struct EncoderFormat {
    const CodecFormat& files;  // container format, extension, MIME type
    const CLSID* encoderClass;
    const wchar_t* friendlyName;
    uint32_t maxFrames;        // 1 for a PCX file, 1022 pages for a DCX file
};

// Both formats, PCX first.
extern const EncoderFormat kEncoderFormats[2];
// The format whose encoder class is `clsid`; null for another class.
const EncoderFormat* FindEncoderFormat(REFCLSID clsid);
