// LoadPCXW/A: what lands in the caller's device context (compared with the
// decoder's picture), the progress gauge's life, and what the call leaves
// behind: the caller's pen, cursor and mouse capture, no window, and nothing
// painted for a file it refuses.
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "support/DibView.h"
#include "support/KyPcxTestSupport.h"
#include "support/PcxFixtures.h"

namespace {

using kypcx_test::PcxFixture;
using kypcx_test::Rgb;
using kypcx_test::RunOf;
using kypcx_test::ScratchDir;
using Bytes = std::vector<uint8_t>;

constexpr int kCanvasWidth = 64;
constexpr int kCanvasHeight = 40;
constexpr COLORREF kUntouched = RGB(1, 2, 3);

// A memory device context holding a 32-bit top-down DIB section, filled with
// kUntouched, so that every pixel the painter sets can be read back.
class Canvas {
public:
    Canvas() {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = kCanvasWidth;
        info.bmiHeader.biHeight = -kCanvasHeight;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        dc_ = CreateCompatibleDC(nullptr);
        section_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0);
        previousBitmap_ = SelectObject(dc_, section_);
        for (int i = 0; i < kCanvasWidth * kCanvasHeight; ++i)
            bits_[i] = (GetRValue(kUntouched) << 16) | (GetGValue(kUntouched) << 8) | GetBValue(kUntouched);
    }
    ~Canvas() {
        SelectObject(dc_, previousBitmap_);
        DeleteObject(section_);
        DeleteDC(dc_);
    }
    HDC dc() const { return dc_; }
    Rgb At(int x, int y) const {
        GdiFlush();
        const DWORD p = bits_[y * kCanvasWidth + x];
        return Rgb{uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p)};
    }
    // Pixels outside the w x h rectangle at the origin that were painted.
    int PaintedOutside(int w, int h) const {
        int painted = 0;
        for (int y = 0; y < kCanvasHeight; ++y)
            for (int x = 0; x < kCanvasWidth; ++x)
                if ((x >= w || y >= h) && !(At(x, y) == Untouched())) ++painted;
        return painted;
    }
    static Rgb Untouched() { return Rgb{GetRValue(kUntouched), GetGValue(kUntouched), GetBValue(kUntouched)}; }

private:
    HDC dc_ = nullptr;
    HBITMAP section_ = nullptr;
    HGDIOBJ previousBitmap_ = nullptr;
    DWORD* bits_ = nullptr;
};

// Codes raw scan-line bytes: runs of equal bytes as count bytes, lone bytes
// below 0xC0 as themselves.
Bytes Encode(const Bytes& raw) {
    Bytes out;
    for (size_t i = 0; i < raw.size();) {
        size_t n = 1;
        while (i + n < raw.size() && raw[i + n] == raw[i] && n < 63) ++n;
        if (n == 1 && raw[i] < 0xC0) {
            out.push_back(raw[i]);
        } else {
            out.push_back(static_cast<uint8_t>(0xC0 | n));
            out.push_back(raw[i]);
        }
        i += n;
    }
    return out;
}

// A 16-colour image of w x h whose pixel (x, y) has index (x * 3 + y * 5 + x * y) mod 16,
// with runs of equal colour in its left third; palette entry 1 is pure red.
PcxFixture SixteenColorPicture(int w, int h) {
    PcxFixture f;
    f.header.bitsPerPixel = 1;
    f.header.planes = 4;
    f.header.xMin = 100;
    f.header.yMin = -7;
    f.header.xMax = int16_t(100 + w - 1);
    f.header.yMax = int16_t(-7 + h - 1);
    const int bytesPerLine = ((w + 15) / 16) * 2;
    f.header.bytesPerLine = int16_t(bytesPerLine);
    f.header.palette = kypcx_test::SixteenColorPalette();
    f.header.palette[3] = 255;
    f.header.palette[4] = 0;
    f.header.palette[5] = 0;
    for (int y = 0; y < h; ++y) {
        Bytes line(4 * bytesPerLine, 0);
        for (int x = 0; x < w; ++x) {
            const int index = x < w / 3 ? (y % 3) : (x * 3 + y * 5 + x * y) % 16;
            for (int plane = 0; plane < 4; ++plane)
                if (index & (1 << plane)) line[plane * bytesPerLine + x / 8] |= uint8_t(0x80 >> (x % 8));
        }
        kypcx_test::Append(f.data, Encode(line));
    }
    return f;
}

PcxFixture MonoPicture() {
    PcxFixture f = kypcx_test::fixtures::MonoGreys();
    f.header.palette = {0, 0, 200, 250, 240, 10};  // entry 0 dark blue, entry 1 yellow
    return f;
}

// Windows of the "scrollbar" class the library creates, seen by a CBT hook
// on the calling thread (the painter pumps no messages, so no other thread
// could see the gauge change).
struct GaugeWatch {
    int created = 0;
    int destroyed = 0;
    HWND window = nullptr;
    CREATESTRUCTW create = {};
    int rangeMin = -1, rangeMax = -1, lastPosition = -1;
    HHOOK hook = nullptr;
};
GaugeWatch* g_watch = nullptr;

bool IsScrollBar(HWND window) {
    wchar_t name[32] = {};
    GetClassNameW(window, name, 32);
    return lstrcmpiW(name, L"ScrollBar") == 0;
}

LRESULT CALLBACK WatchGauge(int code, WPARAM wParam, LPARAM lParam) {
    HWND window = reinterpret_cast<HWND>(wParam);
    if (code == HCBT_CREATEWND && IsScrollBar(window)) {
        ++g_watch->created;
        g_watch->window = window;
        g_watch->create = *reinterpret_cast<CBT_CREATEWNDW*>(lParam)->lpcs;
    } else if (code == HCBT_DESTROYWND && window == g_watch->window) {
        ++g_watch->destroyed;
        GetScrollRange(window, SB_CTL, &g_watch->rangeMin, &g_watch->rangeMax);
        g_watch->lastPosition = GetScrollPos(window, SB_CTL);
    }
    return CallNextHookEx(g_watch->hook, code, wParam, lParam);
}

// Every pixel of the image is its header-palette colour at the index the
// decoder reads there, and nothing outside the image is painted.
void ExpectPaintedAsDecoded(const Canvas& canvas, const std::wstring& path, const PcxFixture& f, int w, int h) {
    PcxErrorCode code = 0;
    HGLOBAL dib = KYPCX_EXPORT(LoadPCXIntoDIBW)(path.c_str(), &code);
    ASSERT_NE(nullptr, dib) << "code " << code;
    {
        kypcx_test::DibView view(dib);
        ASSERT_EQ(w, view.header().biWidth);
        ASSERT_EQ(h, std::abs(view.header().biHeight));
        int wrong = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const int i = view.Index(x, y);
                const Rgb expected{f.header.palette[3 * i], f.header.palette[3 * i + 1], f.header.palette[3 * i + 2]};
                const Rgb got = canvas.At(x, y);
                if (!(got == expected) && ++wrong <= 5)
                    ADD_FAILURE() << "pixel (" << x << ", " << y << ") index " << i << ": expected "
                                  << int(expected.r) << "," << int(expected.g) << "," << int(expected.b) << ", got "
                                  << int(got.r) << "," << int(got.g) << "," << int(got.b);
            }
    }
    GlobalFree(dib);
    EXPECT_EQ(0, canvas.PaintedOutside(w, h));
}

BOOL CALLBACK CountWindow(HWND, LPARAM counter) {
    ++*reinterpret_cast<int*>(counter);
    return TRUE;
}

// Top-level windows of this thread, for "none is left behind".
int ThreadWindowCount() {
    int count = 0;
    EnumThreadWindows(GetCurrentThreadId(), CountWindow, reinterpret_cast<LPARAM>(&count));
    return count;
}

class Paint : public ::testing::Test {
protected:
    void SetUp() override {
        g_watch = &watch_;
        watch_.hook = SetWindowsHookExW(WH_CBT, WatchGauge, nullptr, GetCurrentThreadId());
        ASSERT_NE(nullptr, watch_.hook);
    }
    void TearDown() override {
        UnhookWindowsHookEx(watch_.hook);
        g_watch = nullptr;
    }
    std::wstring Write(const std::wstring& name, const Bytes& bytes) {
        const std::wstring path = dir_.Path(name);
        kypcx_test::WriteFileBytes(path, bytes);
        return path;
    }

    ScratchDir dir_;
    GaugeWatch watch_;
};

TEST_F(Paint, PaintsSixteenColorAndMonochromeFilesAsTheDecoderReadsThem) {
    struct Case {
        const char* name;
        PcxFixture fixture;
        int w, h;
    } cases[] = {
        {"16 colours, 37 x 25 at (100, -7)", SixteenColorPicture(37, 25), 37, 25},
        {"16 colours, 9 x 2", kypcx_test::fixtures::SixteenColors(), 9, 2},
        {"1 bit, 10 x 2 at (1, 1)", MonoPicture(), 10, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Canvas canvas;
        const std::wstring path = Write(L"picture.pcx", c.fixture.Bytes());
        EXPECT_EQ(1, KYPCX_EXPORT(LoadPCXW)(FALSE, canvas.dc(), path.c_str()));
        ExpectPaintedAsDecoded(canvas, path, c.fixture, c.w, c.h);
        EXPECT_EQ(0, watch_.created) << "no gauge without the flag";
    }
}

TEST_F(Paint, AnsiFormPaintsTheSamePicture) {
    const PcxFixture f = SixteenColorPicture(20, 6);
    const std::wstring path = Write(L"ansi.pcx", f.Bytes());
    Canvas canvas;
    EXPECT_EQ(1, KYPCX_EXPORT(LoadPCXA)(FALSE, canvas.dc(), dir_.PathA("ansi.pcx").c_str()));
    ExpectPaintedAsDecoded(canvas, path, f, 20, 6);
}

TEST_F(Paint, PaintsTheFormatsEdgesAsTheFormatSays) {
    // A run that crosses the end of a line loses its surplus; the next line
    // starts with the next code byte. One plane, 8 x 2: row 0 is one run of
    // 0xFF that claims 5 bytes, row 1 is 0x0F.
    PcxFixture crossing;
    crossing.header.bitsPerPixel = 1;
    crossing.header.planes = 1;
    crossing.header.xMax = 7;
    crossing.header.yMax = 1;
    crossing.header.bytesPerLine = 1;
    crossing.header.palette = {10, 20, 30, 200, 210, 220};
    crossing.data = {0xC5, 0xFF, 0x0F};
    // Three planes (a 24-bit image): a solid rectangle in palette entry 0.
    PcxFixture threePlanes = kypcx_test::fixtures::TrueColor();
    threePlanes.header.palette = {7, 77, 177};

    Canvas a;
    EXPECT_EQ(1, KYPCX_EXPORT(LoadPCXW)(FALSE, a.dc(), Write(L"crossing.pcx", crossing.Bytes()).c_str()));
    for (int x = 0; x < 8; ++x) {
        EXPECT_EQ((Rgb{200, 210, 220}), a.At(x, 0)) << x;
        EXPECT_EQ(x < 4 ? (Rgb{10, 20, 30}) : (Rgb{200, 210, 220}), a.At(x, 1)) << x;
    }
    EXPECT_EQ(0, a.PaintedOutside(8, 2));

    Canvas b;
    EXPECT_EQ(1, KYPCX_EXPORT(LoadPCXW)(FALSE, b.dc(), Write(L"rgb.pcx", threePlanes.Bytes()).c_str()));
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 10; ++x) EXPECT_EQ((Rgb{7, 77, 177}), b.At(x, y)) << x << "," << y;
    EXPECT_EQ(0, b.PaintedOutside(10, 2));
}

TEST_F(Paint, TruncatedFilePaintsItsCompleteRows) {
    // The first four rows of a 16 x 10 picture are coded as those of a
    // 16 x 4 one; the file is cut three bytes into row 4.
    const PcxFixture fourRows = SixteenColorPicture(16, 4);
    Bytes bytes = SixteenColorPicture(16, 10).Bytes();
    bytes.resize(128 + fourRows.data.size() + 3);
    Canvas canvas;
    EXPECT_EQ(1, KYPCX_EXPORT(LoadPCXW)(TRUE, canvas.dc(), Write(L"cut.pcx", bytes).c_str()));
    ExpectPaintedAsDecoded(canvas, Write(L"four.pcx", fourRows.Bytes()), fourRows, 16, 4);
    EXPECT_EQ(1, watch_.created);
    EXPECT_EQ(1, watch_.destroyed);
}

TEST_F(Paint, GaugeLivesOnlyDuringTheCall) {
    const std::wstring path = Write(L"gauge.pcx", SixteenColorPicture(37, 25).Bytes());
    const int windowsBefore = ThreadWindowCount();
    Canvas canvas;
    EXPECT_EQ(1, KYPCX_EXPORT(LoadPCXW)(TRUE, canvas.dc(), path.c_str()));
    ASSERT_EQ(1, watch_.created);
    EXPECT_EQ(1, watch_.destroyed) << "the gauge is destroyed before the call returns";
    EXPECT_FALSE(IsWindow(watch_.window));
    EXPECT_EQ(windowsBefore, ThreadWindowCount());
    const CREATESTRUCTW& cs = watch_.create;
    EXPECT_EQ(DWORD(WS_POPUP | WS_VISIBLE), DWORD(cs.style) & ~DWORD(SBS_VERT)) << std::hex << cs.style;
    EXPECT_EQ(0, cs.style & SBS_VERT) << "a horizontal bar";
    EXPECT_EQ(nullptr, cs.hwndParent);
    EXPECT_EQ(kypcx_test::Library(), cs.hInstance);
    EXPECT_EQ(180, cs.x);
    EXPECT_EQ(160, cs.y);
    EXPECT_EQ(240, cs.cx);
    EXPECT_EQ(48, cs.cy);
    // 25 rows: range 0..25, the thumb last moved at row 20.
    EXPECT_EQ(0, watch_.rangeMin);
    EXPECT_EQ(25, watch_.rangeMax);
    EXPECT_EQ(20, watch_.lastPosition);
}

// The window procedure of the test's own window: notes when it loses the
// mouse capture.
int g_captureLosses = 0;
LRESULT CALLBACK OwnerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CAPTURECHANGED) ++g_captureLosses;
    return DefWindowProcW(window, message, wParam, lParam);
}

TEST_F(Paint, LeavesThePenTheCursorAndTheCaptureAsTheyWere) {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = OwnerWindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"KyPcxPaintOwner";
    RegisterClassW(&wc);
    HWND owner = CreateWindowExW(0, wc.lpszClassName, L"owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100,
                                 nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(nullptr, owner);
    SetActiveWindow(owner);
    ASSERT_EQ(owner, GetActiveWindow());

    const std::wstring path = Write(L"pen.pcx", SixteenColorPicture(37, 25).Bytes());
    struct Before {
        bool captured;
        BOOL gauge;
    };
    for (const Before before : {Before{false, FALSE}, Before{true, FALSE}, Before{false, TRUE}, Before{true, TRUE}}) {
        SCOPED_TRACE(std::string(before.captured ? "the window held the mouse" : "nobody held the mouse") +
                     (before.gauge ? ", with the gauge" : ""));
        if (before.captured) SetCapture(owner);
        Canvas canvas;
        HPEN callersPen = CreatePen(PS_DASH, 1, RGB(9, 8, 7));
        SelectObject(canvas.dc(), callersPen);
        HCURSOR cross = LoadCursorW(nullptr, IDC_CROSS);
        SetCursor(cross);
        g_captureLosses = 0;

        EXPECT_EQ(1, KYPCX_EXPORT(LoadPCXW)(before.gauge, canvas.dc(), path.c_str()));

        EXPECT_EQ(owner, GetActiveWindow());
        EXPECT_EQ(callersPen, GetCurrentObject(canvas.dc(), OBJ_PEN));
        EXPECT_EQ(cross, GetCursor());
        EXPECT_EQ(before.captured ? owner : nullptr, GetCapture());
        // Without the gauge the caller's window is the active one and holds
        // the mouse during the call (the shown gauge takes the activation).
        if (!before.captured && !before.gauge) {
            EXPECT_EQ(1, g_captureLosses) << "the active window held the mouse during the call";
        }
        ReleaseCapture();
        SelectObject(canvas.dc(), GetStockObject(BLACK_PEN));
        EXPECT_TRUE(DeleteObject(callersPen));
    }
    DestroyWindow(owner);
    UnregisterClassW(wc.lpszClassName, wc.hInstance);
}

TEST_F(Paint, RefusesWhatCannotBeAPictureAndPaintsNothing) {
    const PcxFixture good = SixteenColorPicture(16, 4);
    auto withHeader = [&](void (*change)(kypcx_test::HeaderSpec&)) {
        PcxFixture f = good;
        change(f.header);
        return f.Bytes();
    };
    Bytes bmp = {'B', 'M', 0x46, 0, 0, 0, 0, 0, 0, 0, 0x36, 0, 0, 0, 40, 0, 0, 0};
    bmp.resize(200, 0x11);
    Bytes shortHeader = good.Bytes();
    shortHeader.resize(100);
    struct Case {
        const char* name;
        Bytes bytes;
    } cases[] = {
        {"empty file", {}},
        {"shorter than a header", shortHeader},
        {"a BMP file", bmp},
        {"zero-filled", Bytes(400, 0)},
        {"version 1", withHeader([](kypcx_test::HeaderSpec& h) { h.version = 1; })},
        {"width below 1", withHeader([](kypcx_test::HeaderSpec& h) { h.xMax = int16_t(h.xMin - 1); })},
        {"height below 1", withHeader([](kypcx_test::HeaderSpec& h) { h.yMax = int16_t(h.yMin - 2); })},
        {"no planes", withHeader([](kypcx_test::HeaderSpec& h) { h.planes = 0; })},
        {"bytes per line 0", withHeader([](kypcx_test::HeaderSpec& h) { h.bytesPerLine = 0; })},
        {"bytes per line negative", withHeader([](kypcx_test::HeaderSpec& h) { h.bytesPerLine = -32000; })},
        {"bytes per line too few", withHeader([](kypcx_test::HeaderSpec& h) { h.bytesPerLine = 1; })},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Canvas canvas;
        EXPECT_EQ(0, KYPCX_EXPORT(LoadPCXW)(TRUE, canvas.dc(), Write(L"bad.pcx", c.bytes).c_str()));
        EXPECT_EQ(0, canvas.PaintedOutside(0, 0));
        EXPECT_EQ(0, watch_.created) << "no gauge for a refused file";
    }
    Canvas canvas;
    EXPECT_EQ(0, KYPCX_EXPORT(LoadPCXW)(TRUE, canvas.dc(), dir_.Path(L"missing.pcx").c_str()));
    EXPECT_EQ(0, KYPCX_EXPORT(LoadPCXW)(TRUE, canvas.dc(), nullptr));
    EXPECT_EQ(0, KYPCX_EXPORT(LoadPCXA)(TRUE, canvas.dc(), nullptr));
    EXPECT_EQ(0, canvas.PaintedOutside(0, 0));
}

TEST_F(Paint, PaintsReadOnlyFilesAndFilesOthersAreReading) {
    const PcxFixture f = SixteenColorPicture(16, 4);
    const std::wstring readOnly = Write(L"readonly.pcx", f.Bytes());
    ASSERT_TRUE(SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_READONLY));
    Canvas a;
    EXPECT_EQ(1, KYPCX_EXPORT(LoadPCXW)(FALSE, a.dc(), readOnly.c_str()));
    ExpectPaintedAsDecoded(a, readOnly, f, 16, 4);

    const std::wstring shared = Write(L"shared.pcx", f.Bytes());
    HANDLE reader = CreateFileW(shared.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, reader);
    Canvas b;
    EXPECT_EQ(1, KYPCX_EXPORT(LoadPCXW)(FALSE, b.dc(), shared.c_str()));
    // An opener that shares nothing still keeps the painter out.
    HANDLE exclusive = CreateFileW(readOnly.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    Canvas c;
    EXPECT_EQ(0, KYPCX_EXPORT(LoadPCXW)(FALSE, c.dc(), readOnly.c_str()));
    CloseHandle(exclusive);
    CloseHandle(reader);
    ExpectPaintedAsDecoded(b, shared, f, 16, 4);
}

}  // namespace
