// The codec's GUIDs, defined once for the test programs from the public
// header, as a client defines them.
#include <windows.h>

#include <initguid.h>

#include "KyPCXCodec.h"
