// What registration writes for the shell beside the decoders' keys, so that
// Explorer shows .pcx and .dcx files as pictures: their perceived type and
// MIME type, the kind map's "picture", thumbnails through the system's
// photo thumbnail provider, the photo viewer's association (where the viewer
// is installed) and the codec's property handler.
//
// The extension keys are shared: another program may own .pcx, or set some
// of these values first. So registering writes only what is missing, never
// a value another program set, and records each key and value it wrote in a
// key of the codec's own (HKLM\SOFTWARE\KyPCX\Codec\ShellRegistration);
// unregistering removes exactly what is recorded there and still holds what
// registering wrote. A key is removed only once it is empty: what another
// program put into it stays.
//
// Both bitnesses of the codec register, each in its own registry view, but
// the extension keys are one for both. Each keeps its own record, in its
// own view; a value or key one of them finds already written by the other
// is recorded as joined, and stays until the last of the two that hold it
// unregisters.
#pragma once

#include <windows.h>

// Writes the shell's keys and values that are missing; ERROR_SUCCESS, or
// the first failure (what was written by then stays recorded, so that
// UnregisterShellKeys removes it).
LSTATUS RegisterShellKeys();

// Removes what the record says registering wrote, where it still holds what
// was written; ERROR_SUCCESS, or the first failure (what could not be
// removed stays recorded).
LSTATUS UnregisterShellKeys();

// Tells the shell that file associations changed, so that Explorer takes up
// the new keys without a restart.
void NotifyShellOfAssociations();
