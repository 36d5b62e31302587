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
    ComScope();
    ~ComScope();
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
    // Null when COM or the imaging component is missing.
    ComPtr<IWICImagingFactory> CreateFactory() const;

private:
    HRESULT FResult;
};

// The installed decoders, in the platform's order.
std::vector<ComPtr<IWICBitmapDecoderInfo>> InstalledDecoders(IWICImagingFactory* Factory);

}  // namespace kova::ifwic
