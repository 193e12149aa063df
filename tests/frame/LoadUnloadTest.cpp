// A host that loads KyPCX.dll on demand: thousands of load, use and unload
// cycles in one process, with calls on several threads in between and
// threads that outlive each unload, leave the process's thread-local-storage
// indexes, kernel handles and memory where they were, and the library keeps
// loading.
#include <windows.h>

#include <string>

#include "support/KyPcxTestSupport.h"
#include "support/ProcessMeasure.h"
#include "support/PcxFixtures.h"

namespace {

constexpr int kWarmUpCycles = 30;
constexpr int kCycles = 2000;
// Every so many cycles a thread is started while the library is loaded: one
// that ends before the unload and one that outlives it.
constexpr int kThreadEvery = 10;
constexpr int kWorkers = 2;

// The exports one cycle uses, looked up after each load.
struct Exports {
    decltype(&LoadPCXIntoDIBW) loadDib = nullptr;
    decltype(&SaveDIBInPCXFormatW) saveDib = nullptr;
};

// Each thread that calls in has a slot: its own source and output files (the
// decoder opens its file for itself alone).
constexpr int kSlots = kWorkers + 3;

std::wstring SlotFile(const kypcx_test::ScratchDir& dir, const wchar_t* kind, int slot) {
    wchar_t name[32];
    wsprintfW(name, L"%s%d.pcx", kind, slot);
    return dir.Path(name);
}

// What the threads of the test share: the current exports and the files.
struct Shared {
    Exports exports;
    kypcx_test::ScratchDir* dir = nullptr;
    volatile LONG stop = 0;
    LONG failedCalls = 0;
    LONG firstFailure = 0;  // 100 * step (1 decode, 2 save) + error code
};

void NoteFailure(Shared* shared, int step, PcxErrorCode code) {
    if (InterlockedIncrement(&shared->failedCalls) == 1) shared->firstFailure = 100 * step + code;
}

// Decodes the fixture and saves the DIB to the thread's own file.
void UseLibrary(Shared* shared, int slot) {
    PcxErrorCode code = 0;
    HGLOBAL dib = shared->exports.loadDib(SlotFile(*shared->dir, L"in", slot).c_str(), &code);
    if (dib == nullptr || code != 1) {
        NoteFailure(shared, 1, code);
        return;
    }
    code = 0;
    if (!shared->exports.saveDib(SlotFile(*shared->dir, L"out", slot).c_str(), dib, &code) || code != 1)
        NoteFailure(shared, 2, code);
    GlobalFree(dib);
}

// A thread that lives through every cycle: started before the first load, it
// calls in after each load and is still running at each unload.
struct Worker {
    Shared* shared = nullptr;
    int slot = 0;
    HANDLE go = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    HANDLE done = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    HANDLE thread = nullptr;
};

DWORD WINAPI RunWorker(void* param) {
    auto* w = static_cast<Worker*>(param);
    for (;;) {
        WaitForSingleObject(w->go, INFINITE);
        if (w->shared->stop) return 0;
        UseLibrary(w->shared, w->slot);
        SetEvent(w->done);
    }
}

// A thread started while the library is loaded that calls in once, then
// waits until released (before or after the unload) and ends.
struct Visitor {
    Shared* shared = nullptr;
    int slot = 0;
    HANDLE called = nullptr;
    HANDLE release = nullptr;
};

DWORD WINAPI RunVisitor(void* param) {
    auto* v = static_cast<Visitor*>(param);
    UseLibrary(v->shared, v->slot);
    SetEvent(v->called);
    WaitForSingleObject(v->release, INFINITE);
    return 0;
}

class LoadUnloadCycles {
public:
    explicit LoadUnloadCycles(Shared* shared) : shared_(shared) {
        for (int i = 0; i < kWorkers; ++i) {
            workers_[i].shared = shared;
            workers_[i].slot = i;
            workers_[i].thread = CreateThread(nullptr, 0, RunWorker, &workers_[i], 0, nullptr);
        }
        visitorCalled_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
        releaseBefore_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        releaseAfter_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    }
    ~LoadUnloadCycles() {
        shared_->stop = 1;
        for (Worker& w : workers_) {
            SetEvent(w.go);
            WaitForSingleObject(w.thread, INFINITE);
            CloseHandle(w.thread);
            CloseHandle(w.go);
            CloseHandle(w.done);
        }
        CloseHandle(visitorCalled_);
        CloseHandle(releaseBefore_);
        CloseHandle(releaseAfter_);
    }

    // Runs `count` cycles from cycle number `first`; false at the first load
    // that fails or unload that leaves the module mapped.
    bool Run(int first, int count) {
        for (int cycle = first; cycle < first + count; ++cycle) {
            HMODULE module = LoadLibraryW(L"KyPCX.dll");
            if (module == nullptr) {
                failure_ = "LoadLibraryW failed at cycle " + std::to_string(cycle) + ", error " +
                           std::to_string(GetLastError());
                return false;
            }
            shared_->exports.loadDib = KyPcxGetProc<decltype(&LoadPCXIntoDIBW)>(module, "LoadPCXIntoDIBW");
            shared_->exports.saveDib = KyPcxGetProc<decltype(&SaveDIBInPCXFormatW)>(module, "SaveDIBInPCXFormatW");
            UseLibrary(shared_, kWorkers);
            for (Worker& w : workers_) SetEvent(w.go);

            HANDLE ending = nullptr, outliving = nullptr;
            Visitor endsBefore{shared_, kWorkers + 1, visitorCalled_, releaseBefore_};
            Visitor outlives{shared_, kWorkers + 2, visitorCalled_, releaseAfter_};
            if (cycle % kThreadEvery == 0) {
                ResetEvent(releaseBefore_);
                ResetEvent(releaseAfter_);
                ending = CreateThread(nullptr, 0, RunVisitor, &endsBefore, 0, nullptr);
                WaitForSingleObject(visitorCalled_, INFINITE);
                outliving = CreateThread(nullptr, 0, RunVisitor, &outlives, 0, nullptr);
                WaitForSingleObject(visitorCalled_, INFINITE);
                SetEvent(releaseBefore_);
                WaitForSingleObject(ending, INFINITE);
                CloseHandle(ending);
            }
            for (Worker& w : workers_) WaitForSingleObject(w.done, INFINITE);

            FreeLibrary(module);
            if (GetModuleHandleW(L"KyPCX.dll") != nullptr) {
                failure_ = "KyPCX.dll still mapped after FreeLibrary at cycle " + std::to_string(cycle);
                return false;
            }
            if (outliving != nullptr) {
                SetEvent(releaseAfter_);
                WaitForSingleObject(outliving, INFINITE);
                CloseHandle(outliving);
            }
        }
        return true;
    }

    const std::string& failure() const { return failure_; }

private:
    Shared* shared_;
    Worker workers_[kWorkers];
    HANDLE visitorCalled_ = nullptr;
    HANDLE releaseBefore_ = nullptr;
    HANDLE releaseAfter_ = nullptr;
    std::string failure_;
};

TEST(LoadUnload, ThousandsOfCyclesLeaveTheProcessAsTheyFoundIt) {
    KYPCX_SKIP_UNDER_I386_EMULATION();
    ASSERT_EQ(nullptr, GetModuleHandleW(L"KyPCX.dll")) << "the library must not be loaded by anything else here";
    kypcx_test::ScratchDir dir;
    Shared shared;
    shared.dir = &dir;
    for (int slot = 0; slot < kSlots; ++slot)
        kypcx_test::WriteFileBytes(SlotFile(dir, L"in", slot), kypcx_test::fixtures::TwoFiftySix().Bytes());

    LoadUnloadCycles cycles(&shared);
    // The first loads fill Wine's and the loader's caches; count from after them.
    ASSERT_TRUE(cycles.Run(0, kWarmUpCycles)) << cycles.failure();
    const kypcx_test::ProcessMeasure before = kypcx_test::Measure();
    const bool allRan = cycles.Run(kWarmUpCycles, kCycles);
    const kypcx_test::ProcessMeasure after = kypcx_test::Measure();

    ASSERT_TRUE(allRan) << cycles.failure();
    EXPECT_EQ(0, shared.failedCalls) << "first failure: step and code " << shared.firstFailure;
    kypcx_test::ExpectProcessFlat(before, after, kCycles, "load/unload cycles");

    HMODULE again = LoadLibraryW(L"KyPCX.dll");
    EXPECT_NE(nullptr, again) << "error " << GetLastError();
    if (again != nullptr) FreeLibrary(again);
}

}  // namespace
