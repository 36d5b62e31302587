#include "plugins/ifwic/Wic.h"

namespace kova::ifwic {

namespace {

// COM is loaded with the first picture, not with the plug-in: the host loads every plug-in at
// start-up, where loading COM would cost Wine some 20 ms. It stays loaded for the process.
struct Ole32 {
    decltype(&CoInitializeEx) InitializeEx = nullptr;
    decltype(&CoUninitialize) Uninitialize = nullptr;
    decltype(&CoCreateInstance) CreateInstance = nullptr;
};

template <class F>
void Resolve(HMODULE module, const char* name, F& function)
{
    function = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

const Ole32& Com()
{
    static const Ole32 ole32 = [] {
        Ole32 functions;
        if (HMODULE module = LoadLibraryA("ole32.dll")) {
            Resolve(module, "CoInitializeEx", functions.InitializeEx);
            Resolve(module, "CoUninitialize", functions.Uninitialize);
            Resolve(module, "CoCreateInstance", functions.CreateInstance);
        }
        return functions;
    }();
    return ole32;
}

bool Loaded(const Ole32& com) { return com.InitializeEx && com.Uninitialize && com.CreateInstance; }

}  // namespace

ComScope::ComScope()
    : FResult(Loaded(Com()) ? Com().InitializeEx(nullptr, COINIT_APARTMENTTHREADED) : CO_E_NOTINITIALIZED)
{
}

ComScope::~ComScope()
{
    if (SUCCEEDED(FResult))
        Com().Uninitialize();
}

// A host in the multi-threaded apartment keeps its own; COM works there as well.
ComPtr<IWICImagingFactory> ComScope::CreateFactory() const
{
    ComPtr<IWICImagingFactory> factory;
    if ((SUCCEEDED(FResult) || FResult == RPC_E_CHANGED_MODE) &&
        FAILED(Com().CreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory))))
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
