// What a process holds, for tests that load, use and release a DLL many
// times: its first free thread-local-storage index, its open handles, its
// committed private memory; and the check that a run of cycles left them
// where they were, within the noise of the process itself.
#pragma once

#include <windows.h>

namespace kypcx_test {

struct ProcessMeasure {
    DWORD firstFreeTlsIndex;
    DWORD handles;         // as the system counts them (Wine may say 0)
    DWORD handlesScanned;  // handle values below 64K that name an open handle
    SIZE_T privateBytes;   // committed private pages: heaps, VirtualAlloc blocks, stacks
    SIZE_T pagefileUsage;
};

ProcessMeasure Measure();

// Slack for the process's own noise (Wine's caches, heap rounding); a leak of
// one handle or 512 bytes a cycle over thousands of cycles is well above it.
constexpr DWORD kHandleSlack = 8;
constexpr SIZE_T kMemorySlack = 512 * 1024;

// Prints both measures after `cycles` cycles of `what`, and expects the same
// first free index and handles and memory within the slack.
void ExpectProcessFlat(const ProcessMeasure& before, const ProcessMeasure& after, int cycles, const char* what);

}  // namespace kypcx_test
