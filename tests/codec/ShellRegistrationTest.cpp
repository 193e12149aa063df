// What registering the codec writes for the shell, through regsvr32 as an
// installer runs it and through the DLL's entries as regsvr32 calls them:
// the perceived and MIME types of .pcx and .dcx, the kind map, the photo
// thumbnail provider on the extensions and under SystemFileAssociations,
// the property handler, the photo viewer's association where the viewer is
// installed, and a change notice to the shell. Unregistering leaves every key and value as it was before
// registering, other programs' values included, whether they were there
// before registering or set since. The program ends with the codec
// registered, as the test run set it up.
#include <windows.h>

#include <shlobj.h>

#include <string>
#include <utility>
#include <vector>

#include "KyPCXCodec.h"
#include "codec/RegistryClient.h"
#include "support/KyPcxTestSupport.h"

namespace {

using kypcx_test::GuidText;
using kypcx_test::RegistryTree;
using kypcx_test::RunRegsvr32;
using kypcx_test::StringValue;

const std::wstring kThumbnailHandler = L"ShellEx\\{e357fccd-a995-4576-b01f-234630154e96}";
const std::wstring kPhotoThumbnails = L"{c7657c4a-9f68-40fa-a4df-96bc08eb3551}";
const std::wstring kKindMap = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\KindMap";
const std::wstring kPropertySystem = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\PropertySystem";
const std::wstring kPropertyHandlers = kPropertySystem + L"\\PropertyHandlers";
const std::wstring kPhotoViewer = L"SOFTWARE\\Microsoft\\Windows Photo Viewer";
const std::wstring kViewerAssociations = kPhotoViewer + L"\\Capabilities\\FileAssociations";
const std::wstring kViewerProgId = L"PhotoViewer.FileAssoc.Tiff";

std::wstring HandlerClass() { return GuidText(CLSID_KyPcxPropertyHandler); }

// A string value registration writes.
struct Expected {
    HKEY root;
    std::wstring path;
    const wchar_t* name;  // null: the key's default value
    std::wstring data;
};

std::string Show(const Expected& e) {
    return std::string(e.root == HKEY_CLASSES_ROOT ? "HKCR\\" : "HKLM\\") + kypcx_test::Narrow(e.path) + " " +
           (e.name != nullptr ? kypcx_test::Narrow(e.name) : "(default)");
}

bool Holds(const Expected& e, REGSAM view = 0) {
    return lstrcmpiW(StringValue(e.root, e.path, e.name, view).c_str(), e.data.c_str()) == 0;
}

// Every value registration writes for the shell, for each file type.
std::vector<Expected> ShellValues() {
    std::vector<Expected> values;
    for (const auto& type : {std::make_pair(L".pcx", L"image/x-pcx"), std::make_pair(L".dcx", L"image/x-dcx")}) {
        const std::wstring extension = type.first;
        values.push_back({HKEY_CLASSES_ROOT, extension, L"PerceivedType", L"image"});
        values.push_back({HKEY_CLASSES_ROOT, extension, L"Content Type", type.second});
        values.push_back({HKEY_CLASSES_ROOT, extension + L"\\" + kThumbnailHandler, nullptr, kPhotoThumbnails});
        values.push_back({HKEY_CLASSES_ROOT, L"SystemFileAssociations\\" + extension + L"\\" + kThumbnailHandler,
                          nullptr, kPhotoThumbnails});
        values.push_back({HKEY_LOCAL_MACHINE, kKindMap, type.first, L"picture"});
        values.push_back({HKEY_LOCAL_MACHINE, kPropertyHandlers + L"\\" + extension, nullptr, HandlerClass()});
    }
    return values;
}

// Every place registration may write into, key and value, in this
// program's registry view or in `view`.
RegistryTree ShellState(REGSAM view = 0) {
    RegistryTree state;
    const struct {
        HKEY root;
        std::wstring path;
    } places[] = {
        {HKEY_CLASSES_ROOT, L".pcx"},
        {HKEY_CLASSES_ROOT, L".dcx"},
        {HKEY_CLASSES_ROOT, L"SystemFileAssociations"},
        {HKEY_CLASSES_ROOT, L"CLSID\\" + HandlerClass()},
        {HKEY_LOCAL_MACHINE, kKindMap},
        {HKEY_LOCAL_MACHINE, kPropertySystem},
        {HKEY_LOCAL_MACHINE, kPhotoViewer},
        {HKEY_LOCAL_MACHINE, L"SOFTWARE\\KyPCX"},
    };
    for (const auto& place : places) {
        const std::wstring root = place.root == HKEY_CLASSES_ROOT ? L"HKCR\\" : L"HKLM\\";
        for (const auto& entry : kypcx_test::Subtree(place.root, place.path, view))
            state[root + entry.first] = entry.second;
    }
    return state;
}

// Each test begins with the codec loaded for its entries, and not
// registered; each leaves it registered, as the test run set it up.
class ShellRegistration : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(codec.loaded());
        ASSERT_EQ(S_OK, codec.Unregister());
    }
    void TearDown() override { EXPECT_EQ(S_OK, codec.Register()); }
    kypcx_test::CodecServer codec;
};

TEST_F(ShellRegistration, WritesEveryValueAndUnregisteringRemovesExactlyThem) {
    const RegistryTree before = ShellState();
    const bool viewerInstalled = kypcx_test::KeyExists(HKEY_LOCAL_MACHINE, kPhotoViewer);
    for (const Expected& e : ShellValues()) EXPECT_FALSE(Holds(e)) << Show(e) << " before registering";

    ASSERT_EQ(0u, RunRegsvr32(L""));
    for (const Expected& e : ShellValues())
        EXPECT_TRUE(Holds(e)) << Show(e) << " = " << kypcx_test::Narrow(StringValue(e.root, e.path, e.name));
    const std::wstring server = L"CLSID\\" + HandlerClass() + L"\\InprocServer32";
    EXPECT_EQ(0, lstrcmpiW(kypcx_test::CodecPath().c_str(), StringValue(HKEY_CLASSES_ROOT, server, nullptr).c_str()));
    EXPECT_EQ(L"Both", StringValue(HKEY_CLASSES_ROOT, server, L"ThreadingModel"));
    EXPECT_EQ(viewerInstalled, kypcx_test::KeyExists(HKEY_LOCAL_MACHINE, kPhotoViewer))
        << "the photo viewer's association is written only where the viewer is installed";

    const RegistryTree registered = ShellState();
    ASSERT_EQ(0u, RunRegsvr32(L""));
    EXPECT_EQ(registered, ShellState()) << "registering again:" << kypcx_test::Differences(registered, ShellState());

    ASSERT_EQ(0u, RunRegsvr32(L"/u"));
    EXPECT_EQ(before, ShellState()) << kypcx_test::Differences(before, ShellState());
    ASSERT_EQ(0u, RunRegsvr32(L"/u"));
    EXPECT_EQ(before, ShellState()) << "unregistering twice";
}

// Values other programs set before the codec was registered, among them one
// equal to what registration writes: registering leaves each as it is and
// writes only what is missing; unregistering leaves the registry as it was
// with them.
TEST_F(ShellRegistration, OtherProgramsValuesStayAsTheyWere) {
    const RegistryTree unregistered = ShellState();
    const std::vector<Expected> foreign = {
        {HKEY_CLASSES_ROOT, L".pcx", nullptr, L"OtherPaint.Picture"},
        {HKEY_CLASSES_ROOT, L".pcx", L"Content Type", L"image/pcx"},
        {HKEY_CLASSES_ROOT, L".dcx", L"PerceivedType", L"image"},
        {HKEY_CLASSES_ROOT, L".dcx\\" + kThumbnailHandler, nullptr, L"{5BA36F54-6E3A-4F08-9E45-8D1E2F27A0C1}"},
        {HKEY_LOCAL_MACHINE, kKindMap, L".dcx", L"document"},
        {HKEY_LOCAL_MACHINE, kPropertyHandlers + L"\\.pcx", nullptr, L"{0C4C2B6E-5D0A-4B9A-A3F7-6E2B91D4C8A2}"},
    };
    kypcx_test::ForeignValues others;
    for (const Expected& e : foreign) ASSERT_TRUE(others.Set(e.root, e.path, e.name, e.data)) << Show(e);
    const RegistryTree withOthers = ShellState();

    ASSERT_EQ(S_OK, codec.Register());
    for (const Expected& e : foreign) EXPECT_TRUE(Holds(e)) << Show(e) << " was changed";
    for (const Expected& e : ShellValues()) {
        bool taken = false;
        for (const Expected& f : foreign) taken = taken || (f.root == e.root && f.path == e.path && f.name == e.name);
        if (taken) continue;
        EXPECT_TRUE(Holds(e)) << Show(e) << " was not written";
    }

    ASSERT_EQ(S_OK, codec.Unregister());
    EXPECT_EQ(withOthers, ShellState()) << kypcx_test::Differences(withOthers, ShellState());
    others.Remove();
    EXPECT_EQ(unregistered, ShellState()) << kypcx_test::Differences(unregistered, ShellState());
}

// A value registration wrote that another program changed since is that
// program's: unregistering leaves it, and the keys that hold it.
TEST_F(ShellRegistration, AValueAnotherProgramChangedSinceStays) {
    const RegistryTree unregistered = ShellState();
    ASSERT_EQ(S_OK, codec.Register());
    const std::vector<Expected> changed = {
        {HKEY_CLASSES_ROOT, L".pcx", L"Content Type", L"image/pcx"},
        {HKEY_CLASSES_ROOT, L".dcx\\" + kThumbnailHandler, nullptr, L"{5BA36F54-6E3A-4F08-9E45-8D1E2F27A0C1}"},
    };
    kypcx_test::ForeignValues others;
    for (const Expected& e : changed) ASSERT_TRUE(others.Set(e.root, e.path, e.name, e.data)) << Show(e);

    ASSERT_EQ(S_OK, codec.Unregister());
    for (const Expected& e : changed) EXPECT_TRUE(Holds(e)) << Show(e) << " was taken away";
    EXPECT_EQ(L"(none)", StringValue(HKEY_CLASSES_ROOT, L".pcx", L"PerceivedType"));
    EXPECT_EQ(L"(none)", StringValue(HKEY_CLASSES_ROOT, L".dcx", L"Content Type"));
    EXPECT_FALSE(kypcx_test::KeyExists(HKEY_LOCAL_MACHINE, L"SOFTWARE\\KyPCX")) << "the record stays behind";

    // Registering again writes nothing over them.
    ASSERT_EQ(S_OK, codec.Register());
    for (const Expected& e : changed) EXPECT_TRUE(Holds(e)) << Show(e) << " was overwritten";
    ASSERT_EQ(S_OK, codec.Unregister());
    others.Remove();
    // What is left is the keys that held the other program's values, empty.
    for (const std::wstring& key : {L".dcx\\" + kThumbnailHandler, std::wstring(L".dcx\\ShellEx"),
                                    std::wstring(L".dcx"), std::wstring(L".pcx")})
        EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyW(HKEY_CLASSES_ROOT, key.c_str())) << kypcx_test::Narrow(key);
    EXPECT_EQ(unregistered, ShellState()) << kypcx_test::Differences(unregistered, ShellState());
}

// Where the photo viewer is installed, it is told it opens both file types;
// unregistering takes back exactly that.
TEST_F(ShellRegistration, PhotoViewerAssociationWhereTheViewerIsInstalled) {
    kypcx_test::ForeignValues viewer;
    ASSERT_TRUE(viewer.Set(HKEY_LOCAL_MACHINE, kViewerAssociations, L".tif", kViewerProgId));
    const RegistryTree before = ShellState();

    ASSERT_EQ(S_OK, codec.Register());
    EXPECT_EQ(kViewerProgId, StringValue(HKEY_LOCAL_MACHINE, kViewerAssociations, L".pcx"));
    EXPECT_EQ(kViewerProgId, StringValue(HKEY_LOCAL_MACHINE, kViewerAssociations, L".dcx"));
    EXPECT_EQ(kViewerProgId, StringValue(HKEY_LOCAL_MACHINE, kViewerAssociations, L".tif"));

    ASSERT_EQ(S_OK, codec.Unregister());
    EXPECT_EQ(before, ShellState()) << kypcx_test::Differences(before, ShellState());
    viewer.Remove();
}

// The places registration writes into, in both registry views: this
// program's and the other bitness's.
RegistryTree BothViews(REGSAM otherView) {
    RegistryTree both;
    for (const auto& entry : ShellState()) both[L"this view: " + entry.first] = entry.second;
    for (const auto& entry : ShellState(otherView)) both[L"other view: " + entry.first] = entry.second;
    return both;
}

// Both bitnesses of the codec registered, each by its own regsvr32 into its
// own registry view: the extension keys are one for both, so whichever
// unregisters first leaves every value the other's programs and shell need,
// and the second leaves the registry as it was, in either order.
TEST_F(ShellRegistration, BothBitnessesShareTheExtensionKeys) {
    const kypcx_test::OtherBitness other = kypcx_test::OtherBitnessCodec();
    if (GetFileAttributesW(other.dll.c_str()) == INVALID_FILE_ATTRIBUTES)
        GTEST_SKIP() << "no codec of the other bitness beside this tree (" << kypcx_test::Narrow(other.dll) << ")";
    bool started = false;
    const DWORD trial = RunRegsvr32(L"/u", other.dll, other.regsvr32, &started);
    if (!started) GTEST_SKIP() << "the other bitness's regsvr32 cannot start here: the prefix has no programs of it";
    ASSERT_EQ(0u, trial);
    const RegistryTree before = BothViews(other.view);

    // This bitness's codec through its entries, the other's through its
    // regsvr32; true when the registration succeeded.
    const auto run = [&](bool mine, bool registering) {
        if (mine) return (registering ? codec.Register() : codec.Unregister()) == S_OK;
        return RunRegsvr32(registering ? L"" : L"/u", other.dll, other.regsvr32) == 0;
    };
    for (const bool mineFirst : {true, false}) {
        for (const bool firstLeavesFirst : {true, false}) {
            SCOPED_TRACE(std::string(mineFirst ? "this bitness" : "the other bitness") + " registered first, " +
                         (firstLeavesFirst ? "unregistered first" : "unregistered last"));
            ASSERT_TRUE(run(mineFirst, true));
            ASSERT_TRUE(run(!mineFirst, true));
            for (const Expected& e : ShellValues()) {
                EXPECT_TRUE(Holds(e)) << Show(e) << " in this view";
                EXPECT_TRUE(Holds(e, other.view)) << Show(e) << " in the other view";
            }
            const bool mineLeaves = mineFirst == firstLeavesFirst;
            ASSERT_TRUE(run(mineLeaves, false));
            for (const Expected& e : ShellValues())
                EXPECT_TRUE(Holds(e, mineLeaves ? other.view : 0)) << Show(e) << " went with the other bitness";
            ASSERT_TRUE(run(!mineLeaves, false));
            EXPECT_EQ(before, BothViews(other.view)) << kypcx_test::Differences(before, BothViews(other.view));
        }
    }
}

// A window that counts the shell's notices of changed associations.
class AssociationWatcher {
public:
    static constexpr UINT kMessage = WM_APP + 25;

    AssociationWatcher() {
        WNDCLASSW windowClass = {};
        windowClass.lpfnWndProc = Procedure;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"KyPcxAssociationWatcher";
        RegisterClassW(&windowClass);
        window_ = CreateWindowW(windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, nullptr, nullptr,
                                windowClass.hInstance, nullptr);
        SHGetSpecialFolderLocation(nullptr, CSIDL_DESKTOP, &desktop_);
        SHChangeNotifyEntry entry = {desktop_, TRUE};
        registration_ = SHChangeNotifyRegister(window_, SHCNRF_ShellLevel | SHCNRF_InterruptLevel, SHCNE_ASSOCCHANGED,
                                               kMessage, 1, &entry);
    }
    ~AssociationWatcher() {
        if (registration_ != 0) SHChangeNotifyDeregister(registration_);
        if (window_ != nullptr) DestroyWindow(window_);
        CoTaskMemFree(desktop_);
    }
    bool watching() const { return registration_ != 0; }

    // The notices that came since the last call: those sent while the
    // caller worked, and any that arrive within a second.
    int TakeNotices() {
        const DWORD start = GetTickCount();
        MSG message;
        while (count_ == 0 && GetTickCount() - start < 1000) {
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
            Sleep(10);
        }
        const int taken = count_;
        count_ = 0;
        return taken;
    }

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM w, LPARAM l) {
        if (message == kMessage) ++count_;
        return DefWindowProcW(window, message, w, l);
    }
    static int count_;
    HWND window_ = nullptr;
    LPITEMIDLIST desktop_ = nullptr;
    ULONG registration_ = 0;
};
int AssociationWatcher::count_ = 0;

TEST_F(ShellRegistration, TellsTheShellAfterRegisteringAndUnregistering) {
    AssociationWatcher watcher;
    ASSERT_TRUE(watcher.watching());
    EXPECT_EQ(0, watcher.TakeNotices()) << "a notice with nothing done";
    ASSERT_EQ(S_OK, codec.Unregister());
    EXPECT_GE(watcher.TakeNotices(), 1) << "no notice after unregistering";
    ASSERT_EQ(S_OK, codec.Register());
    EXPECT_GE(watcher.TakeNotices(), 1) << "no notice after registering";
}

}  // namespace
