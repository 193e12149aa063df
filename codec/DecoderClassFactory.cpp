// One static class factory per decoder class.
#include "codec/DecoderClassFactory.h"

#include "codec/CodecFormats.h"
#include "codec/PcxBitmapDecoder.h"
#include "codec/StaticClassFactory.h"

namespace {

HRESULT CreateDecoder(const void* format, REFIID iid, void** out) {
    return PcxBitmapDecoder::Create(*static_cast<const CodecFormat*>(format), iid, out);
}

StaticClassFactory g_pcxFactory(CreateDecoder, &kCodecFormats[0]);
StaticClassFactory g_dcxFactory(CreateDecoder, &kCodecFormats[1]);

}  // namespace

HRESULT GetDecoderClassObject(REFCLSID clsid, REFIID iid, void** out) {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    const CodecFormat* format = FindCodecFormat(clsid);
    if (format == nullptr) return CLASS_E_CLASSNOTAVAILABLE;
    StaticClassFactory& factory = format->container == CodecContainer::Pcx ? g_pcxFactory : g_dcxFactory;
    return factory.QueryInterface(iid, out);
}
