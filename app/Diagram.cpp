#include "app/Diagram.h"

#include <zlib.h>

#include <cstring>

#include "surface/BmpFile.h"

namespace kova::diagram {

namespace {

constexpr uint8_t HeadSignature[8] = {'K', 'O', 'V', 'A', 'D', 'I', 'A', 'G'};
constexpr uint8_t FootSignature[8] = {'K', 'O', 'V', 'A', 'E', 'N', 'D', 0};
constexpr size_t HeadSize = 16;  // signature, version, body length
constexpr size_t FootSize = 16;  // checksum, block start, signature
constexpr int32_t MaxCoordinate = 1000000;
constexpr int32_t MaxFontHeight = 16384;
constexpr int32_t MaxPenWidth = 1000;
// Deflate never packs more than about 1032 bytes into one, so a layer that claims more than
// that of its compressed length is refused before anything is allocated for it.
constexpr uint64_t MaxDeflateRatio = 1032;

[[noreturn]] void Damaged(const std::string& what) { throw EDiagramError(what); }

void Put32(uint8_t* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}

uint32_t Get32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }

class Writer {
public:
    explicit Writer(std::vector<uint8_t>& out) : FOut(out) {}
    void U8(uint8_t v) { FOut.push_back(v); }
    void U32(uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            FOut.push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
    void I32(int32_t v) { U32(static_cast<uint32_t>(v)); }
    void Bytes(const void* p, size_t n)
    {
        const auto* b = static_cast<const uint8_t*>(p);
        FOut.insert(FOut.end(), b, b + n);
    }
    void Text(const std::string& s)
    {
        U32(static_cast<uint32_t>(s.size()));
        Bytes(s.data(), s.size());
    }

private:
    std::vector<uint8_t>& FOut;
};

// Reads the body; every read is checked against the body's end.
class Reader {
public:
    Reader(const uint8_t* p, size_t n) : FP(p), FEnd(p + n) {}
    const uint8_t* Take(uint64_t n)
    {
        if (n > static_cast<uint64_t>(FEnd - FP))
            Damaged("長さが図のデータの終わりを超えています");
        const uint8_t* p = FP;
        FP += n;
        return p;
    }
    uint8_t U8() { return *Take(1); }
    uint32_t U32() { return Get32(Take(4)); }
    int32_t I32() { return static_cast<int32_t>(U32()); }
    // A 32-bit value within [low, high], or the block is damaged with the given message.
    int32_t Within(int32_t low, int32_t high, const char* what)
    {
        const int32_t v = I32();
        if (v < low || v > high)
            Damaged(what);
        return v;
    }
    uint8_t UpTo(uint8_t high, const char* what)
    {
        const uint8_t v = U8();
        if (v > high)
            Damaged(what);
        return v;
    }
    std::string Text(uint32_t maxLength, const char* what)
    {
        const uint32_t n = U32();
        if (n > maxLength)
            Damaged(what);
        const uint8_t* p = Take(n);
        return std::string(reinterpret_cast<const char*>(p), n);
    }
    bool AtEnd() const { return FP == FEnd; }

private:
    const uint8_t* FP;
    const uint8_t* FEnd;
};

constexpr const char* BadStyle = "項目の書式が不正です";

void WriteItem(Writer& w, const Item& item)
{
    w.I32(item.X);
    w.I32(item.Y);
    w.Text(item.Text);
    const Font& f = item.ItemFont;
    w.I32(f.Height);
    w.I32(f.Size);
    w.I32(f.PixelsPerInch);
    w.U8(f.Style);
    w.U8(f.Pitch);
    w.U8(f.Charset);
    w.U32(f.Color);
    w.Text(f.Name);
    w.U8(item.ItemPen.Mode);
    w.U8(item.ItemPen.Style);
    w.I32(item.ItemPen.Width);
    w.U32(item.ItemPen.Color);
    w.U32(item.BrushColor);
    w.U8(static_cast<uint8_t>(item.HasEllipse | item.Deleted << 1 | item.HasShadow << 2));
    w.U32(static_cast<uint32_t>(item.Links.size()));
    for (int32_t link : item.Links)
        w.I32(link);
}

Item ReadItem(Reader& r, uint32_t itemCount)
{
    Item item;
    item.X = r.Within(-MaxCoordinate, MaxCoordinate, "項目の位置が範囲を超えています");
    item.Y = r.Within(-MaxCoordinate, MaxCoordinate, "項目の位置が範囲を超えています");
    item.Text = r.Text(MaxText, "項目の文字列が長すぎます");
    Font& f = item.ItemFont;
    f.Height = r.Within(-MaxFontHeight, MaxFontHeight, BadStyle);
    f.Size = r.Within(-MaxFontHeight, MaxFontHeight, BadStyle);
    f.PixelsPerInch = r.Within(1, 4800, BadStyle);
    f.Style = r.UpTo(15, BadStyle);
    f.Pitch = r.UpTo(2, BadStyle);
    f.Charset = r.U8();
    f.Color = r.U32();
    f.Name = r.Text(MaxFaceName, "書体名が長すぎます");
    if (f.Name.find('\0') != std::string::npos)
        Damaged(BadStyle);
    item.ItemPen.Mode = r.UpTo(15, BadStyle);
    item.ItemPen.Style = r.UpTo(6, BadStyle);
    item.ItemPen.Width = r.Within(0, MaxPenWidth, BadStyle);
    item.ItemPen.Color = r.U32();
    item.BrushColor = r.U32();
    const uint8_t flags = r.UpTo(7, BadStyle);
    item.HasEllipse = flags & 1;
    item.Deleted = flags & 2;
    item.HasShadow = flags & 4;
    const uint32_t linkCount = r.U32();
    if (linkCount > MaxLinks)
        Damaged(Format("リンクが多すぎます (%u 本)", linkCount));
    item.Links.resize(linkCount);
    for (int32_t& link : item.Links) {
        link = r.I32();
        if (link < -1 || link >= static_cast<int32_t>(itemCount))
            Damaged(Format("リンク先の項目 %d がありません", link));
    }
    return item;
}

// The layer is packed straight into the file, which has room for it.
void WriteBody(std::vector<uint8_t>& file, const Document& doc)
{
    Writer w(file);
    w.U32(static_cast<uint32_t>(doc.Items.size()));
    for (const Item& item : doc.Items)
        WriteItem(w, item);
    w.U32(doc.LayerWidth);
    w.U32(doc.LayerHeight);
    const size_t at = file.size();
    uLongf packed = compressBound(static_cast<uLong>(doc.Layer.size()));
    file.resize(at + 4 + packed);
    // The fastest level: a sheet must save within a frame, and white stays almost free.
    if (compress2(file.data() + at + 4, &packed, doc.Layer.data(), static_cast<uLong>(doc.Layer.size()), Z_BEST_SPEED) !=
        Z_OK)
        throw EWriteError("自由線の層を圧縮できません");
    Put32(file.data() + at, static_cast<uint32_t>(packed));
    file.resize(at + 4 + packed);
}

Document ReadBody(Reader& r)
{
    Document doc;
    const uint32_t count = r.U32();
    if (count > MaxItems)
        Damaged(Format("項目が多すぎます (%u 個)", count));
    doc.Items.reserve(count);
    for (uint32_t i = 0; i < count; ++i)
        doc.Items.push_back(ReadItem(r, count));
    doc.LayerWidth = r.U32();
    doc.LayerHeight = r.U32();
    if (doc.LayerWidth < 1 || doc.LayerHeight < 1 || doc.LayerWidth > MaxLayerSide || doc.LayerHeight > MaxLayerSide)
        Damaged("自由線の層の大きさが不正です");
    const uint32_t packed = r.U32();
    const uint8_t* source = r.Take(packed);
    const uint64_t expected = uint64_t{doc.LayerWidth} * doc.LayerHeight * 4;
    if (expected > (uint64_t{packed} + 64) * MaxDeflateRatio)
        Damaged("自由線の層を展開できません");
    doc.Layer.resize(static_cast<size_t>(expected));
    uLongf produced = static_cast<uLongf>(expected);
    uLong consumed = packed;
    if (uncompress2(doc.Layer.data(), &produced, source, &consumed) != Z_OK || produced != expected ||
        consumed != packed)
        Damaged("自由線の層を展開できません");
    if (!r.AtEnd())
        Damaged("図のデータの長さが合いません");
    return doc;
}

}  // namespace

void Embed(std::vector<uint8_t>& file, const Document& doc)
{
    const size_t start = file.size();
    if (start < 6)
        throw EWriteError("図を保存できません");
    // Room for the whole block at once: the items at about 100 bytes each, the packed layer at
    // most its bound.
    file.reserve(start + HeadSize + 100 * doc.Items.size() + compressBound(static_cast<uLong>(doc.Layer.size())) +
                 FootSize);
    Writer w(file);
    w.Bytes(HeadSignature, sizeof HeadSignature);
    w.U32(Version);
    w.U32(0);  // the body's length, known below
    WriteBody(file, doc);
    if (uint64_t{file.size()} + FootSize > UINT32_MAX)
        throw EWriteError("図が大きすぎて保存できません");
    Put32(file.data() + start + 12, static_cast<uint32_t>(file.size() - start - HeadSize));
    const uint32_t crc = static_cast<uint32_t>(crc32(0, file.data() + start, static_cast<uInt>(file.size() - start)));
    w.U32(crc);
    w.U32(static_cast<uint32_t>(start));
    w.Bytes(FootSignature, sizeof FootSignature);
    Put32(file.data() + 2, static_cast<uint32_t>(file.size()));
}

std::optional<Document> Find(const uint8_t* file, size_t size)
{
    const size_t start = bmpfile::PixelEnd(file, size);
    const size_t rest = size - start;
    const uint8_t* head = file + start;
    if (rest < sizeof HeadSignature || std::memcmp(head, HeadSignature, sizeof HeadSignature) != 0)
        return std::nullopt;
    if (rest < HeadSize)
        Damaged("図のデータが途中で切れています");
    const uint32_t version = Get32(head + 8);
    if (version > Version || version == 0)
        Damaged(Format("新しい版の KOVA で保存された図です (形式 %u)", version));
    const uint64_t bodySize = Get32(head + 12);
    if (rest < HeadSize + bodySize + FootSize)
        Damaged("図のデータが途中で切れています");
    if (rest > HeadSize + bodySize + FootSize)
        Damaged("図のデータの長さが合いません");
    const uint8_t* foot = head + HeadSize + bodySize;
    if (std::memcmp(foot + 8, FootSignature, sizeof FootSignature) != 0 || Get32(foot + 4) != start)
        Damaged("図のデータの終わりが壊れています");
    if (Get32(foot) != static_cast<uint32_t>(crc32(0, head, static_cast<uInt>(HeadSize + bodySize))))
        Damaged("図のデータのチェックサムが合いません");
    Reader r(head + HeadSize, static_cast<size_t>(bodySize));
    return ReadBody(r);
}

}  // namespace kova::diagram
