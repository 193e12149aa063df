// What the Windows benchmark programs share: the clock (seconds from the
// performance counter), the median of a run's times, the best and median of
// a way's runs, reading a file whole,
// writing a DCX file of many copies of one page, and a file's name for the
// report lines.
#pragma once

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

namespace kypcx_bench {

inline double NowSeconds() {
    static const LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / static_cast<double>(frequency.QuadPart);
}

inline double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    if (n == 0) return 0;
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// The times of a way's runs, in seconds, and their best and median in
// milliseconds.
struct Timing {
    std::vector<double> seconds;
    double BestMs() const { return seconds.empty() ? 0 : *std::min_element(seconds.begin(), seconds.end()) * 1e3; }
    double MedianMs() const { return Median(seconds) * 1e3; }
};

// Reads the file at `path` whole; false when it cannot be read.
inline bool ReadWhole(const std::wstring& path, std::vector<BYTE>* bytes) {
    HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    const DWORD size = GetFileSize(f, nullptr);
    bytes->resize(size);
    DWORD got = 0;
    const bool ok = size != INVALID_FILE_SIZE && ReadFile(f, bytes->data(), size, &got, nullptr) && got == size;
    CloseHandle(f);
    return ok;
}

// Writes `pages` copies of `page` behind a directory that lists them.
inline bool WriteDcx(const std::wstring& path, const std::vector<BYTE>& page, unsigned pages) {
    std::vector<DWORD> directory(1024, 0);
    directory[0] = 987654321;
    for (unsigned i = 0; i < pages; ++i) directory[i + 1] = static_cast<DWORD>(4096 + size_t(i) * page.size());
    HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool ok = WriteFile(f, directory.data(), 4096, &written, nullptr) && written == 4096;
    for (unsigned i = 0; ok && i < pages; ++i)
        ok = WriteFile(f, page.data(), static_cast<DWORD>(page.size()), &written, nullptr) && written == page.size();
    CloseHandle(f);
    return ok;
}

// `text` in ASCII, '?' for the rest.
inline std::string Narrow(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text) out.push_back(c < 128 ? static_cast<char>(c) : '?');
    return out;
}

// The file name of `path`, without its folder.
inline std::string BaseName(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    return Narrow(slash == std::wstring::npos ? path : path.substr(slash + 1));
}

}  // namespace kypcx_bench
