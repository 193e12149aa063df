// The class object of the property handler: DllGetClassObject hands it out
// for CLSID_KyPcxPropertyHandler, and its CreateInstance makes handlers.
#pragma once

#include <windows.h>

// The handler's class object asked for as `iid`.
HRESULT GetPropertyHandlerClassObject(REFIID iid, void** out);
