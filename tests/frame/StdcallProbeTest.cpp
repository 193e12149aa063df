// The 32-bit stdcall probe that every export call in these programs goes
// through: it must pass a callee that keeps the convention and flag one that
// leaves its arguments on the stack, or the suite would trust nothing it says.
#include "support/KyPcxTestSupport.h"

#include <gtest/gtest-spi.h>

#if defined(__i386__)

namespace {

extern "C" int __stdcall ProbeSumStdcall(int a, short b, const void* c) {
    return a + b + (c != nullptr ? 1 : 0);
}
extern "C" int __cdecl ProbeSumCdecl(int a, short b, const void* c) { return a + b + (c != nullptr ? 1 : 0); }

TEST(StdcallProbe, PassesAStdcallCalleeOnEverySkew) {
    auto sum = kypcx_test::WithStdcallProbe<struct StdcallSite>(&ProbeSumStdcall, "ProbeSumStdcall");
    for (int skew = 0; skew < 4; ++skew) EXPECT_EQ(6, sum(2, 3, &skew));
}

TEST(StdcallProbe, FlagsACalleeThatLeavesItsArgumentsBehind) {
    using Stdcall = int(WINAPI*)(int, short, const void*);
    auto sum = kypcx_test::WithStdcallProbe<struct CdeclSite>(reinterpret_cast<Stdcall>(&ProbeSumCdecl),
                                                              "ProbeSumCdecl");
    int result = 0;
    // The probe still returns to its caller with the stack it expects.
    EXPECT_NONFATAL_FAILURE(result = sum(2, 3, nullptr), "ProbeSumCdecl popped 0 bytes of arguments, not 12");
    EXPECT_EQ(5, result);
}

}  // namespace

#endif
