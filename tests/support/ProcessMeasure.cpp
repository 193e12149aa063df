// Measuring a process's indexes, handles and memory.
#include "support/ProcessMeasure.h"

#include "support/KyPcxTestSupport.h"

#include <psapi.h>

#include <gtest/gtest.h>

#include <cstdio>

namespace kypcx_test {

namespace {

DWORD FirstFreeTlsIndex() {
    const DWORD index = TlsAlloc();
    if (index != TLS_OUT_OF_INDEXES) TlsFree(index);
    return index;
}

DWORD ScanOpenHandles() {
    DWORD open = 0;
    for (UINT_PTR value = 4; value < 0x10000; value += 4) {
        DWORD flags;
        if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) ++open;
    }
    return open;
}

SIZE_T CommittedPrivateBytes() {
    SIZE_T total = 0;
    MEMORY_BASIC_INFORMATION info;
    const BYTE* address = nullptr;
    while (VirtualQuery(address, &info, sizeof info) == sizeof info) {
        if (info.State == MEM_COMMIT && info.Type == MEM_PRIVATE) total += info.RegionSize;
        const BYTE* next = static_cast<const BYTE*>(info.BaseAddress) + info.RegionSize;
        if (next <= address) break;
        address = next;
    }
    return total;
}

}  // namespace

ProcessMeasure Measure() {
    ProcessMeasure m{};
    m.firstFreeTlsIndex = FirstFreeTlsIndex();
    GetProcessHandleCount(GetCurrentProcess(), &m.handles);
    m.handlesScanned = ScanOpenHandles();
    m.privateBytes = CommittedPrivateBytes();
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) m.pagefileUsage = counters.PagefileUsage;
    return m;
}

void ExpectProcessFlat(const ProcessMeasure& before, const ProcessMeasure& after, int cycles, const char* what) {
    std::printf("%d %s: first free TLS index %lu -> %lu, handles %lu -> %lu (scanned %lu -> %lu), "
                "private KB %lu -> %lu, pagefile KB %lu -> %lu\n",
                cycles, what, static_cast<unsigned long>(before.firstFreeTlsIndex),
                static_cast<unsigned long>(after.firstFreeTlsIndex), static_cast<unsigned long>(before.handles),
                static_cast<unsigned long>(after.handles), static_cast<unsigned long>(before.handlesScanned),
                static_cast<unsigned long>(after.handlesScanned), static_cast<unsigned long>(before.privateBytes / 1024),
                static_cast<unsigned long>(after.privateBytes / 1024),
                static_cast<unsigned long>(before.pagefileUsage / 1024),
                static_cast<unsigned long>(after.pagefileUsage / 1024));
    EXPECT_EQ(before.firstFreeTlsIndex, after.firstFreeTlsIndex) << what;
    EXPECT_LE(after.handles, before.handles + kHandleSlack) << what;
    EXPECT_LE(after.handlesScanned, before.handlesScanned + kHandleSlack) << what;
    EXPECT_LE(after.privateBytes, before.privateBytes + kMemorySlack) << what;
    // Wine counts a process's pagefile use from the Unix process's own
    // anonymous memory. Under qemu-i386 that process is the emulator, whose
    // translated-code bookkeeping grows with every load of a DLL: the number
    // says nothing of the Windows program there, whose private memory above
    // is still compared.
    if (UnderI386Emulation()) {
        std::printf("pagefile use not compared: under qemu-i386 it counts the emulator's own memory\n");
        return;
    }
    EXPECT_LE(after.pagefileUsage, before.pagefileUsage + kMemorySlack) << what;
}

}  // namespace kypcx_test
