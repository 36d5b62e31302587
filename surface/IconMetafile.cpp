// Icons and metafiles. Both keep the file as read; every offset and size in it is checked
// before GDI sees the data.
#include <cstdlib>
#include <cstring>

#include "base/Exceptions.h"
#include "surface/BmpFile.h"
#include "surface/Graphics.h"

namespace kova {

const TGraphicClassInfo TIcon::Class = {"TIcon", nullptr, []() -> TGraphic* { return new TIcon(); }};
const TGraphicClassInfo TMetafile::Class = {"TMetafile", nullptr, []() -> TGraphic* { return new TMetafile(); }};

namespace {

// Larger files are not icons or metafiles we could show.
constexpr int64_t MaxFileBytes = 256 * 1024 * 1024;

uint16_t Get16(const std::vector<uint8_t>& d, size_t at) { return static_cast<uint16_t>(d[at] | d[at + 1] << 8); }

uint32_t Get32(const std::vector<uint8_t>& d, size_t at)
{
    return d[at] | d[at + 1] << 8 | d[at + 2] << 16 | static_cast<uint32_t>(d[at + 3]) << 24;
}

int32_t GetInt32(const std::vector<uint8_t>& d, size_t at) { return static_cast<int32_t>(Get32(d, at)); }

std::vector<uint8_t> ReadRest(TStream& stream, const char* invalidMessage)
{
    const int64_t size = stream.Size() - stream.Position();
    if (size <= 0 || size > MaxFileBytes)
        throw EInvalidGraphic(invalidMessage);
    std::vector<uint8_t> data(static_cast<size_t>(size));
    stream.ReadBuffer(data.data(), size);
    return data;
}

void WriteAll(TStream& stream, const std::vector<uint8_t>& data)
{
    if (!data.empty())
        stream.WriteBuffer(data.data(), static_cast<int64_t>(data.size()));
}

// ---------------------------------------------------------------- icon files

const char* const InvalidIcon = "アイコンが無効です";

[[noreturn]] void IconInvalid() { throw EInvalidGraphic(InvalidIcon); }

struct IconImage {
    size_t Offset = 0, Size = 0;
    int Width = 0, Height = 0;
};

bool IsPng(const std::vector<uint8_t>& d, const IconImage& img)
{
    static const uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    return img.Size >= 8 && std::memcmp(&d[img.Offset], signature, 8) == 0;
}

// The image of an icon entry: a BITMAPINFOHEADER of double height, colours, colour and mask rows.
void CheckIconDib(const std::vector<uint8_t>& d, const IconImage& img)
{
    if (img.Size < sizeof(BITMAPINFOHEADER))
        IconInvalid();
    const size_t at = img.Offset;
    const uint32_t headerSize = Get32(d, at);
    const int32_t width = GetInt32(d, at + 4), height = GetInt32(d, at + 8);
    const uint16_t planes = Get16(d, at + 12), bits = Get16(d, at + 14);
    const uint32_t compression = Get32(d, at + 16), colorsUsed = Get32(d, at + 32);
    const bool knownBits = bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
    if (headerSize < sizeof(BITMAPINFOHEADER) || headerSize > img.Size || width <= 0 || width > 1024 ||
        height <= 0 || height > 2048 || height % 2 != 0 || planes != 1 || !knownBits || compression != BI_RGB ||
        colorsUsed > 256)
        IconInvalid();
    const uint64_t colors = bits <= 8 && colorsUsed == 0 ? uint64_t{1} << bits : colorsUsed;
    const uint64_t rows = static_cast<uint64_t>(height / 2);
    const uint64_t need = headerSize + 4 * colors + rows * static_cast<uint64_t>(bmpfile::RowBytes(width, bits)) +
                          rows * static_cast<uint64_t>(bmpfile::RowBytes(width, 1));
    if (need > img.Size)
        IconInvalid();
}

// The first image of an icon file (ICONDIR, then 16-byte entries).
IconImage FirstIconImage(const std::vector<uint8_t>& d)
{
    if (d.size() < 6 + 16 || Get16(d, 0) != 0 || Get16(d, 2) != 1 || Get16(d, 4) == 0)
        IconInvalid();
    if (6 + 16 * static_cast<size_t>(Get16(d, 4)) > d.size())
        IconInvalid();
    IconImage img;
    img.Width = d[6] ? d[6] : 256;
    img.Height = d[7] ? d[7] : 256;
    img.Size = Get32(d, 6 + 8);
    img.Offset = Get32(d, 6 + 12);
    if (img.Offset > d.size() || img.Size > d.size() - img.Offset || img.Size == 0)
        IconInvalid();
    if (!IsPng(d, img))
        CheckIconDib(d, img);
    return img;
}

// ---------------------------------------------------------------- metafiles

const char* const InvalidMetafile = "メタファイルが無効です";

[[noreturn]] void MetafileInvalid() { throw EInvalidGraphic(InvalidMetafile); }

constexpr uint32_t PlaceableKey = 0x9AC6CDD7;
constexpr size_t PlaceableSize = 22;
constexpr size_t EmfHeaderMin = 88;  // ENHMETAHEADER up to szlMillimeters

bool IsEmf(const std::vector<uint8_t>& d)
{
    return d.size() >= EmfHeaderMin && Get32(d, 0) == EMR_HEADER && Get32(d, 40) == ENHMETA_SIGNATURE;
}

// The records of an enhanced metafile must lie end to end inside it, up to EMR_EOF.
void CheckEmf(const std::vector<uint8_t>& d)
{
    const uint32_t headerSize = Get32(d, 4), total = Get32(d, 48);
    if (headerSize < EmfHeaderMin || headerSize % 4 || total > d.size() || total % 4 || headerSize > total)
        MetafileInvalid();
    for (size_t at = headerSize;;) {
        if (total - at < 8)
            MetafileInvalid();
        const uint32_t type = Get32(d, at), size = Get32(d, at + 4);
        if (size < 8 || size % 4 || size > total - at)
            MetafileInvalid();
        if (type == EMR_EOF)
            return;
        at += size;
    }
}

// A Windows metafile starting at offset `at`: METAHEADER, then records up to META_EOF (0).
void CheckWmf(const std::vector<uint8_t>& d, size_t at)
{
    constexpr size_t HeaderSize = 18;
    if (d.size() - at < HeaderSize)
        MetafileInvalid();
    const uint16_t type = Get16(d, at), headerWords = Get16(d, at + 2);
    const uint64_t total = uint64_t{Get32(d, at + 6)} * 2;
    if ((type != 1 && type != 2) || headerWords != HeaderSize / 2 || total < HeaderSize || total > d.size() - at)
        MetafileInvalid();
    for (uint64_t offset = HeaderSize;;) {
        if (total - offset < 6)
            MetafileInvalid();
        const uint64_t size = uint64_t{Get32(d, at + offset)} * 2;
        if (size < 6 || size > total - offset)
            MetafileInvalid();
        if (Get16(d, at + offset + 4) == 0)
            return;
        offset += size;
    }
}

}  // namespace

// ---------------------------------------------------------------- icon

TIcon::~TIcon() { Release(); }

void TIcon::Release()
{
    if (FIcon)
        DestroyIcon(FIcon);
    FIcon = nullptr;
}

void TIcon::Load(std::vector<uint8_t> data)
{
    const IconImage img = FirstIconImage(data);
    HICON icon = CreateIconFromResourceEx(&data[img.Offset], static_cast<DWORD>(img.Size), TRUE, 0x00030000,
                                          img.Width, img.Height, LR_DEFAULTCOLOR);
    if (!icon)
        IconInvalid();
    Release();
    FIcon = icon;
    FWidth = img.Width;
    FHeight = img.Height;
    FData = std::move(data);
}

void TIcon::LoadFromStream(TStream& stream)
{
    Load(ReadRest(stream, InvalidIcon));
    Changed();
}

void TIcon::SaveToStream(TStream& stream) { WriteAll(stream, FData); }

void TIcon::Assign(TPersistent* Source)
{
    auto* other = dynamic_cast<TIcon*>(Source);
    if (!other) {
        TGraphic::Assign(Source);
    } else if (other != this) {
        if (other->FData.empty()) {
            Release();
            FData.clear();
            FWidth = FHeight = 0;
        } else {
            Load(other->FData);
        }
        Changed();
    }
}

void TIcon::Draw(TCanvas* canvas, const TRect& rect)
{
    if (FIcon)
        DrawIconEx(canvas->Handle(), rect.Left, rect.Top, FIcon, rect.Width(), rect.Height(), 0, nullptr, DI_NORMAL);
}

// ---------------------------------------------------------------- metafile

TMetafile::~TMetafile() { Release(); }

void TMetafile::Release()
{
    if (FMeta)
        DeleteEnhMetaFile(FMeta);
    FMeta = nullptr;
}

void TMetafile::Load(std::vector<uint8_t> data)
{
    HENHMETAFILE meta = nullptr;
    int width = 0, height = 0;
    const int ppi = ScreenPixelsPerInch();
    if (IsEmf(data)) {
        CheckEmf(data);
        meta = SetEnhMetaFileBits(Get32(data, 48), data.data());
        // The frame is in hundredths of a millimetre.
        width = MulDiv(GetInt32(data, 32) - GetInt32(data, 24), ppi, 2540);
        height = MulDiv(GetInt32(data, 36) - GetInt32(data, 28), ppi, 2540);
    } else if (data.size() >= PlaceableSize && Get32(data, 0) == PlaceableKey) {
        CheckWmf(data, PlaceableSize);
        const int inch = Get16(data, 14);
        const int w = std::abs(static_cast<int16_t>(Get16(data, 10)) - static_cast<int16_t>(Get16(data, 6)));
        const int h = std::abs(static_cast<int16_t>(Get16(data, 12)) - static_cast<int16_t>(Get16(data, 8)));
        if (inch == 0)
            MetafileInvalid();
        const METAFILEPICT pict{MM_ANISOTROPIC, MulDiv(w, 2540, inch), MulDiv(h, 2540, inch), nullptr};
        meta = SetWinMetaFileBits(static_cast<UINT>(data.size() - PlaceableSize), &data[PlaceableSize], nullptr,
                                  &pict);
        width = MulDiv(w, ppi, inch);
        height = MulDiv(h, ppi, inch);
    } else {
        CheckWmf(data, 0);
        meta = SetWinMetaFileBits(static_cast<UINT>(data.size()), data.data(), nullptr, nullptr);
        ENHMETAHEADER header{};
        if (meta && GetEnhMetaFileHeader(meta, sizeof(header), &header)) {
            width = MulDiv(header.rclFrame.right - header.rclFrame.left, ppi, 2540);
            height = MulDiv(header.rclFrame.bottom - header.rclFrame.top, ppi, 2540);
        }
    }
    if (!meta)
        MetafileInvalid();
    Release();
    FMeta = meta;
    FWidth = width;
    FHeight = height;
    FData = std::move(data);
}

void TMetafile::LoadFromStream(TStream& stream)
{
    Load(ReadRest(stream, InvalidMetafile));
    Changed();
}

void TMetafile::SaveToStream(TStream& stream) { WriteAll(stream, FData); }

void TMetafile::Assign(TPersistent* Source)
{
    auto* other = dynamic_cast<TMetafile*>(Source);
    if (!other) {
        TGraphic::Assign(Source);
        return;
    }
    if (other == this)
        return;
    if (other->FData.empty()) {
        Release();
        FData.clear();
    } else {
        Load(other->FData);
    }
    FWidth = other->FWidth;
    FHeight = other->FHeight;
    Changed();
}

void TMetafile::Draw(TCanvas* canvas, const TRect& rect)
{
    if (!FMeta)
        return;
    const RECT rc = rect.ToRECT();
    PlayEnhMetaFile(canvas->Handle(), FMeta, &rc);
}

}  // namespace kova
