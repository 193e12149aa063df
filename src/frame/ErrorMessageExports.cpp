// The error-code message table and GetPCXErrorString.
#include <windows.h>

#include <cstring>

#include "KyPCX.h"

namespace {

constexpr int kMessageCount = 30;

const char* const kMessages[kMessageCount] = {
    "",
    "Don't worry, be happy!",
    "Unable to allocate buffers.",
    "Uninterpreatable version.",
    "Possibly PCX, but doesn't use ZSoft encoding.",
    "Unable to open file.",
    "Unable to create bitmap.",
    "Unable to open clipboard.",
    "Unable to create compatible DC.",
    "Too hardware dependent bitmap.",
    "Error in reading palette info.",
    "Global or local lock error.",
    "Global or local alloc error.",
    "Userfunction return with FALSE.",
    "PCX file and bitmap is not same type.",
    "Error in GetClipboardData function.",
    "Error in _lread.",
    "Error in _lwrite.",
    "File I/O error.",
    "",
    "",
    "Reference to non-exist item number.",
    "Bad DCX file identifier.",
    "Bad item offset in DCX header.",
    "Not enough disk space for file operation.",
    "No empty entry in DCX header.",
    "Unable to delete file.",
    "Unable to rename file.",
    "DCX file doesn't contain any PCX image.",
    "",
};

// Codes outside the table, and a missing code, read as the empty message.
const char* MessageFor(const PcxErrorCode* code) {
    if (code == nullptr || *code < 0 || *code >= kMessageCount) return "";
    return kMessages[*code];
}

}  // namespace

extern "C" char* WINAPI GetPCXErrorString(char* buffer, PcxErrorCode* code) {
    const char* message = MessageFor(code);
    if (buffer != nullptr) {
        std::memcpy(buffer, message, std::strlen(message) + 1);
        return buffer;
    }
    WCHAR text[256];
    wsprintfW(text, L"%S", message);
    MessageBoxW(nullptr, text, L"PCX error", MB_OK | MB_ICONEXCLAMATION);
    return nullptr;
}
