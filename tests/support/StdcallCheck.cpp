// The 32-bit stdcall check: copies the caller's arguments to a skewed stack,
// calls the export with sentinels in the registers it must keep, and records
// the stack pointer, registers and floating-point state around the call.
#include "support/StdcallCheck.h"

#if !defined(__i386__)
// One calling convention: nothing for a line function's depth to show.
void kypcx_test::NoteLineFunctionFrame(const void*) {}
#else

#include <gtest/gtest.h>

#include <cstdio>

namespace kypcx_test {

namespace {
constexpr uint32_t kEsiSentinel = 0x5A17E5A1u;
constexpr uint32_t kEdiSentinel = 0xED15E171u;
}  // namespace

// kypcx_stdcall_check(StdcallCheckState* state, arguments...), stdcall: pops
// the state pointer and state->argumentBytes. eax and edx (the result) are
// never touched after the call; ecx is the only scratch register there.
asm(R"(
    .text
    .globl _kypcx_stdcall_check
_kypcx_stdcall_check:
    pushl %ebp
    movl  %esp, %ebp
    pushl %ebx
    pushl %esi
    pushl %edi
    movl  8(%ebp), %edx
    movl  4(%edx), %ecx
    movl  %esp, %eax
    subl  %ecx, %eax
    subl  $64, %eax
    andl  $-16, %eax
    subl  8(%edx), %eax
    movl  %eax, %esp
    leal  12(%ebp), %esi
    movl  %esp, %edi
    shrl  $2, %ecx
    cld
    rep movsl
    fnstcw 12(%edx)
    fnstsw 14(%edx)
    stmxcsr 16(%edx)
    movl  %esp, 24(%edx)
    movl  $0x5A17E5A1, %esi
    movl  $0xED15E171, %edi
    movl  %esp, %ebx
    call  *(%edx)
    movl  8(%ebp), %ecx
    movl  %esp, 20(%ecx)
    movl  %esi, 28(%ecx)
    movl  %edi, 32(%ecx)
    fnstcw 36(%ecx)
    fnstsw 38(%ecx)
    stmxcsr 40(%ecx)
    cmpl  24(%ecx), %ebx
    je    1f
    movl  $0, 24(%ecx)
1:
    leal  -12(%ebp), %esp
    popl  %edi
    popl  %esi
    popl  %ebx
    popl  %ebp
    movl  4(%esp), %ecx
    movl  4(%ecx), %ecx
    leal  4(%esp,%ecx), %ecx
    pushl (%esp)
    popl  (%ecx)
    movl  %ecx, %esp
    ret
)");

namespace {
thread_local LineFunctionFrames t_lineFunctionFrames;
}  // namespace

void NoteLineFunctionFrame(const void* frame) {
    LineFunctionFrames& f = t_lineFunctionFrames;
    if (f.calls++ == 0) f.first = frame;
    else if (frame != f.first) ++f.elsewhere;
}

LineFunctionFrames BeginLineFunctionWatch() {
    const LineFunctionFrames outer = t_lineFunctionFrames;
    t_lineFunctionFrames = LineFunctionFrames{};
    return outer;
}

void EndLineFunctionWatch(const LineFunctionFrames& outer, const char* name) {
    const LineFunctionFrames mine = t_lineFunctionFrames;
    t_lineFunctionFrames = outer;
    EXPECT_EQ(0, mine.elsewhere) << name << " called its line function at " << mine.elsewhere << " of "
                                 << mine.calls << " lines from another stack depth than the first "
                                 << "(a line function is stdcall: it pops its own arguments)";
}

uint32_t NextStackSkew() {
    static LONG calls = 0;
    return static_cast<uint32_t>(InterlockedIncrement(&calls) & 3) * 4;
}

void ReportBrokenStdcallRules(const StdcallCheckState& s, const char* name, bool returnsFloatingPoint) {
    // espBefore is cleared when ebx, which held it, came back changed.
    EXPECT_NE(0u, s.espBefore) << name << " did not keep ebx";
    if (s.espBefore != 0) {
        EXPECT_EQ(s.argumentBytes, s.espAfter - s.espBefore)
            << name << " popped " << static_cast<int>(s.espAfter - s.espBefore) << " bytes of arguments, not "
            << s.argumentBytes << " (a stdcall callee pops its own)";
    }
    EXPECT_EQ(kEsiSentinel, s.esiAfter) << name << " did not keep esi";
    EXPECT_EQ(kEdiSentinel, s.ediAfter) << name << " did not keep edi";
    EXPECT_EQ(s.fpuControlBefore, s.fpuControlAfter) << name << " changed the x87 control word";
    // Bits 0-5 are sticky exception flags a callee may raise; the rest
    // (masks, rounding, flush-to-zero) belong to the caller.
    EXPECT_EQ(s.mxcsrBefore & ~0x3Fu, s.mxcsrAfter & ~0x3Fu) << name << " changed the SSE control bits";
    // The x87 stack top moves by one for a floating-point result, else not.
    const unsigned topBefore = (s.fpuStatusBefore >> 11) & 7, topAfter = (s.fpuStatusAfter >> 11) & 7;
    EXPECT_EQ((topBefore - (returnsFloatingPoint ? 1u : 0u)) & 7, topAfter)
        << name << " left the x87 register stack unbalanced";
}

}  // namespace kypcx_test

#endif
