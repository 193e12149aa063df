// The crash report: the unhandled-exception filter and its stack walk.
#include "support/CrashReport.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>

namespace kypcx_test {

namespace {

constexpr int kMaxFrames = 48;

// "module+0xoffset" for a code address.
void PrintFrame(int number, DWORD_PTR address) {
    HMODULE module = nullptr;
    char name[MAX_PATH] = "?";
    if (GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           reinterpret_cast<LPCSTR>(address), &module)) {
        GetModuleFileNameA(module, name, sizeof name);
    }
    const char* base = name;
    for (const char* p = name; *p != '\0'; ++p)
        if (*p == '\\' || *p == '/') base = p + 1;
    std::fprintf(stderr, "  #%-2d %s+0x%llx\n", number, base,
                 static_cast<unsigned long long>(address - reinterpret_cast<DWORD_PTR>(module)));
}

void PrintStack(CONTEXT context) {
#if defined(_WIN64)
    for (int frame = 0; frame < kMaxFrames && context.Rip != 0; ++frame) {
        PrintFrame(frame, context.Rip);
        DWORD64 imageBase = 0;
        PRUNTIME_FUNCTION function = RtlLookupFunctionEntry(context.Rip, &imageBase, nullptr);
        if (function == nullptr) {
            // A leaf function: the return address is on top of the stack.
            context.Rip = *reinterpret_cast<DWORD64*>(context.Rsp);
            context.Rsp += 8;
            continue;
        }
        void* handlerData = nullptr;
        DWORD64 establisher = 0;
        RtlVirtualUnwind(UNW_FLAG_NHANDLER, imageBase, context.Rip, function, &context, &handlerData, &establisher,
                         nullptr);
    }
#else
    // The frame-pointer chain, as far as it goes.
    PrintFrame(0, context.Eip);
    auto* frame = reinterpret_cast<DWORD*>(context.Ebp);
    for (int n = 1; n < kMaxFrames && frame != nullptr && !IsBadReadPtr(frame, 8); ++n) {
        PrintFrame(n, frame[1]);
        auto* next = reinterpret_cast<DWORD*>(frame[0]);
        if (next <= frame) break;
        frame = next;
    }
#endif
}

LONG WINAPI ReportCrash(EXCEPTION_POINTERS* pointers) {
    const EXCEPTION_RECORD& record = *pointers->ExceptionRecord;
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::fprintf(stderr, "crash: exception 0x%08lx at %p (thread %04lx) in %s.%s\n", record.ExceptionCode,
                 record.ExceptionAddress, GetCurrentThreadId(), test != nullptr ? test->test_suite_name() : "?",
                 test != nullptr ? test->name() : "?");
    if (record.ExceptionCode == EXCEPTION_ACCESS_VIOLATION && record.NumberParameters >= 2) {
        std::fprintf(stderr, "  %s access to %p\n", record.ExceptionInformation[0] == 1 ? "write" : "read",
                     reinterpret_cast<void*>(record.ExceptionInformation[1]));
    }
    PrintStack(*pointers->ContextRecord);
    std::fflush(stderr);
    return EXCEPTION_EXECUTE_HANDLER;
}

}  // namespace

void InstallCrashReport() { SetUnhandledExceptionFilter(ReportCrash); }

}  // namespace kypcx_test
