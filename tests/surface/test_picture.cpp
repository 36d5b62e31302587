#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "SurfaceTest.h"
#include "base/Exceptions.h"

using namespace kova;
using namespace kova::test;

namespace {

std::string ReadFile(const std::string& name)
{
    std::ifstream in(name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// A bitmap class of a plug-in-like kind: reports progress while it loads.
class TProbeBitmap : public TBitmap {
public:
    static const TGraphicClassInfo Class;
    TGraphicClass ClassType() const override { return &Class; }
    void LoadFromFile(const std::string& fileName) override
    {
        Progress(this, psStarting, 0, false, Rect(0, 0, 0, 0), "probe");
        TBitmap::LoadFromFile(fileName);
    }
};
const TGraphicClassInfo TProbeBitmap::Class = {"TProbeBitmap", &TBitmap::Class,
                                               []() -> TGraphic* { return new TProbeBitmap(); }};

std::string SaveSample(const std::string& name)
{
    TBitmap b;
    MakeWhite(b, 3, 2);
    PutPixel(b, 1, 1, 0x336699);
    const std::string path = TempDir() + name;
    b.SaveToFile(path);
    return path;
}

std::string LoadMessage(const std::string& fileName)
{
    try {
        TPicture().LoadFromFile(fileName);
    } catch (const Exception& e) {
        return e.Message;
    }
    return "";
}

TEST(Registry, StartsWithThePlatformFormats)
{
    const auto& f = TPicture::FileFormats();
    ASSERT_EQ(4u, f.size());
    const char* const names[] = {"wmf", "emf", "ico", "bmp"};
    const char* const descriptions[] = {"メタファイル", "拡張メタファイル", "アイコン",
                                        "ビットマップ"};
    const TGraphicClass classes[] = {&TMetafile::Class, &TMetafile::Class, &TIcon::Class, &TBitmap::Class};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(names[i], f[i].Extension);
        EXPECT_EQ(descriptions[i], f[i].Description);
        EXPECT_EQ(classes[i], f[i].GraphicClass);
    }
    EXPECT_EQ(&TIcon::Class, TPicture::FindFileFormat(".ICO"));
    EXPECT_EQ(nullptr, TPicture::FindFileFormat("png"));
    EXPECT_EQ("拡張子 .xyz の画像形式は処理できません", LoadMessage(TempDir() + "picture.XYZ"));
    EXPECT_EQ("拡張子 . の画像形式は処理できません", LoadMessage(TempDir() + "noextension"));
}

TEST(Registry, ALaterRegistrationWinsUntilItsClassIsUnregistered)
{
    const std::string path = SaveSample("kova-probe.BMP");
    TPicture::RegisterFileFormat("BMP", "probe", &TProbeBitmap::Class);
    ASSERT_EQ(5u, TPicture::FileFormats().size());
    EXPECT_EQ("bmp", TPicture::FileFormats()[4].Extension) << "stored lower-cased";

    TPicture p;
    std::vector<std::string> messages;
    p.OnProgress = [&](TObject*, TProgressStage, uint8_t, bool, const TRect&, const std::string& msg) {
        messages.push_back(msg);
    };
    p.LoadFromFile(path);
    EXPECT_EQ(&TProbeBitmap::Class, p.Graphic()->ClassType());
    EXPECT_EQ(std::vector<std::string>{"probe"}, messages) << "the picture forwards the graphic's progress";
    EXPECT_NE(nullptr, p.Bitmap()) << "a bitmap subclass is a bitmap";

    TPicture::UnregisterGraphicClass(&TProbeBitmap::Class);
    EXPECT_EQ(4u, TPicture::FileFormats().size());
    p.LoadFromFile(path);
    EXPECT_EQ(&TBitmap::Class, p.Graphic()->ClassType());
    DeleteFileA(path.c_str());
}

TEST(Pictures, AFailedLoadKeepsTheOldGraphic)
{
    const std::string good = SaveSample("kova-good.bmp");
    const std::string bad = TempDir() + "kova-bad.bmp";
    std::ofstream(bad, std::ios::binary) << "BM not really";
    TPicture p;
    p.LoadFromFile(good);
    TGraphic* held = p.Graphic();
    int changes = 0;
    p.OnChange = [&](TObject*) { ++changes; };
    EXPECT_THROW(p.LoadFromFile(bad), EInvalidGraphic);
    const std::string missing = TempDir() + "kova-missing.bmp";
    EXPECT_THROW(p.LoadFromFile(missing), EFOpenError);
    EXPECT_EQ("ファイル " + missing + " は開けません", LoadMessage(missing));
    EXPECT_EQ(held, p.Graphic());
    EXPECT_EQ(3, p.Width());
    EXPECT_EQ(0, changes);
    DeleteFileA(good.c_str());
    DeleteFileA(bad.c_str());
}

TEST(Pictures, SaveAndLoadRoundTripAThirtyTwoBitBitmap)
{
    TPicture p, q;
    TBitmap* b = p.Bitmap();
    MakeWhite(*b, 5, 3);
    b->Canvas()->Pen()->SetColor(static_cast<TColor>(0x123456));
    b->Canvas()->MoveTo(0, 1);
    b->Canvas()->LineTo(5, 1);
    const std::string path = TempDir() + "kova-sheet.bmp";
    p.SaveToFile(path);
    q.LoadFromFile(path);
    EXPECT_EQ(pf32bit, q.Bitmap()->PixelFormat());
    EXPECT_EQ(Encoded(*b), Encoded(*q.Bitmap()));
    EXPECT_EQ(0x563412u, PixelAt(*q.Bitmap(), 4, 1));
    DeleteFileA(path.c_str());
}

TEST(Pictures, AFailedSaveRaisesAndKeepsTheOldFile)
{
    TPicture p;
    MakeWhite(*p.Bitmap(), 1, 1);
    const std::string nowhere = TempDir() + "kova-no-such-dir\\sheet.bmp";
    try {
        p.SaveToFile(nowhere);
        FAIL();
    } catch (const EFCreateError& e) {
        EXPECT_EQ("ファイル " + nowhere + " を作成できません", e.Message);
    }
    const std::string old = TempDir() + "kova-old.bmp";
    std::ofstream(old, std::ios::binary) << "old contents";
    TBitmap empty;
    EXPECT_THROW(empty.SaveToFile(old), EFCreateError);
    EXPECT_EQ("old contents", ReadFile(old));
    DeleteFileA(old.c_str());
}

TEST(Pictures, BitmapIsMadeWhenEmptyAndRefusedForOtherKinds)
{
    TPicture p;
    int changes = 0;
    p.OnChange = [&](TObject* sender) {
        EXPECT_EQ(&p, sender);
        ++changes;
    };
    TBitmap* b = p.Bitmap();
    EXPECT_TRUE(b->Empty());
    EXPECT_EQ(b, p.Bitmap());
    EXPECT_EQ(1, changes);
    MakeWhite(*b, 2, 2);
    changes = 0;
    b->Canvas()->FillRect(Rect(0, 0, 1, 1));
    EXPECT_EQ(1, changes) << "drawing on the held bitmap changes the picture";

    TIcon icon;
    p.SetGraphic(&icon);
    EXPECT_THROW(p.Bitmap(), EInvalidGraphic);
    p.SetGraphic(nullptr);
    EXPECT_EQ(nullptr, p.Graphic());
}

TEST(Pictures, SetGraphicAndAssignHoldCopies)
{
    TBitmap b;
    MakeWhite(b, 2, 1);
    PutPixel(b, 0, 0, 0x010101);
    TPicture p, q;
    p.SetGraphic(&b);
    ASSERT_NE(&b, p.Graphic());
    PutPixel(b, 0, 0, 0x000000);
    EXPECT_EQ(0x010101u, PixelAt(*p.Bitmap(), 0, 0));
    q.Assign(&p);
    EXPECT_NE(p.Graphic(), q.Graphic());
    EXPECT_EQ(Encoded(*p.Bitmap()), Encoded(*q.Bitmap()));
}

}  // namespace
