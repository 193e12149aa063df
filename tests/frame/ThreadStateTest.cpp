// Per-thread working blocks, wait-cursor pairs and GetFileLength, watched
// through the probe build of the library (KyPCXProbe.dll).
#include <windows.h>

#include <vector>

#include "frame/PcxThreadState.h"
#include "support/KyPcxTestSupport.h"
#include "support/ProbeLibrary.h"

namespace {

using Probe = kypcx_test::ProbeLibrary;

bool AllZero(const void* p, size_t n) {
    const BYTE* b = static_cast<const BYTE*>(p);
    for (size_t i = 0; i < n; ++i)
        if (b[i] != 0) return false;
    return true;
}

struct EarlyThread {
    HANDLE started = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE go = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    const Probe* probe = nullptr;
    PcxThreadState* block = nullptr;
    bool zeroFilled = false;
};

DWORD WINAPI RunEarlyThread(void* param) {
    auto* t = static_cast<EarlyThread*>(param);
    SetEvent(t->started);
    WaitForSingleObject(t->go, INFINITE);
    t->block = t->probe->ThreadState();
    t->zeroFilled = AllZero(t->block, sizeof(PcxThreadState));
    EXPECT_EQ(t->block, t->probe->ThreadState()) << "a thread keeps one block";
    return 0;
}

TEST(ThreadState, ThreadRunningBeforeLoadGetsAZeroBlockOnFirstCallFreedAtExit) {
    EarlyThread t;
    HANDLE thread = CreateThread(nullptr, 0, RunEarlyThread, &t, 0, nullptr);
    WaitForSingleObject(t.started, INFINITE);
    Probe probe;  // loaded after the thread is running, so it had no thread attach
    ASSERT_TRUE(probe.loaded());
    t.probe = &probe;
    PcxThreadState* own = probe.ThreadState();
    ASSERT_TRUE(probe.WatchFrees(TRUE));
    SetEvent(t.go);
    WaitForSingleObject(thread, INFINITE);
    const bool freed = probe.WasFreed(t.block);
    EXPECT_TRUE(probe.WatchFrees(FALSE));
    CloseHandle(thread);
    CloseHandle(t.go);
    CloseHandle(t.started);
    ASSERT_NE(nullptr, t.block);
    EXPECT_NE(own, t.block) << "a block of its own";
    EXPECT_TRUE(t.zeroFilled);
    EXPECT_TRUE(freed) << "the exited thread's block was not freed";
    EXPECT_FALSE(probe.WasFreed(own));
}

struct Worker {
    const Probe* probe;
    HANDLE barrier;
    LONG value;
    PcxThreadState* block = nullptr;
    LONG readBack = 0;
    BYTE bufferByte = 0;
};

DWORD WINAPI RunWorker(void* param) {
    auto* w = static_cast<Worker*>(param);
    w->block = w->probe->ThreadState();
    w->block->outputCount = static_cast<DWORD>(w->value);
    w->block->viewerReadBuffer[kViewerReadBufferSize - 1] = static_cast<BYTE>(w->value);
    // Both threads have written before either reads.
    if (InterlockedDecrement(reinterpret_cast<LONG*>(w->barrier)) > 0) {
        while (*reinterpret_cast<volatile LONG*>(w->barrier) > 0) Sleep(1);
    }
    w->readBack = static_cast<LONG>(w->probe->ThreadState()->outputCount);
    w->bufferByte = w->probe->ThreadState()->viewerReadBuffer[kViewerReadBufferSize - 1];
    return 0;
}

TEST(ThreadState, TwoThreadsSeeOnlyTheirOwnFields) {
    KYPCX_SKIP_UNDER_I386_EMULATION();
    Probe probe;
    ASSERT_TRUE(probe.loaded());
    LONG barrier = 2;
    Worker a{&probe, reinterpret_cast<HANDLE>(&barrier), 11};
    Worker b{&probe, reinterpret_cast<HANDLE>(&barrier), 22};
    HANDLE threads[2] = {CreateThread(nullptr, 0, RunWorker, &a, 0, nullptr),
                         CreateThread(nullptr, 0, RunWorker, &b, 0, nullptr)};
    WaitForMultipleObjects(2, threads, TRUE, INFINITE);
    CloseHandle(threads[0]);
    CloseHandle(threads[1]);
    EXPECT_NE(a.block, b.block);
    EXPECT_EQ(11, a.readBack);
    EXPECT_EQ(22, b.readBack);
    EXPECT_EQ(11, a.bufferByte);
    EXPECT_EQ(22, b.bufferByte);
}

TEST(WaitCursor, EachFamilyRestoresItsOwnSavedCursor) {
    Probe probe;
    ASSERT_TRUE(probe.loaded());
    HCURSOR arrow = LoadCursorW(nullptr, IDC_ARROW);
    HCURSOR wait = LoadCursorW(nullptr, IDC_WAIT);
    HCURSOR cross = LoadCursorW(nullptr, IDC_CROSS);
    enum { kCoder = 0, kViewer = 1, kMemory = 2, kAppend = 3 };

    SetCursor(arrow);
    probe.BeginWait(kCoder);
    EXPECT_EQ(wait, GetCursor());
    EXPECT_EQ(arrow, probe.ThreadState()->coderSavedCursor);

    // Another family begun inside saves the wait cursor in its own field and
    // leaves the coder's saved arrow alone.
    probe.BeginWait(kAppend);
    EXPECT_EQ(wait, probe.ThreadState()->appendSavedCursor);
    EXPECT_EQ(arrow, probe.ThreadState()->coderSavedCursor);
    probe.EndWait(kAppend);
    probe.EndWait(kCoder);
    EXPECT_EQ(arrow, GetCursor());

    for (int family : {kViewer, kMemory, kAppend}) {
        SetCursor(cross);
        probe.BeginWait(family);
        EXPECT_EQ(wait, GetCursor()) << "family " << family;
        probe.EndWait(family);
        EXPECT_EQ(cross, GetCursor()) << "family " << family;
    }
    EXPECT_EQ(arrow, probe.ThreadState()->coderSavedCursor);
    SetCursor(arrow);
}

TEST(GetFileLength, GivesTheLengthAndKeepsThePosition) {
    Probe probe;
    ASSERT_TRUE(probe.loaded());
    kypcx_test::ScratchDir dir;
    const std::wstring path = dir.Path(L"length.bin");
    kypcx_test::WriteFileBytes(path, std::vector<uint8_t>(1000, 7));
    HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, f);
    SetFilePointer(f, 128, nullptr, FILE_BEGIN);
    EXPECT_EQ(1000u, probe.FileLength(f));
    EXPECT_EQ(128u, SetFilePointer(f, 0, nullptr, FILE_CURRENT));
    CloseHandle(f);

    // Past 4 GiB the whole length counts, not its low 32 bits (a sparse
    // file: no disk space taken).
    const ULONGLONG big = 0x110000000ull;
    ASSERT_TRUE(kypcx_test::SetFileLength(path, big));
    f = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, f);
    EXPECT_EQ(big, probe.FileLength(f));
    CloseHandle(f);
}

}  // namespace
