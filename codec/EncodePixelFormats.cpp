// Choosing the format a frame is written in.
#include "codec/EncodePixelFormats.h"

namespace {

using kypcx::PcxPixelFormat;

const WrittenPixelFormat kIndexed1 = {&GUID_WICPixelFormat1bppIndexed, PcxPixelFormat::Indexed1, 1, 2};
const WrittenPixelFormat kIndexed4 = {&GUID_WICPixelFormat4bppIndexed, PcxPixelFormat::Indexed4, 4, 16};
const WrittenPixelFormat kIndexed8 = {&GUID_WICPixelFormat8bppIndexed, PcxPixelFormat::Indexed8, 8, 256};
const WrittenPixelFormat kBgr24 = {&GUID_WICPixelFormat24bppBGR, PcxPixelFormat::Bgr24, 24, 0};
const WrittenPixelFormat kBgra32 = {&GUID_WICPixelFormat32bppBGRA, PcxPixelFormat::Bgra32, 32, 0};

// Whether the imaging component describes `format` as one whose pixels
// carry transparency. A format it does not know carries none.
bool CarriesAlpha(const GUID& format) {
    IWICImagingFactory* factory = nullptr;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                reinterpret_cast<void**>(&factory))))
        return false;
    BOOL alpha = FALSE;
    IWICComponentInfo* component = nullptr;
    if (SUCCEEDED(factory->CreateComponentInfo(format, &component))) {
        IWICPixelFormatInfo2* info = nullptr;
        if (SUCCEEDED(component->QueryInterface(IID_IWICPixelFormatInfo2, reinterpret_cast<void**>(&info)))) {
            if (FAILED(info->SupportsTransparency(&alpha))) alpha = FALSE;
            info->Release();
        }
        component->Release();
    }
    factory->Release();
    return alpha != FALSE;
}

}  // namespace

const WrittenPixelFormat& NearestWrittenPixelFormat(const GUID& asked) {
    if (IsEqualGUID(asked, GUID_WICPixelFormat1bppIndexed) || IsEqualGUID(asked, GUID_WICPixelFormatBlackWhite))
        return kIndexed1;
    if (IsEqualGUID(asked, GUID_WICPixelFormat2bppIndexed) || IsEqualGUID(asked, GUID_WICPixelFormat4bppIndexed))
        return kIndexed4;
    if (IsEqualGUID(asked, GUID_WICPixelFormat8bppIndexed)) return kIndexed8;
    if (IsEqualGUID(asked, GUID_WICPixelFormat24bppBGR)) return kBgr24;
    if (IsEqualGUID(asked, GUID_WICPixelFormat32bppBGRA)) return kBgra32;
    return CarriesAlpha(asked) ? kBgra32 : kBgr24;
}
