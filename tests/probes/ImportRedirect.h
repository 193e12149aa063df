// Redirects one of the probe library's own imports (the slot through which
// its code calls a system function), so the tests can make a system call
// fail where no healthy system would.
#pragma once

#include <windows.h>

// Points the module's import of `function` (by name) at `replacement` and
// returns the address it held, or null when the module imports no such
// function or the slot cannot be written. Passing the returned address back
// restores the import.
void* RedirectImport(const char* function, void* replacement);
