#include "plugins/ifwic/Wic.h"

namespace kova::ifwic {

ComPtr<IWICImagingFactory> CreateFactory()
{
    ComPtr<IWICImagingFactory> factory;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory))))
        return nullptr;
    return factory;
}

std::vector<ComPtr<IWICBitmapDecoderInfo>> InstalledDecoders(IWICImagingFactory* Factory)
{
    std::vector<ComPtr<IWICBitmapDecoderInfo>> decoders;
    ComPtr<IEnumUnknown> components;
    if (FAILED(Factory->CreateComponentEnumerator(WICDecoder, WICComponentEnumerateDefault, &components)))
        return decoders;
    ComPtr<IUnknown> component;
    while (components->Next(1, &component, nullptr) == S_OK) {
        ComPtr<IWICBitmapDecoderInfo> info;
        if (SUCCEEDED(component.As(&info)))
            decoders.push_back(info);
        component.Reset();
    }
    return decoders;
}

}  // namespace kova::ifwic
