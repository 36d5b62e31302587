// The diagram block after a bitmap's pixels: what it keeps, and what it refuses.
#include <gtest/gtest.h>

#include <zlib.h>

#include <fstream>
#include <functional>
#include <iterator>

#include "app/Diagram.h"
#include "surface/BmpFile.h"

using namespace kova;
using namespace kova::diagram;

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Fixture(const std::string& name)
{
    std::ifstream in(std::string(KOVA_TEST_DATA) + "/diagram/" + name, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

// A 3 by 2 picture of 32 bits per pixel, as the sheet saves it.
Bytes Picture()
{
    static const uint8_t pixels[24] = {1, 2, 3, 0, 4, 5, 6, 0, 7, 8, 9, 0, 10, 11, 12, 0, 13, 14, 15, 0, 16, 17, 18, 0};
    TMemoryStream out;
    bmpfile::Encode(out, 3, 2, 32, nullptr, 0, [](int y) { return pixels + 12 * y; });
    return Bytes(out.Memory(), out.Memory() + out.Size());
}

Item Sample(int32_t x, std::string text, std::vector<int32_t> links)
{
    Item item;
    item.X = x;
    item.Text = std::move(text);
    item.Links = std::move(links);
    return item;
}

Document Layered(std::vector<Item> items) { return Document{std::move(items), 5, 3, Bytes(60, 0xFF)}; }

Bytes Saved(const Document& doc)
{
    Bytes file = Picture();
    Embed(file, doc);
    return file;
}

void Put32(Bytes& b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// After a change inside the block, its checksum is made right again.
void Reseal(Bytes& file)
{
    const size_t start = Picture().size(), foot = file.size() - 16;
    Put32(file, foot, static_cast<uint32_t>(crc32(0, file.data() + start, static_cast<uInt>(foot - start))));
}

TEST(Diagram, RefusesDamagedBlocksAndLeavesOtherDataToThePicture)
{
    const Document good = Layered({Sample(1, "a", {0}), Sample(2, "b", {0, 1})});
    const size_t start = Picture().size(), body = start + 16;
    const size_t textLength = body + 4 + 8;  // item count, then the first item's X and Y
    Item wrongLink = Sample(1, "a", {2});
    Document badLayer = good;
    badLayer.Layer.pop_back();
    struct Row {
        const char* what;
        std::function<Bytes()> file;
        const char* message;  // empty: a plain picture
    };
    const Row rows[] = {
        {"truncated footer", [&] { Bytes f = Saved(good); f.resize(f.size() - 5); return f; }, "途中で切れています"},
        {"truncated body", [&] { Bytes f = Saved(good); f.resize(body + 20); return f; }, "途中で切れています"},
        {"truncated head", [&] { Bytes f = Saved(good); f.resize(start + 10); return f; }, "途中で切れています"},
        {"bytes after the footer", [&] { Bytes f = Saved(good); f.push_back(0); return f; }, "長さが合いません"},
        {"checksum", [&] { Bytes f = Saved(good); f[body + 30] ^= 1; return f; }, "チェックサムが合いません"},
        {"footer pointing elsewhere", [&] { Bytes f = Saved(good); Put32(f, f.size() - 12, 0); return f; },
         "終わりが壊れています"},
        {"future version", [&] { Bytes f = Saved(good); Put32(f, start + 8, 2); Reseal(f); return f; },
         "新しい版の KOVA"},
        {"too many items", [&] { return Saved(Layered(std::vector<Item>(1001))); }, "項目が多すぎます (1001 個)"},
        {"too many links", [&] { return Saved(Layered({Sample(0, "a", std::vector<int32_t>(101, 0))})); },
         "リンクが多すぎます"},
        {"link past the table", [&] { return Saved(Layered({Sample(0, "a", {}), wrongLink})); }, "リンク先の項目 2"},
        {"link below -1", [&] { return Saved(Layered({Sample(0, "a", {-2})})); }, "リンク先の項目 -2"},
        {"length past the end", [&] { Bytes f = Saved(good); Put32(f, textLength, 60000); Reseal(f); return f; },
         "終わりを超えています"},
        {"layer short of one layer", [&] { return Saved(badLayer); }, "展開できません"},
        {"layer of no size", [&] { return Saved(Document{{}, 0, 0, {}}); }, "大きさが不正です"},
        {"colour profile after the pixels", [] { return Fixture("profile.bmp"); }, ""},
        {"other data after the pixels", [] { Bytes f = Picture(); f.insert(f.end(), {'K', 'O', 'V', 'A'}); return f; },
         ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const Bytes file = row.file();
        try {
            const std::optional<Document> doc = Find(file.data(), file.size());
            EXPECT_STREQ("", row.message) << "accepted";
            EXPECT_FALSE(doc);
        } catch (const EDiagramError& e) {
            EXPECT_NE(std::string::npos, e.Message.find(row.message)) << e.Message;
            EXPECT_STRNE("", row.message);
        }
    }
}

}  // namespace
