// The clock and the summary every benchmark program of tools/bench uses:
// seconds from the performance counter, the median of a run's times, the
// best and median of a way's runs, and the name an image's file is
// reported by.
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

// The file's name without its folders, in ASCII ('?' for any other
// character): how the programs' tables and machine-readable lines name it.
inline std::string BaseName(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    std::string name;
    for (wchar_t c : slash == std::wstring::npos ? path : path.substr(slash + 1))
        name.push_back(c < 128 ? static_cast<char>(c) : '?');
    return name;
}

}  // namespace kypcx_bench
