#include "plugins/ifwic/Picture.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "plugins/ifwic/PictureHead.h"
#include "plugins/ifwic/Wic.h"

namespace kova::ifwic {

namespace {

int ResultOf(HRESULT hr)
{
    if (hr == WINCODEC_ERR_COMPONENTNOTFOUND)
        return SpiUnknownFormat;
    if (hr == E_OUTOFMEMORY)
        return SpiNoMemory;
    return SpiBrokenData;
}

std::wstring Wide(const char* text)
{
    const int n = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (n <= 0)
        return {};
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, out.data(), n);
    return out;
}

int OpenFile(IWICImagingFactory* factory, const char* name, int32_t offset, ComPtr<IStream>& stream)
{
    ComPtr<IWICStream> file;
    STATSTG stat{};
    if (offset < 0 || FAILED(factory->CreateStream(&file)) ||
        FAILED(file->InitializeFromFilename(Wide(name).c_str(), GENERIC_READ)) ||
        FAILED(file->Stat(&stat, STATFLAG_NONAME)) || stat.cbSize.QuadPart <= static_cast<ULONGLONG>(offset))
        return SpiFileReadError;
    if (offset == 0) {
        stream = file;
        return SpiOk;
    }
    ComPtr<IWICStream> region;
    ULARGE_INTEGER start, size;
    start.QuadPart = static_cast<ULONGLONG>(offset);
    size.QuadPart = stat.cbSize.QuadPart - start.QuadPart;
    if (FAILED(factory->CreateStream(&region)) || FAILED(region->InitializeFromIStreamRegion(file.Get(), start, size)))
        return SpiFileReadError;
    stream = region;
    return SpiOk;
}

int OpenSource(IWICImagingFactory* factory, const SourceArgs& source, ComPtr<IStream>& stream)
{
    if (source.Source == nullptr)
        return SpiInternalError;
    switch (source.Flag & 7) {
    case 0:
        return OpenFile(factory, source.Source, source.Length, stream);
    case 1: {
        ComPtr<IWICStream> memory;
        if (source.Length < 1)
            return SpiBrokenData;
        // Only read: the decoders never write to their stream.
        BYTE* bytes = reinterpret_cast<BYTE*>(const_cast<char*>(source.Source));
        if (FAILED(factory->CreateStream(&memory)) ||
            FAILED(memory->InitializeFromMemory(bytes, static_cast<DWORD>(source.Length))))
            return SpiInternalError;
        stream = memory;
        return SpiOk;
    }
    default:
        return SpiInternalError;
    }
}

// The imaging factory and the picture's data as a stream, for one call.
int OpenPicture(const ComScope& com, const SourceArgs& source, ComPtr<IWICImagingFactory>& factory,
                ComPtr<IStream>& stream)
{
    factory = com.CreateFactory();
    if (!factory)
        return SpiInternalError;
    return OpenSource(factory.Get(), source, stream);
}

bool Rewind(IStream* stream)
{
    LARGE_INTEGER zero{};
    return SUCCEEDED(stream->Seek(zero, STREAM_SEEK_SET, nullptr));
}

// The picture's header, read by seeking through the stream, which is left at its start.
std::optional<PictureHead> PeekHead(IStream* stream)
{
    std::optional<PictureHead> head = ReadPictureHead([stream](uint64_t offset, uint8_t* buffer, size_t count) {
        LARGE_INTEGER at;
        at.QuadPart = static_cast<LONGLONG>(offset);
        ULONG got = 0;
        if (offset > INT64_MAX || FAILED(stream->Seek(at, STREAM_SEEK_SET, nullptr)) ||
            FAILED(stream->Read(buffer, static_cast<ULONG>(count), &got)))
            return size_t{0};
        return size_t{got};
    });
    return Rewind(stream) ? head : std::nullopt;
}

int OpenFirstFrame(IWICImagingFactory* factory, IStream* stream, ComPtr<IWICBitmapFrameDecode>& frame)
{
    ComPtr<IWICBitmapDecoder> decoder;
    HRESULT hr = factory->CreateDecoderFromStream(stream, nullptr, WICDecodeMetadataCacheOnDemand, &decoder);
    if (SUCCEEDED(hr))
        hr = decoder->GetFrame(0, &frame);
    return SUCCEEDED(hr) ? SpiOk : ResultOf(hr);
}

// A palette picture has alpha when its palette does; any other when its pixel format can
// carry it.
bool HasAlpha(IWICImagingFactory* factory, IWICBitmapFrameDecode* frame)
{
    ComPtr<IWICPalette> palette;
    BOOL alpha = FALSE;
    if (SUCCEEDED(factory->CreatePalette(&palette)) && SUCCEEDED(frame->CopyPalette(palette.Get())))
        return SUCCEEDED(palette->HasAlpha(&alpha)) && alpha;
    WICPixelFormatGUID format{};
    ComPtr<IWICComponentInfo> component;
    ComPtr<IWICPixelFormatInfo2> formatInfo;
    return SUCCEEDED(frame->GetPixelFormat(&format)) && SUCCEEDED(factory->CreateComponentInfo(format, &component)) &&
           SUCCEEDED(component.As(&formatInfo)) && SUCCEEDED(formatInfo->SupportsTransparency(&alpha)) && alpha;
}

int SizeResult(int64_t width, int64_t height)
{
    if (width < 1 || height < 1)
        return SpiBrokenData;
    return Oversized(width, height) ? SpiNoMemory : SpiOk;
}

// A local-memory block, freed unless handed over.
class LocalBlock {
public:
    explicit LocalBlock(SIZE_T bytes, UINT flags = LMEM_MOVEABLE) : FHandle(LocalAlloc(flags, bytes)) {}
    ~LocalBlock()
    {
        if (FHandle)
            LocalFree(FHandle);
    }
    LocalBlock(const LocalBlock&) = delete;
    LocalBlock& operator=(const LocalBlock&) = delete;
    HLOCAL get() const { return FHandle; }
    HLOCAL Release() { return std::exchange(FHandle, nullptr); }

private:
    HLOCAL FHandle;
};

// A block's address for one scope.
class LockedBlock {
public:
    explicit LockedBlock(HLOCAL block) : FBlock(block), FAddress(block ? LocalLock(block) : nullptr) {}
    ~LockedBlock()
    {
        if (FAddress)
            LocalUnlock(FBlock);
    }
    LockedBlock(const LockedBlock&) = delete;
    LockedBlock& operator=(const LockedBlock&) = delete;
    uint8_t* get() const { return static_cast<uint8_t*>(FAddress); }

private:
    HLOCAL FBlock;
    void* FAddress;
};

class Progress {
public:
    Progress(ProgressCallback callback, int32_t data) : FCallback(callback), FData(data) {}
    // True when the host asks us to stop.
    bool Stop(int done, int total) const { return FCallback && FCallback(done, total, FData) != 0; }

private:
    ProgressCallback FCallback;
    int32_t FData;
};

// Rows are copied one by one into their bottom-up places; the host hears of every band.
constexpr int ProgressSteps = 32;

// The frame's pixels as 24-bit BGR when it has them so, else as 32-bit BGRA: Wine converts
// palette, grey and 16-bit pictures to the latter only.
struct PixelSource {
    ComPtr<IWICBitmapSource> Pixels;
    int BytesPerPixel = 0;
};

int OpenPixels(IWICImagingFactory* factory, IWICBitmapFrameDecode* frame, bool alpha, PixelSource& source)
{
    WICPixelFormatGUID format{};
    if (FAILED(frame->GetPixelFormat(&format)))
        return SpiBrokenData;
    if (IsEqualGUID(format, alpha ? GUID_WICPixelFormat32bppBGRA : GUID_WICPixelFormat24bppBGR)) {
        source = {frame, alpha ? 4 : 3};
        return SpiOk;
    }
    ComPtr<IWICFormatConverter> converter;
    if (FAILED(factory->CreateFormatConverter(&converter)) ||
        FAILED(converter->Initialize(frame, GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone, nullptr, 0.0,
                                     WICBitmapPaletteTypeCustom)))
        return SpiBrokenData;
    source = {converter, 4};
    return SpiOk;
}

// Row y of the picture into its DIB row, dropping the fourth byte when the DIB has three.
bool CopyRow(const PixelSource& source, int width, int y, int bytesPerPixel, std::vector<uint8_t>& scratch,
             uint8_t* row)
{
    const WICRect rect{0, y, width, 1};
    const UINT sourceBytes = static_cast<UINT>(width * source.BytesPerPixel);
    if (source.BytesPerPixel == bytesPerPixel)
        return SUCCEEDED(source.Pixels->CopyPixels(&rect, sourceBytes, sourceBytes, row));
    if (FAILED(source.Pixels->CopyPixels(&rect, sourceBytes, sourceBytes, scratch.data())))
        return false;
    for (int x = 0; x < width; ++x)
        std::memcpy(row + x * 3, &scratch[static_cast<size_t>(x) * 4], 3);
    return true;
}

// Bytes from one DIB row to the next: whole 32-bit words.
size_t DibStride(UINT width, int bytesPerPixel) { return (static_cast<size_t>(width) * bytesPerPixel + 3) & ~size_t{3}; }

int CopyRows(const PixelSource& source, int width, int height, int bytesPerPixel, size_t stride, uint8_t* bits,
             const Progress& progress)
{
    const size_t rowBytes = static_cast<size_t>(width) * bytesPerPixel;
    const int band = std::max(1, height / ProgressSteps);
    std::vector<uint8_t> scratch(static_cast<size_t>(width) * source.BytesPerPixel);
    for (int y = 0; y < height; ++y) {
        if (y % band == 0 && progress.Stop(y, height))
            return SpiAborted;
        uint8_t* row = bits + static_cast<size_t>(height - 1 - y) * stride;
        if (!CopyRow(source, width, y, bytesPerPixel, scratch, row))
            return SpiBrokenData;
        std::fill(row + rowBytes, row + stride, uint8_t{0});
    }
    return progress.Stop(height, height) ? SpiAborted : SpiOk;
}

int DecodeFrame(IWICImagingFactory* factory, IWICBitmapFrameDecode* frame, HLOCAL& infoHandle, HLOCAL& pixelHandle,
                const Progress& progress)
{
    UINT width = 0, height = 0;
    if (FAILED(frame->GetSize(&width, &height)))
        return SpiBrokenData;
    if (int result = SizeResult(width, height); result != SpiOk)
        return result;
    const bool alpha = HasAlpha(factory, frame);
    PixelSource source;
    if (int result = OpenPixels(factory, frame, alpha, source); result != SpiOk)
        return result;

    const int bytesPerPixel = alpha ? 4 : 3;
    const size_t stride = DibStride(width, bytesPerPixel);
    const DWORD imageSize = static_cast<DWORD>(stride * height);
    LocalBlock info(sizeof(BITMAPINFOHEADER), LMEM_MOVEABLE | LMEM_ZEROINIT);
    LocalBlock image(imageSize);
    {
        LockedBlock header(info.get());
        LockedBlock bits(image.get());
        if (!header.get() || !bits.get())
            return SpiNoMemory;
        auto* h = reinterpret_cast<BITMAPINFOHEADER*>(header.get());
        h->biSize = sizeof(BITMAPINFOHEADER);
        h->biWidth = static_cast<LONG>(width);
        h->biHeight = static_cast<LONG>(height);
        h->biPlanes = 1;
        h->biBitCount = static_cast<WORD>(bytesPerPixel * 8);
        h->biCompression = BI_RGB;
        h->biSizeImage = imageSize;
        if (int result = CopyRows(source, static_cast<int>(width), static_cast<int>(height), bytesPerPixel, stride,
                                  bits.get(), progress);
            result != SpiOk)
            return result;
    }
    infoHandle = info.Release();
    pixelHandle = image.Release();
    return SpiOk;
}

}  // namespace

int Recognised(const uint8_t (&head)[HeadSize])
{
    ComScope com;
    ComPtr<IWICImagingFactory> factory = com.CreateFactory();
    ComPtr<IWICStream> stream;
    if (!factory || FAILED(factory->CreateStream(&stream)) ||
        FAILED(stream->InitializeFromMemory(const_cast<BYTE*>(head), HeadSize)))
        return 0;
    for (const ComPtr<IWICBitmapDecoderInfo>& decoder : InstalledDecoders(factory.Get())) {
        BOOL matches = FALSE;
        if (Rewind(stream.Get()) && SUCCEEDED(decoder->MatchesPattern(stream.Get(), &matches)) && matches)
            return 1;
    }
    return 0;
}

int ReadPictureInfo(const SourceArgs& source, PictureInfo& info)
{
    ComScope com;
    ComPtr<IWICImagingFactory> factory;
    ComPtr<IStream> stream;
    if (int result = OpenPicture(com, source, factory, stream); result != SpiOk)
        return result;
    // Opening a decoder decodes the whole picture under Wine: a format whose header gives the
    // size is answered from it.
    if (std::optional<PictureHead> head = PeekHead(stream.Get())) {
        if (int result = SizeResult(head->Width, head->Height); result != SpiOk)
            return result;
        info.Width = static_cast<int32_t>(head->Width);
        info.Height = static_cast<int32_t>(head->Height);
        info.ColorDepth = head->Alpha.value_or(false) ? 32 : 24;
        return SpiOk;
    }
    ComPtr<IWICBitmapFrameDecode> frame;
    if (int result = OpenFirstFrame(factory.Get(), stream.Get(), frame); result != SpiOk)
        return result;
    UINT width = 0, height = 0;
    if (FAILED(frame->GetSize(&width, &height)))
        return SpiBrokenData;
    if (int result = SizeResult(width, height); result != SpiOk)
        return result;
    info.Width = static_cast<int32_t>(width);
    info.Height = static_cast<int32_t>(height);
    info.ColorDepth = HasAlpha(factory.Get(), frame.Get()) ? 32 : 24;
    return SpiOk;
}

int DecodePicture(const SourceArgs& source, HLOCAL& infoHandle, HLOCAL& pixelHandle, ProgressCallback progress,
                  int32_t data)
{
    ComScope com;
    ComPtr<IWICImagingFactory> factory;
    ComPtr<IStream> stream;
    if (int result = OpenPicture(com, source, factory, stream); result != SpiOk)
        return result;
    // Refused from the header before any decoder sees the picture; other formats are refused
    // by their frame's size, before any pixels are copied.
    if (std::optional<PictureHead> head = PeekHead(stream.Get()))
        if (int result = SizeResult(head->Width, head->Height); result != SpiOk)
            return result;
    ComPtr<IWICBitmapFrameDecode> frame;
    if (int result = OpenFirstFrame(factory.Get(), stream.Get(), frame); result != SpiOk)
        return result;
    return DecodeFrame(factory.Get(), frame.Get(), infoHandle, pixelHandle, Progress(progress, data));
}

}  // namespace kova::ifwic
