// One static class factory per encoder class.
#include "codec/EncoderClassFactory.h"

#include "codec/EncoderFormats.h"
#include "codec/PcxBitmapEncoder.h"
#include "codec/StaticClassFactory.h"

namespace {

HRESULT CreateEncoder(const void* format, REFIID iid, void** out) {
    return PcxBitmapEncoder::Create(*static_cast<const EncoderFormat*>(format), iid, out);
}

StaticClassFactory g_factories[2] = {{CreateEncoder, &kEncoderFormats[0]}, {CreateEncoder, &kEncoderFormats[1]}};

}  // namespace

HRESULT GetEncoderClassObject(REFCLSID clsid, REFIID iid, void** out) {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    for (size_t i = 0; i < 2; ++i)
        if (IsEqualCLSID(clsid, *kEncoderFormats[i].encoderClass)) return g_factories[i].QueryInterface(iid, out);
    return CLASS_E_CLASSNOTAVAILABLE;
}
