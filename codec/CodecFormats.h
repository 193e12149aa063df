// The two file formats the codec decodes, described once for the decoders
// and for registration: each is a decoder class of its own with a container
// format of its own, its file extension, MIME type and the byte patterns by
// which the imaging factory recognises its files.
//
// Why two: a DCX file is a format of its own, not a PCX file (its own first
// bytes, extension and page directory, several images where a PCX file has
// one). With a container format each, a program that opened a file learns
// which of the two it was (GetContainerFormat), a program can ask for either
// by name (CreateDecoder), and each decoder's registration describes its own
// files exactly: one extension, one MIME type, its own patterns.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

enum class CodecContainer { Pcx, Dcx };

// Bytes a file must hold at `position` (from the start) after `mask` is
// applied to them.
struct CodecPattern {
    uint32_t position;
    uint32_t length;
    const uint8_t* pattern;
    const uint8_t* mask;
};

struct CodecFormat {
    CodecContainer container;
    const CLSID* decoderClass;
    const GUID* containerFormat;
    const wchar_t* friendlyName;
    const wchar_t* fileExtensions;
    const wchar_t* mimeTypes;
    bool multipleFrames;
    const CodecPattern* patterns;
    size_t patternCount;
    // Where several decoders' patterns match a file, the imaging component
    // tries those of higher priority (0 to 10) first.
    DWORD arbitrationPriority;
};

// Both formats, PCX first.
extern const CodecFormat kCodecFormats[2];
const CodecFormat& PcxCodecFormat();
const CodecFormat& DcxCodecFormat();
// The format whose decoder class is `clsid`; null for another class.
const CodecFormat* FindCodecFormat(REFCLSID clsid);

// The pixel formats both decoders give: 1, 4 and 8 bits indexed, 24-bit BGR,
// 32-bit BGRA.
extern const GUID* const kCodecPixelFormats[5];
