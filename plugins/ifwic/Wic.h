#pragma once
// COM and the platform's imaging component (WIC) for the length of one plug-in call.
#include <windows.h>
#include <wincodec.h>
#include <wrl/client.h>

#include <vector>

namespace kova::ifwic {

using Microsoft::WRL::ComPtr;

// COM for the calling thread: initialised here only where the host has not done so, and
// every successful initialisation paired before the call returns. Declare it before the
// COM objects of the call, so that they are released first.
class ComScope {
public:
    ComScope() : FResult(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComScope()
    {
        if (SUCCEEDED(FResult))
            CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
    // A host in the multi-threaded apartment keeps its own; COM works there as well.
    bool Usable() const { return SUCCEEDED(FResult) || FResult == RPC_E_CHANGED_MODE; }

private:
    HRESULT FResult;
};

// Null when the platform has no imaging component.
ComPtr<IWICImagingFactory> CreateFactory();

// The installed decoders, in the platform's order.
std::vector<ComPtr<IWICBitmapDecoderInfo>> InstalledDecoders(IWICImagingFactory* Factory);

}  // namespace kova::ifwic
