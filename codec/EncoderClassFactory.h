// The class objects of the two encoder classes: DllGetClassObject hands out
// the one of the class asked for, and its CreateInstance makes encoders of
// that class's format.
#pragma once

#include <windows.h>

// The class object of `clsid` asked for as `iid`; CLASS_E_CLASSNOTAVAILABLE
// for a class that is no encoder of this DLL.
HRESULT GetEncoderClassObject(REFCLSID clsid, REFIID iid, void** out);
