// Bitmaps: DIB sections of 8 bits per pixel (with a colour table) or 32 bits per pixel.
#include <algorithm>
#include <climits>
#include <cstring>

#include "base/Exceptions.h"
#include "surface/BmpFile.h"
#include "surface/Graphics.h"
#include "surface/Halftone.h"

namespace kova {

// The canvas of a bitmap: a memory DC that holds the bitmap's DIB section.
class TBitmapCanvas : public TCanvas {
public:
    explicit TBitmapCanvas(TBitmap* bitmap) : FBitmap(bitmap)
    {
        OnChange = [bitmap](TObject*) { bitmap->Changed(); };
    }
    ~TBitmapCanvas() override { FreeContext(); }

    // Puts a new DIB (or none) into the DC, keeping the pen, brush, font and pen position.
    void SelectDib(HBITMAP dib)
    {
        if (FDC)
            SelectObject(FDC->get(), dib ? dib : FStockBitmap);
    }
    // The DC with the DIB, for reading from it; no drawing objects selected.
    HDC Context()
    {
        NeedHandle();
        return FDC->get();
    }

protected:
    void CreateHandle() override
    {
        auto dc = std::make_unique<MemoryDC>(CreateCompatibleDC(nullptr));
        if (!dc->get())
            throw EOutOfResources("デバイス コンテキストを作成できません");
        FStockBitmap = GetCurrentObject(dc->get(), OBJ_BITMAP);
        FDC = std::move(dc);
        SelectDib(FBitmap->FDib.get());
        SetHandle(FDC->get());
    }

private:
    void FreeContext()
    {
        if (!FDC)
            return;
        SetHandle(nullptr);
        SelectObject(FDC->get(), FStockBitmap);
        FDC.reset();
    }

    TBitmap* FBitmap;
    std::unique_ptr<MemoryDC> FDC;
    HGDIOBJ FStockBitmap = nullptr;
};

const TGraphicClassInfo TBitmap::Class = {"TBitmap", nullptr, []() -> TGraphic* { return new TBitmap(); }};

namespace {

constexpr int ColorCount = 256;

int BitsOf(TPixelFormat f) { return f == pf8bit ? 8 : 32; }

const std::vector<RGBQUAD>& HalftoneColors()
{
    static const std::vector<RGBQUAD> colors = [] {
        std::vector<RGBQUAD> c(ColorCount);
        const auto& pal = halftone::Palette();
        for (int i = 0; i < ColorCount; ++i)
            c[i] = RGBQUAD{pal[i].b, pal[i].g, pal[i].r, 0};
        return c;
    }();
    return colors;
}

// A full table, so that no pixel value can index past it.
std::vector<RGBQUAD> FullTable(std::vector<RGBQUAD> colors)
{
    colors.resize(ColorCount, RGBQUAD{0, 0, 0, 0});
    return colors;
}

uint8_t NearestIndex(const std::vector<RGBQUAD>& colors, int r, int g, int b)
{
    int best = 0, bestDistance = INT_MAX;
    for (int i = 0; i < static_cast<int>(colors.size()); ++i) {
        const int dr = colors[i].rgbRed - r, dg = colors[i].rgbGreen - g, db = colors[i].rgbBlue - b;
        const int d = dr * dr + dg * dg + db * db;
        if (d < bestDistance) {
            best = i;
            bestDistance = d;
        }
    }
    return static_cast<uint8_t>(best);
}

// A DIB section, bottom-up, the colour table filled at 8 bits per pixel.
GdiObject<HBITMAP> CreateDib(int width, int height, int bits, const std::vector<RGBQUAD>& colors, uint8_t*& memory)
{
    const int64_t rowBytes = (static_cast<int64_t>(width) * bits + 31) / 32 * 4;
    if (rowBytes * height > INT32_MAX)
        throw EOutOfResources("ビットマップを作成できません");
    struct {
        BITMAPINFOHEADER Header;
        RGBQUAD Colors[ColorCount];
    } info{};
    info.Header.biSize = sizeof(BITMAPINFOHEADER);
    info.Header.biWidth = width;
    info.Header.biHeight = height;
    info.Header.biPlanes = 1;
    info.Header.biBitCount = static_cast<WORD>(bits);
    info.Header.biCompression = BI_RGB;
    if (bits == 8) {
        info.Header.biClrUsed = ColorCount;
        std::copy(colors.begin(), colors.begin() + ColorCount, info.Colors);
    }
    void* p = nullptr;
    GdiObject<HBITMAP> dib(
        CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &p, nullptr, 0));
    if (!dib || !p)
        throw EOutOfResources("ビットマップを作成できません");
    memory = static_cast<uint8_t*>(p);
    return dib;
}

uint8_t* RowOf(uint8_t* bits, int width, int height, int bitsPerPixel, int y)
{
    return bits + static_cast<size_t>(height - 1 - y) * static_cast<size_t>(bmpfile::RowBytes(width, bitsPerPixel));
}

void FillWhite(uint8_t* bits, int width, int height, int bitsPerPixel, uint8_t whiteIndex)
{
    const size_t bytes = static_cast<size_t>(bmpfile::RowBytes(width, bitsPerPixel)) * static_cast<size_t>(height);
    if (bitsPerPixel == 8) {
        std::memset(bits, whiteIndex, bytes);
        return;
    }
    const uint32_t white = 0x00FFFFFF;
    for (size_t i = 0; i < bytes; i += 4)
        std::memcpy(bits + i, &white, 4);
}

void ExpandRow(const uint8_t* src8, uint8_t* dst32, int width, const std::vector<RGBQUAD>& colors)
{
    for (int x = 0; x < width; ++x, dst32 += 4) {
        const RGBQUAD& c = colors[src8[x]];
        dst32[0] = c.rgbBlue;
        dst32[1] = c.rgbGreen;
        dst32[2] = c.rgbRed;
        dst32[3] = 0;
    }
}

std::vector<RGBQUAD> ColorsOf(const std::vector<bmpfile::Rgbq>& palette)
{
    std::vector<RGBQUAD> colors;
    for (const auto& c : palette)
        colors.push_back(RGBQUAD{c.b, c.g, c.r, 0});
    return FullTable(std::move(colors));
}

[[noreturn]] void InvalidBitmap() { throw EInvalidGraphic("ビットマップが無効です"); }

}  // namespace

TBitmap::TBitmap() = default;

TBitmap::~TBitmap()
{
    // The DC lets go of the DIB before the DIB is deleted.
    FCanvas.reset();
}

int TBitmap::BitsPerPixel() const { return BitsOf(FPixelFormat); }

int TBitmap::RowBytes() const { return bmpfile::RowBytes(FWidth, BitsPerPixel()); }

uint8_t* TBitmap::Row(int y) const { return RowOf(FBits, FWidth, FHeight, BitsPerPixel(), y); }

uint8_t* TBitmap::ScanLine(int y)
{
    if (!FBits || y < 0 || y >= FHeight)
        throw EInvalidGraphic(Format("走査線のインデックスが範囲を超えています (%d)", y));
    GdiFlush();
    return Row(y);
}

TCanvas* TBitmap::Canvas()
{
    if (!FCanvas)
        FCanvas = std::make_unique<TBitmapCanvas>(this);
    return FCanvas.get();
}

HBITMAP TBitmap::Handle() { return FDib.get(); }

const std::vector<RGBQUAD>& TBitmap::Colors()
{
    if (FColors.empty())
        FColors = HalftoneColors();
    return FColors;
}

void TBitmap::Install(GdiObject<HBITMAP> dib, uint8_t* bits, int width, int height, TPixelFormat format)
{
    if (FCanvas)
        FCanvas->SelectDib(dib.get());
    FDib = std::move(dib);
    FBits = bits;
    FWidth = width;
    FHeight = height;
    FPixelFormat = format;
    FPalette.reset();
}

void TBitmap::FreeImage()
{
    if (FCanvas)
        FCanvas->SelectDib(nullptr);
    FDib.reset();
    FBits = nullptr;
    FPalette.reset();
}

void TBitmap::SetWidth(int v) { SetSize(v, FHeight); }

void TBitmap::SetHeight(int v) { SetSize(FWidth, v); }

void TBitmap::SetSize(int width, int height)
{
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (width == FWidth && height == FHeight)
        return;
    if (width == 0 || height == 0) {
        FreeImage();
        FWidth = width;
        FHeight = height;
        Changed();
        return;
    }
    const int bits = BitsPerPixel();
    const std::vector<RGBQUAD>& colors = Colors();
    uint8_t* memory = nullptr;
    GdiObject<HBITMAP> dib = CreateDib(width, height, bits, colors, memory);
    FillWhite(memory, width, height, bits, NearestIndex(colors, 255, 255, 255));
    if (FBits) {
        GdiFlush();
        const size_t bytes = static_cast<size_t>(std::min(width, FWidth)) * static_cast<size_t>(bits / 8);
        for (int y = 0; y < std::min(height, FHeight); ++y)
            std::memcpy(RowOf(memory, width, height, bits, y), Row(y), bytes);
    }
    Install(std::move(dib), memory, width, height, FPixelFormat);
    Changed();
}

void TBitmap::SetPixelFormat(TPixelFormat v)
{
    if (v != pfDevice && v != pf8bit && v != pf32bit)
        throw EInvalidGraphic("この画素形式は扱えません");
    const int bits = BitsOf(v);
    if (bits == BitsPerPixel() || !FBits) {
        if (bits == 8 && BitsPerPixel() == 32)
            FColors = HalftoneColors();
        FPixelFormat = v;
        return;
    }
    GdiFlush();
    const std::vector<RGBQUAD> colors = bits == 8 ? HalftoneColors() : Colors();
    uint8_t* memory = nullptr;
    GdiObject<HBITMAP> dib = CreateDib(FWidth, FHeight, bits, colors, memory);
    for (int y = 0; y < FHeight; ++y) {
        uint8_t* dst = RowOf(memory, FWidth, FHeight, bits, y);
        if (bits == 8)
            halftone::MapRow(Row(y), dst, FWidth);
        else
            ExpandRow(Row(y), dst, FWidth, colors);
    }
    Install(std::move(dib), memory, FWidth, FHeight, v);
    if (bits == 8)
        FColors = colors;
    Changed();
}

HPALETTE TBitmap::Palette() const
{
    if (!FPalette && FPixelFormat == pf8bit && !FColors.empty()) {
        struct {
            WORD Version, Count;
            PALETTEENTRY Entries[ColorCount];
        } lp{0x300, ColorCount, {}};
        for (int i = 0; i < ColorCount; ++i)
            lp.Entries[i] = PALETTEENTRY{FColors[i].rgbRed, FColors[i].rgbGreen, FColors[i].rgbBlue, 0};
        FPalette.reset(CreatePalette(reinterpret_cast<LOGPALETTE*>(&lp)));
        if (!FPalette)
            throw EOutOfResources("パレットを作成できません");
    }
    return FPalette.get();
}

void TBitmap::SetPalette(HPALETTE p)
{
    if (p == FPalette.get())
        return;
    GdiObject<HPALETTE> owned(p);
    if (FPixelFormat == pf8bit && p) {
        PALETTEENTRY entries[ColorCount];
        const UINT n = GetPaletteEntries(p, 0, ColorCount, entries);
        std::vector<RGBQUAD> colors = Colors();
        for (UINT i = 0; i < n; ++i)
            colors[i] = RGBQUAD{entries[i].peBlue, entries[i].peGreen, entries[i].peRed, 0};
        if (FBits) {
            uint8_t* memory = nullptr;
            GdiObject<HBITMAP> dib = CreateDib(FWidth, FHeight, 8, colors, memory);
            GdiFlush();
            std::memcpy(memory, FBits, static_cast<size_t>(RowBytes()) * static_cast<size_t>(FHeight));
            Install(std::move(dib), memory, FWidth, FHeight, FPixelFormat);
        }
        FColors = std::move(colors);
    }
    FPalette = std::move(owned);
    Changed();
}

void TBitmap::Draw(TCanvas* canvas, const TRect& rect)
{
    if (!FBits)
        return;
    Canvas();
    HDC src = FCanvas->Context();
    HDC dst = canvas->Handle();
    if (rect.Width() == FWidth && rect.Height() == FHeight) {
        BitBlt(dst, rect.Left, rect.Top, FWidth, FHeight, src, 0, 0, canvas->CopyMode());
        return;
    }
    const int oldMode = SetStretchBltMode(dst, COLORONCOLOR);
    StretchBlt(dst, rect.Left, rect.Top, rect.Width(), rect.Height(), src, 0, 0, FWidth, FHeight, canvas->CopyMode());
    SetStretchBltMode(dst, oldMode);
}

void TBitmap::LoadBmpFile(const uint8_t* data, size_t size)
{
    const bmpfile::Image header = bmpfile::DecodeHeader(data, size);
    const TPixelFormat format = header.BitsPerPixel == 8 ? pf8bit : pf32bit;
    std::vector<RGBQUAD> colors = format == pf8bit ? ColorsOf(header.Palette) : FColors;
    uint8_t* memory = nullptr;
    GdiObject<HBITMAP> dib = CreateDib(header.Width, header.Height, header.BitsPerPixel, colors, memory);
    // Straight into the DIB section: a big picture is not held twice.
    const ptrdiff_t rowBytes = bmpfile::RowBytes(header.Width, header.BitsPerPixel);
    bmpfile::DecodePixels(data, size, RowOf(memory, header.Width, header.Height, header.BitsPerPixel, 0), -rowBytes);
    Install(std::move(dib), memory, header.Width, header.Height, format);
    FColors = std::move(colors);
    Changed();
}

void TBitmap::LoadFromStream(TStream& stream)
{
    const int64_t start = stream.Position();
    const int64_t size = stream.Size() - start;
    if (size <= 0 || size > INT32_MAX)
        InvalidBitmap();
    // A memory stream is decoded where it lies: a big picture is not copied once more.
    if (auto* memory = dynamic_cast<TMemoryStream*>(&stream)) {
        stream.Seek(0, TSeekOrigin::soEnd);
        LoadBmpFile(memory->Memory() + start, static_cast<size_t>(size));
        return;
    }
    std::vector<uint8_t> data(static_cast<size_t>(size));
    stream.ReadBuffer(data.data(), size);
    LoadBmpFile(data.data(), data.size());
}

void TBitmap::SaveToStream(TStream& stream)
{
    GdiFlush();
    std::vector<bmpfile::Rgbq> palette;
    if (FPixelFormat == pf8bit)
        for (const RGBQUAD& c : Colors())
            palette.push_back(bmpfile::Rgbq{c.rgbBlue, c.rgbGreen, c.rgbRed, 0});
    bmpfile::Encode(stream, FBits ? FWidth : 0, FBits ? FHeight : 0, BitsPerPixel(), palette.data(),
                    static_cast<int>(palette.size()), [this](int y) -> const uint8_t* { return Row(y); });
}

void TBitmap::LoadFromDIB(const BITMAPINFO* info, const void* bits)
{
    // Written out as a bitmap file, so the file reader does every check.
    const BITMAPINFOHEADER& h = info->bmiHeader;
    if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biSize > 1024 || h.biWidth <= 0 || h.biWidth > bmpfile::MaxSide ||
        h.biHeight == 0 || h.biHeight < -bmpfile::MaxSide || h.biHeight > bmpfile::MaxSide || h.biClrUsed > 256)
        InvalidBitmap();
    const bool indexed = h.biBitCount <= 8;
    const size_t colors = indexed && h.biClrUsed == 0 ? size_t{1} << h.biBitCount : h.biClrUsed;
    const size_t masks = h.biCompression == BI_BITFIELDS && h.biSize == sizeof(BITMAPINFOHEADER) ? 12 : 0;
    const size_t headerBytes = h.biSize + masks + 4 * colors;
    const bool rle = h.biCompression == BI_RLE8 || h.biCompression == BI_RLE4;
    const size_t imageBytes = rle ? h.biSizeImage
                                  : static_cast<size_t>(bmpfile::RowBytes(h.biWidth, h.biBitCount)) *
                                        static_cast<size_t>(std::abs(h.biHeight));
    const size_t fileBytes = 14 + headerBytes + imageBytes;
    if (imageBytes > INT32_MAX || fileBytes > INT32_MAX)
        InvalidBitmap();
    std::vector<uint8_t> file(fileBytes);
    const uint32_t offBits = static_cast<uint32_t>(14 + headerBytes);
    const uint32_t fileSize = static_cast<uint32_t>(fileBytes);
    file[0] = 'B';
    file[1] = 'M';
    std::memcpy(&file[2], &fileSize, 4);
    std::memcpy(&file[10], &offBits, 4);
    std::memcpy(&file[14], info, headerBytes);
    std::memcpy(&file[offBits], bits, imageBytes);
    LoadBmpFile(file.data(), file.size());
}

void TBitmap::Assign(TPersistent* Source)
{
    if (Source == this)
        return;
    if (!Source) {
        FreeImage();
        FWidth = FHeight = 0;
        Changed();
        return;
    }
    auto* src = dynamic_cast<TBitmap*>(Source);
    if (!src) {
        TGraphic::Assign(Source);
        return;
    }
    if (!src->FBits) {
        FreeImage();
        FWidth = src->FWidth;
        FHeight = src->FHeight;
        FPixelFormat = src->FPixelFormat;
        FColors = src->FColors;
        Changed();
        return;
    }
    uint8_t* memory = nullptr;
    const std::vector<RGBQUAD>& colors = src->FPixelFormat == pf8bit ? src->Colors() : FColors;
    GdiObject<HBITMAP> dib = CreateDib(src->FWidth, src->FHeight, src->BitsPerPixel(), colors, memory);
    GdiFlush();
    std::memcpy(memory, src->FBits, static_cast<size_t>(src->RowBytes()) * static_cast<size_t>(src->FHeight));
    Install(std::move(dib), memory, src->FWidth, src->FHeight, src->FPixelFormat);
    FColors = src->FColors;
    Changed();
}

void TBitmap::TakeImageOf(TBitmap& source)
{
    if (&source == this || !source.FBits) {
        Assign(&source);
        return;
    }
    GdiObject<HBITMAP> dib = std::move(source.FDib);
    uint8_t* const bits = source.FBits;
    const int width = source.FWidth, height = source.FHeight;
    source.FreeImage();  // its DC lets go of the DIB, which can be in one DC only
    Install(std::move(dib), bits, width, height, source.FPixelFormat);
    FColors = std::move(source.FColors);
    source.FWidth = source.FHeight = 0;
    source.Changed();
    Changed();
}

}  // namespace kova
