// Loading the library, scratch files and fixture headers for the tests.
#include "support/KyPcxTestSupport.h"

#include <cstring>

namespace kypcx_test {

HMODULE Library() {
    static HMODULE module = LoadLibraryW(L"KyPCX.dll");
    if (module == nullptr) ADD_FAILURE() << "cannot load KyPCX.dll, error " << GetLastError();
    return module;
}

bool UnderI386Emulation() {
    // Wine hands the Unix environment to Windows programs.
    wchar_t value[64];
    return GetEnvironmentVariableW(L"KYPCX_I386_EMULATOR", value, 64) > 0;
}

ScratchDir::ScratchDir() {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    static LONG counter = 0;
    wchar_t name[MAX_PATH];
    // Wine hands a process id out again once its process has ended, so a
    // directory of this name may be one a crashed program left behind: only
    // a directory made here is taken.
    do {
        wsprintfW(name, L"%skypcx-test-%lu-%ld", temp, GetCurrentProcessId(), InterlockedIncrement(&counter));
    } while (!CreateDirectoryW(name, nullptr) && GetLastError() == ERROR_ALREADY_EXISTS);
    dir_ = name;
}

ScratchDir::~ScratchDir() {
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((dir_ + L"\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            if (std::wcscmp(data.cFileName, L".") == 0 || std::wcscmp(data.cFileName, L"..") == 0) continue;
            const std::wstring path = Path(data.cFileName);
            SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (!DeleteFileW(path.c_str())) RemoveDirectoryW(path.c_str());
        } while (FindNextFileW(find, &data));
        FindClose(find);
    }
    RemoveDirectoryW(dir_.c_str());
}

std::string ScratchDir::PathA(const std::string& name) const { return Narrow(dir_) + "\\" + name; }

std::string Narrow(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text) out += static_cast<char>(c < 128 ? c : '?');
    return out;
}

void WriteFileBytes(const std::wstring& path, const std::vector<uint8_t>& bytes) {
    HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, f) << "cannot create " << Narrow(path);
    DWORD written = 0;
    if (!bytes.empty()) WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(f);
    ASSERT_EQ(bytes.size(), written);
}

std::vector<uint8_t> ReadFileBytes(const std::wstring& path) {
    std::vector<uint8_t> bytes;
    HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return bytes;
    bytes.resize(GetFileSize(f, nullptr));
    DWORD got = 0;
    if (!bytes.empty()) ReadFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
    bytes.resize(got);
    CloseHandle(f);
    return bytes;
}

namespace {

HANDLE OpenAt(const std::wstring& path, DWORD access, ULONGLONG offset) {
    HANDLE f = CreateFileW(path.c_str(), access, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return f;
    LARGE_INTEGER to;
    to.QuadPart = static_cast<LONGLONG>(offset);
    if (!SetFilePointerEx(f, to, nullptr, FILE_BEGIN)) {
        CloseHandle(f);
        return INVALID_HANDLE_VALUE;
    }
    return f;
}

}  // namespace

bool SetFileLength(const std::wstring& path, ULONGLONG length) {
    HANDLE f = OpenAt(path, GENERIC_WRITE, length);
    if (f == INVALID_HANDLE_VALUE) return false;
    const bool set = SetEndOfFile(f) != FALSE;
    CloseHandle(f);
    return set;
}

ULONGLONG FileLength(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (ULONGLONG{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
}

bool WriteFileBytesAt(const std::wstring& path, ULONGLONG offset, const std::vector<uint8_t>& bytes) {
    HANDLE f = OpenAt(path, GENERIC_WRITE, offset);
    if (f == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool ok = WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                    written == bytes.size();
    CloseHandle(f);
    return ok;
}

std::vector<uint8_t> ReadFileBytesAt(const std::wstring& path, ULONGLONG offset, size_t count) {
    std::vector<uint8_t> bytes;
    HANDLE f = OpenAt(path, GENERIC_READ, offset);
    if (f == INVALID_HANDLE_VALUE) return bytes;
    bytes.resize(count);
    DWORD got = 0;
    if (count == 0 || !ReadFile(f, bytes.data(), static_cast<DWORD>(count), &got, nullptr)) got = 0;
    bytes.resize(got);
    CloseHandle(f);
    return bytes;
}

std::wstring CorpusDir() {
    // The corpus lives in shared/corpus beside the project: the test programs
    // sit in <project>/build/win32/bin, or wherever KYPCX_CORPUS points.
    wchar_t env[MAX_PATH];
    if (GetEnvironmentVariableW(L"KYPCX_CORPUS", env, MAX_PATH) > 0) return env;
    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring dir = exe;
    for (int up = 0; up < 8; ++up) {
        const size_t slash = dir.find_last_of(L"\\/");
        if (slash == std::wstring::npos) break;
        dir.resize(slash);
        const std::wstring candidate = dir + L"\\shared\\corpus";
        const DWORD attrs = GetFileAttributesW(candidate.c_str());
        if (attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_DIRECTORY)) return candidate;
    }
    return L"";
}

std::vector<std::wstring> FilesUnder(const std::wstring& dir, const std::vector<std::wstring>& suffixes) {
    std::vector<std::wstring> found;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((dir + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return found;
    do {
        const std::wstring name = data.cFileName;
        if (name == L"." || name == L"..") continue;
        const std::wstring path = dir + L"\\" + name;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            for (const std::wstring& p : FilesUnder(path, suffixes)) found.push_back(p);
            continue;
        }
        for (const std::wstring& suffix : suffixes) {
            if (name.size() >= suffix.size() &&
                _wcsicmp(name.c_str() + name.size() - suffix.size(), suffix.c_str()) == 0) {
                found.push_back(path);
                break;
            }
        }
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return found;
}

std::vector<uint8_t> MakeHeader(const HeaderSpec& spec) {
    std::vector<uint8_t> h(128, 0);
    auto put16 = [&](size_t at, int16_t v) {
        h[at] = static_cast<uint8_t>(v & 0xFF);
        h[at + 1] = static_cast<uint8_t>((static_cast<uint16_t>(v) >> 8) & 0xFF);
    };
    h[0] = 0x0A;
    h[1] = spec.version;
    h[2] = spec.encoding;
    h[3] = spec.bitsPerPixel;
    put16(4, spec.xMin);
    put16(6, spec.yMin);
    put16(8, spec.xMax);
    put16(10, spec.yMax);
    put16(12, spec.hDpi);
    put16(14, spec.vDpi);
    for (size_t i = 0; i < spec.palette.size() && i < 48; ++i) h[16 + i] = spec.palette[i];
    h[65] = spec.planes;
    put16(66, spec.bytesPerLine);
    return h;
}

}  // namespace kypcx_test
