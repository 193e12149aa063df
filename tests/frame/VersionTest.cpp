// GetKyPCXVersion's size rules, and the version resource.
#include <windows.h>

#include <cstring>

#include "support/KyPcxTestSupport.h"

namespace {

struct VersionCase {
    LONG size;
    const char* expected;  // bytes written, terminator included when written
    size_t written;
};

TEST(GetKyPCXVersion, CopiesAsTheSizeAllows) {
    auto version = KYPCX_EXPORT(GetKyPCXVersion);
    const VersionCase cases[] = {
        {14, "Version 12.78", 14},
        {100, "Version 12.78", 14},
        {13, "Version 12.78", 13},  // no terminator
        {7, "Version", 7},
        {1, "V", 1},
        {0, "", 0},
        {-5, "", 0},
    };
    for (const VersionCase& c : cases) {
        char buffer[32];
        std::memset(buffer, '#', sizeof buffer);
        version(buffer, c.size);
        EXPECT_EQ(0, std::memcmp(buffer, c.expected, c.written)) << "size " << c.size;
        EXPECT_EQ('#', buffer[c.written]) << "size " << c.size << ": wrote past what it may";
    }
}

TEST(GetKyPCXVersion, NullBufferIsIgnored) {
    KYPCX_EXPORT(GetKyPCXVersion)(nullptr, 14);
}

TEST(VersionResource, SaysTwelveSeventyEight) {
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(kypcx_test::Library(), path, MAX_PATH);
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path, &ignored);
    ASSERT_GT(size, 0u);
    std::vector<BYTE> data(size);
    ASSERT_TRUE(GetFileVersionInfoW(path, 0, size, data.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(12u, HIWORD(fixed->dwFileVersionMS));
    EXPECT_EQ(78u, LOWORD(fixed->dwFileVersionMS));
    wchar_t* text = nullptr;
    ASSERT_TRUE(VerQueryValueW(data.data(), L"\\StringFileInfo\\040904B0\\FileVersion",
                               reinterpret_cast<void**>(&text), &length));
    EXPECT_STREQ(L"12.78", text);
}

}  // namespace
