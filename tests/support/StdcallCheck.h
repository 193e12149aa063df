// In the 32-bit test programs every export is called through a stdcall
// check, which verifies what a stdcall callee owes its caller, on a stack
// that is only 4-byte aligned (as a Windows caller guarantees): the callee
// pops exactly its arguments, keeps ebx, esi, edi and ebp, and leaves the
// x87 stack, the x87 control word and the SSE control bits as it found
// them. A fault there
// corrupts a real caller's frame or arithmetic long after the call returns,
// and the 64-bit build (one calling convention) cannot show it.
#pragma once

namespace kypcx_test {
// Called by a test's line function with its own frame address (the macro
// below): within one export call, the DLL must call its line function at one
// stack depth each time, as it does when it calls it as stdcall and so
// leaves the popping to it. Calls without a line (the one after a failure)
// come from elsewhere and are not noted.
void NoteLineFunctionFrame(const void* frame);
}  // namespace kypcx_test
#define KYPCX_NOTE_LINE_FUNCTION_FRAME() ::kypcx_test::NoteLineFunctionFrame(__builtin_frame_address(0))

#if defined(__i386__)

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <type_traits>

namespace kypcx_test {

// Filled in by the assembly thunk; the layout is its contract.
struct StdcallCheckState {
    void* target;             // 0: the export
    uint32_t argumentBytes;   // 4: what a stdcall callee of this type pops
    uint32_t stackSkew;       // 8: 0, 4, 8 or 12 bytes below a 16-byte boundary
    uint16_t fpuControlBefore;  // 12
    uint16_t fpuStatusBefore;   // 14
    uint32_t mxcsrBefore;       // 16
    uint32_t espAfter;          // 20
    uint32_t espBefore;         // 24: at the call, arguments in place
    uint32_t esiAfter;          // 28
    uint32_t ediAfter;          // 32
    uint16_t fpuControlAfter;   // 36
    uint16_t fpuStatusAfter;    // 38
    uint32_t mxcsrAfter;        // 40
};

// Skews 0, 4, 8, 12 in turn, so that every path meets each misalignment.
uint32_t NextStackSkew();
// Records a failure of the current test for each rule the call broke.
void ReportBrokenStdcallRules(const StdcallCheckState& state, const char* name, bool returnsFloatingPoint);

// The line-function frames noted during one export call; a call nested in a
// line function (FlushPCXLine) keeps its own.
struct LineFunctionFrames {
    const void* first = nullptr;
    int calls = 0;
    int elsewhere = 0;
};
LineFunctionFrames BeginLineFunctionWatch();
void EndLineFunctionWatch(const LineFunctionFrames& outer, const char* name);

extern "C" char kypcx_stdcall_check[];

// The stack a stdcall argument takes: a reference travels as a pointer,
// anything else as its size rounded up to 4 bytes.
template <typename A>
constexpr uint32_t ArgumentSlotBytes() {
    return static_cast<uint32_t>((sizeof(std::conditional_t<std::is_reference_v<A>, void*, A>) + 3) & ~size_t{3});
}

// One instantiation per call site (Site is a lambda's type), so that exports
// of one signature never share the stored target.
template <typename Site, typename R, typename... A>
struct CheckedStdcall {
    static inline std::atomic<void*> target{nullptr};
    static inline std::atomic<const char*> name{nullptr};

    static R WINAPI Call(A... arguments) {
        StdcallCheckState state{};
        state.target = target.load();
        state.argumentBytes = (0u + ... + ArgumentSlotBytes<A>());
        state.stackSkew = NextStackSkew();
        auto thunk = reinterpret_cast<R(WINAPI*)(StdcallCheckState*, A...)>(
            reinterpret_cast<void*>(kypcx_stdcall_check));
        const LineFunctionFrames outer = BeginLineFunctionWatch();
        if constexpr (std::is_void_v<R>) {
            thunk(&state, arguments...);
            ReportBrokenStdcallRules(state, name.load(), false);
            EndLineFunctionWatch(outer, name.load());
        } else {
            R result = thunk(&state, arguments...);
            ReportBrokenStdcallRules(state, name.load(), std::is_floating_point_v<R>);
            EndLineFunctionWatch(outer, name.load());
            return result;
        }
    }
};

template <typename Site, typename R, typename... A>
auto WithStdcallCheck(R(WINAPI* export_)(A...), const char* name) -> R(WINAPI*)(A...) {
    using Checked = CheckedStdcall<Site, R, A...>;
    Checked::target = reinterpret_cast<void*>(export_);
    Checked::name = name;
    return &Checked::Call;
}

}  // namespace kypcx_test

#endif
