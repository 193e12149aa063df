// The class objects of the two decoder classes: DllGetClassObject hands out
// the one of the class asked for, and its CreateInstance makes decoders of
// that class's format.
#pragma once

#include <windows.h>

// The class object of `clsid` asked for as `iid`; CLASS_E_CLASSNOTAVAILABLE
// for a class this DLL does not implement.
HRESULT GetDecoderClassObject(REFCLSID clsid, REFIID iid, void** out);
