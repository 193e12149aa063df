// A report of a test program's crash on standard error: the exception, the
// test that was running and the stack as module + offset frames, so that a
// crash on a machine without a debugger still says where it happened.
#pragma once

namespace kypcx_test {

// Installs the report as the process's unhandled-exception filter. The
// program then ends with the exception's code, as it would without it.
void InstallCrashReport();

}  // namespace kypcx_test
