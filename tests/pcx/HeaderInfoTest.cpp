// PCXInfoW and GetPCXColorSpaceW: header checks, open modes and bad files.
#include <windows.h>

#include <cstring>

#include "support/KyPcxTestSupport.h"

namespace {

using kypcx_test::HeaderSpec;
using kypcx_test::MakeHeader;
using kypcx_test::ScratchDir;
using kypcx_test::WriteFileBytes;

constexpr PcxErrorCode kUntouched = 4242;

struct InfoCase {
    const char* name;
    uint8_t manufacturer, version, encoding, bitsPerPixel, planes;
    PcxErrorCode expectedCode;  // kUntouched when accepted
    LONG expectedColorSpace;    // -1 when the header is refused even unchecked
};

class HeaderInfo : public ::testing::TestWithParam<InfoCase> {};

TEST_P(HeaderInfo, ChecksInOrderAndReportsTheColorSpace) {
    const InfoCase& c = GetParam();
    ScratchDir dir;
    HeaderSpec spec;
    spec.version = c.version;
    spec.encoding = c.encoding;
    spec.bitsPerPixel = c.bitsPerPixel;
    spec.planes = c.planes;
    spec.xMax = 15;
    spec.yMax = 7;
    spec.bytesPerLine = 16;
    std::vector<uint8_t> bytes = MakeHeader(spec);
    bytes[0] = c.manufacturer;
    bytes.resize(bytes.size() + 200, 0x11);
    const std::wstring path = dir.Path(L"h.pcx");
    WriteFileBytes(path, bytes);

    PcxHeader header;
    std::memset(&header, 0xEE, sizeof header);
    PcxErrorCode code = kUntouched;
    const BOOL ok = KYPCX_EXPORT(PCXInfoW)(path.c_str(), &header, &code);
    EXPECT_EQ(c.expectedCode, code) << c.name;
    EXPECT_EQ(c.expectedCode == kUntouched, ok != FALSE) << c.name;
    if (ok) {
        EXPECT_EQ(0, std::memcmp(&header, bytes.data(), 128)) << c.name << ": header not copied as read";
    }
    EXPECT_EQ(c.expectedColorSpace, KYPCX_EXPORT(GetPCXColorSpaceW)(path.c_str())) << c.name;
}

const InfoCase kInfoCases[] = {
    {"1 plane 1 bit", 0x0A, 5, 1, 1, 1, kUntouched, 1},
    {"1 plane 8 bits", 0x0A, 5, 1, 8, 1, kUntouched, 1},
    {"3 planes 8 bits", 0x0A, 5, 1, 8, 3, kUntouched, 1},
    {"4 planes 1 bit", 0x0A, 5, 1, 1, 4, kUntouched, 1},
    {"version 0", 0x0A, 0, 1, 8, 1, kUntouched, 1},
    {"version 2", 0x0A, 2, 1, 8, 1, kUntouched, 1},
    {"version 3", 0x0A, 3, 1, 8, 1, kUntouched, 1},
    {"version 4", 0x0A, 4, 1, 8, 1, kUntouched, 1},
    {"other manufacturer", 0x42, 5, 1, 8, 1, kUntouched, 1},
    {"version 1", 0x0A, 1, 1, 8, 1, PCX_ERR_VERSION, -1},
    {"version 6", 0x0A, 6, 1, 8, 1, PCX_ERR_VERSION, -1},
    {"bad version and encoding", 0x0A, 1, 0, 8, 1, PCX_ERR_VERSION, -1},
    {"colour space 12", 0x0A, 5, 12, 8, 1, PCX_ERR_ENCODING, 12},
    {"uncoded", 0x0A, 5, 0, 8, 1, PCX_ERR_ENCODING, 0},
    {"bad encoding and planes", 0x0A, 5, 0, 8, 4, PCX_ERR_ENCODING, -1},
    {"1 plane 24 bits", 0x0A, 5, 1, 24, 1, PCX_ERR_HARDWARE_DEPENDENT, -1},
    {"3 planes 1 bit", 0x0A, 5, 1, 1, 3, PCX_ERR_HARDWARE_DEPENDENT, -1},
    {"4 planes 8 bits", 0x0A, 5, 1, 8, 4, PCX_ERR_HARDWARE_DEPENDENT, -1},
    {"1 plane 4 bits", 0x0A, 5, 1, 4, 1, PCX_ERR_HARDWARE_DEPENDENT, -1},
};

INSTANTIATE_TEST_SUITE_P(Table, HeaderInfo, ::testing::ValuesIn(kInfoCases));

// Files that are not PCX images at all, or cannot be opened as the library opens them.
TEST(HeaderInfoBadFiles, AnswerWithACode) {
    ScratchDir dir;
    auto info = KYPCX_EXPORT(PCXInfoW);
    auto colorSpace = KYPCX_EXPORT(GetPCXColorSpaceW);

    struct FileCase {
        const wchar_t* name;
        std::vector<uint8_t> bytes;
        PcxErrorCode expected;
    };
    std::vector<uint8_t> valid = MakeHeader(HeaderSpec{});
    std::vector<uint8_t> shortHeader(valid.begin(), valid.begin() + 127);
    std::vector<uint8_t> random(300);
    uint32_t seed = 99;
    for (uint8_t& b : random) b = static_cast<uint8_t>((seed = seed * 1103515245u + 12345u) >> 16);
    const FileCase cases[] = {
        {L"empty.pcx", {}, PCX_ERR_FILE_IO},
        {L"short.pcx", shortHeader, PCX_ERR_FILE_IO},
        {L"one.pcx", {0x0A}, PCX_ERR_FILE_IO},
        {L"random.pcx", random, PCX_ERR_VERSION},
    };
    for (const FileCase& c : cases) {
        const std::wstring path = dir.Path(c.name);
        WriteFileBytes(path, c.bytes);
        PcxHeader header;
        PcxErrorCode code = kUntouched;
        EXPECT_FALSE(info(path.c_str(), &header, &code)) << kypcx_test::Narrow(c.name);
        EXPECT_EQ(c.expected, code) << kypcx_test::Narrow(c.name);
        EXPECT_EQ(-1, colorSpace(path.c_str())) << kypcx_test::Narrow(c.name);
        // The handle was released: the file can be opened exclusively again.
        HANDLE f = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        EXPECT_NE(INVALID_HANDLE_VALUE, f) << kypcx_test::Narrow(c.name) << " left open";
        CloseHandle(f);
    }

    PcxHeader header;
    for (const std::wstring& path : {dir.Path(L"missing.pcx"), dir.dir()}) {
        PcxErrorCode code = kUntouched;
        EXPECT_FALSE(info(path.c_str(), &header, &code));
        EXPECT_EQ(PCX_ERR_OPEN_FILE, code);
        EXPECT_EQ(-1, colorSpace(path.c_str()));
    }
}

TEST(HeaderInfoBadFiles, ReadOnlyOrHeldFilesCannotBeInspected) {
    ScratchDir dir;
    HeaderSpec spec;
    spec.xMax = 7;
    spec.bytesPerLine = 8;
    const std::wstring readOnly = dir.Path(L"readonly.pcx");
    WriteFileBytes(readOnly, MakeHeader(spec));
    SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_READONLY);
    PcxHeader header;
    PcxErrorCode code = kUntouched;
    // Where the system lets this user write a read-only file anyway (root
    // under Wine), there is nothing for the library to refuse.
    HANDLE trial = CreateFileW(readOnly.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    const bool readOnlyEnforced = trial == INVALID_HANDLE_VALUE;
    if (!readOnlyEnforced) CloseHandle(trial);
    if (readOnlyEnforced) {
        EXPECT_FALSE(KYPCX_EXPORT(PCXInfoW)(readOnly.c_str(), &header, &code));
        EXPECT_EQ(PCX_ERR_OPEN_FILE, code);
        EXPECT_EQ(-1, KYPCX_EXPORT(GetPCXColorSpaceW)(readOnly.c_str()));
    }

    const std::wstring held = dir.Path(L"held.pcx");
    WriteFileBytes(held, MakeHeader(spec));
    HANDLE other = CreateFileW(held.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, other);
    code = kUntouched;
    EXPECT_FALSE(KYPCX_EXPORT(PCXInfoW)(held.c_str(), &header, &code));
    EXPECT_EQ(PCX_ERR_OPEN_FILE, code);
    EXPECT_EQ(-1, KYPCX_EXPORT(GetPCXColorSpaceW)(held.c_str()));
    CloseHandle(other);
    code = kUntouched;
    EXPECT_TRUE(KYPCX_EXPORT(PCXInfoW)(held.c_str(), &header, &code));
    EXPECT_EQ(kUntouched, code);
}

}  // namespace
