// Compiled into GoogleTest's own sources only: its copy of each failure and
// skip message for a debugger's output window (OutputDebugStringA) becomes a
// no-op. Wine delivers that text by raising an exception, and under
// qemu-i386 (scripts/with-i386.sh) an exception dispatched after a second
// thread has existed ends the program: qemu keeps one GDT for all guest
// threads, so the TEB selector Wine reloads into %fs may point at another
// thread's TEB. GoogleTest starts such a thread (its thread-local watcher)
// at the first message it reports. No debugger reads the text in these runs;
// the message itself still goes to the console as before.
#pragma once

#include <windows.h>

inline void WINAPI KyPcxNoDebuggerOutput(LPCSTR) {}
#define OutputDebugStringA KyPcxNoDebuggerOutput
