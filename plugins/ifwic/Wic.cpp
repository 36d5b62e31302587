#include "plugins/ifwic/Wic.h"

namespace kova::ifwic {

ComScope::ComScope()
    : FResult(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))
{
}

ComScope::~ComScope()
{
    if (SUCCEEDED(FResult))
        CoUninitialize();
}

// A host in the multi-threaded apartment keeps its own; COM works there as well.
ComPtr<IWICImagingFactory> ComScope::CreateFactory() const
{
    ComPtr<IWICImagingFactory> factory;
    if ((SUCCEEDED(FResult) || FResult == RPC_E_CHANGED_MODE) &&
        FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory))))
        factory.Reset();
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
