// The 32-bit stdcall check that every export call in these programs goes
// through: it must pass a callee that keeps the convention and flag one that
// leaves its arguments on the stack, or the suite would trust nothing it says.
#include "support/KyPcxTestSupport.h"

#include <gtest/gtest-spi.h>

#if defined(__i386__)

namespace {

// A reference travels as a pointer: 4 bytes on the stack, not the GUID's 16.
extern "C" int __stdcall CheckedSumStdcall(int a, short b, const GUID& g, const void* c) {
    return a + b + static_cast<int>(g.Data1) + (c != nullptr ? 1 : 0);
}
extern "C" int __cdecl CheckedSumCdecl(int a, short b, const GUID& g, const void* c) {
    return a + b + static_cast<int>(g.Data1) + (c != nullptr ? 1 : 0);
}
const GUID kTen = {10, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};

TEST(StdcallCheck, PassesAStdcallCalleeOnEverySkew) {
    auto sum = kypcx_test::WithStdcallCheck<struct StdcallSite>(&CheckedSumStdcall, "CheckedSumStdcall");
    for (int skew = 0; skew < 4; ++skew) EXPECT_EQ(16, sum(2, 3, kTen, &skew));
}

TEST(StdcallCheck, FlagsACalleeThatLeavesItsArgumentsBehind) {
    using Stdcall = int(WINAPI*)(int, short, const GUID&, const void*);
    auto sum = kypcx_test::WithStdcallCheck<struct CdeclSite>(reinterpret_cast<Stdcall>(&CheckedSumCdecl),
                                                              "CheckedSumCdecl");
    int result = 0;
    // The thunk still returns to its caller with the stack it expects.
    EXPECT_NONFATAL_FAILURE(result = sum(2, 3, kTen, nullptr), "CheckedSumCdecl popped 0 bytes of arguments, not 16");
    EXPECT_EQ(15, result);
}

BOOL CALLBACK NotingLineFunction(BYTE*, LONG, LONG, BITMAPINFOHEADER*) {
    KYPCX_NOTE_LINE_FUNCTION_FRAME();
    return TRUE;
}
__attribute__((noinline)) void CallDeeper(PcxDibLineCallback callback) {
    volatile BYTE room[64] = {};
    callback(const_cast<BYTE*>(room), 1, 2, nullptr);
}
// Calls the line function twice from one depth, then once from deeper.
extern "C" BOOL __stdcall CallsBackFromTwoDepths(PcxDibLineCallback callback) {
    for (LONG row = 0; row < 2; ++row) callback(nullptr, row, 2, nullptr);
    CallDeeper(callback);
    return TRUE;
}

TEST(StdcallCheck, FlagsLineFunctionCallsFromAnotherDepth) {
    auto call = kypcx_test::WithStdcallCheck<struct DepthSite>(&CallsBackFromTwoDepths, "CallsBackFromTwoDepths");
    EXPECT_NONFATAL_FAILURE(call(NotingLineFunction), "at 1 of 3 lines from another stack depth");
}

}  // namespace

#endif
