// Defines the codec's own GUIDs (vendor, container formats, classes) once,
// from the public header that declares them; the system's GUIDs come from
// the SDK's uuid library.
#include <windows.h>

#include <initguid.h>

#include "KyPCXCodec.h"
