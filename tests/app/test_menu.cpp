// The menu commands: New, Save, Load, Print, Undo and the pop-up picture command.
#include <gtest/gtest.h>

#include "app/Unit1.h"
#include "base/Streams.h"
#include "surface/BmpFile.h"
#include "tests/app/AppFixture.h"
#include "tests/surface/SurfaceTest.h"
#include "tests/ui/DialogAnswer.h"

using namespace kova;
using kova::test::Answering;
using kova::test::Cancel;
using kova::test::FileName;
using kova::test::PixelAt;

namespace {

class Menu : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        dir = kova::test::TempDir() + "kova-menu\\";
        CreateDirectoryA(dir.c_str(), nullptr);
    }
    bool Exists(const std::string& name) { return GetFileAttributesA(name.c_str()) != INVALID_FILE_ATTRIBUTES; }

    bmpfile::Image ReadBmp(const std::string& name)
    {
        TMemoryStream m;
        m.LoadFromFile(name);
        return bmpfile::Decode(m.Memory(), static_cast<size_t>(m.Size()));
    }

    void WriteFile(const std::string& name, const std::string& text)
    {
        TFileStream f(name, TFileMode::fmCreate);
        f.WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
    }

    void Redraw()
    {
        form->MouseX = 500;
        form->MouseY = 370;
        form->Refresh1Click(form);
    }

    std::string dir;
};

}  // namespace

TEST_F(Menu, SaveBeforeTheSheetWasDrawnWritesNothing)
{
    std::string name = dir + "never.bmp";
    DeleteFileA(name.c_str());
    Answering(FileName(name), [&] { form->Save1->Click(); });
    EXPECT_FALSE(Exists(name));
    EXPECT_TRUE(errors.empty());
}

TEST_F(Menu, SaveWritesTheComposedSheetAt32BitsAndAppendsTheExtension)
{
    std::string name = dir + "sheet";
    DeleteFileA((name + ".bmp").c_str());
    form->Image5->Canvas()->Pen()->SetColor(clRed);
    form->Image5->Canvas()->MoveTo(0, 10);
    form->Image5->Canvas()->LineTo(100, 10);
    Redraw();
    Answering(FileName(name), [&] { form->Save1->Click(); });
    EXPECT_EQ("ビットマップ|*.bmp", form->SaveDialog1->Filter);
    bmpfile::Image saved = ReadBmp(name + ".bmp");
    EXPECT_EQ(544, saved.Width);
    EXPECT_EQ(383, saved.Height);
    EXPECT_EQ(32, saved.BitsPerPixel);
    EXPECT_EQ(0x00, saved.Row(10)[50 * 4 + 0]);
    EXPECT_EQ(0xFF, saved.Row(10)[50 * 4 + 2]);
    EXPECT_EQ(0xFF, saved.Row(20)[50 * 4 + 0]);
}

TEST_F(Menu, SaveReplacesAnExistingFileAndOtherExtensionsStillGetABitmap)
{
    std::string name = dir + "sheet.png";
    WriteFile(name, "old");
    Redraw();
    Answering(FileName(name), [&] { form->Save1->Click(); });
    EXPECT_EQ(544, ReadBmp(name).Width);
    EXPECT_TRUE(errors.empty());
}

TEST_F(Menu, AFailedSaveKeepsTheOldFileAndSaysSo)
{
    Redraw();
    std::string missing = dir + "no-such-dir\\sheet.bmp";
    Answering(FileName(missing), [&] { form->Save1->Click(); });
    ASSERT_EQ(1u, errors.size());
    EXPECT_EQ("ファイル " + missing + " を作成できません", errors[0]);

    // A read-only target is not destroyed either.
    std::string locked = dir + "locked.bmp";
    SetFileAttributesA(locked.c_str(), FILE_ATTRIBUTE_NORMAL);
    WriteFile(locked, "keep me");
    SetFileAttributesA(locked.c_str(), FILE_ATTRIBUTE_READONLY);
    Answering(FileName(locked), [&] { form->Save1->Click(); });
    SetFileAttributesA(locked.c_str(), FILE_ATTRIBUTE_NORMAL);
    TMemoryStream m;
    m.LoadFromFile(locked);
    EXPECT_EQ(7, m.Size());
    EXPECT_EQ(2u, errors.size());
}

TEST_F(Menu, CancelledDialogsChangeNothing)
{
    Redraw();
    Answering(Cancel(), [&] { form->Save1->Click(); });
    Answering(Cancel(), [&] { form->N1->Click(); });
    Answering(Cancel(), [&] { form->N6->Click(); });
    Answering(Cancel(), [&] { form->Print1->Click(); });
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(nullptr, form->Image2->Picture()->Graphic());
}

TEST_F(Menu, NewClearsItemsAndBothLayersEvenWithTheLayerHidden)
{
    form->Edit1->SetText("x");
    form->CommitNewItem();
    form->Image5->Canvas()->Pen()->SetColor(clRed);
    form->Image5->Canvas()->MoveTo(0, 5);
    form->Image5->Canvas()->LineTo(50, 5);
    form->N8->Click();
    form->Image1->Canvas()->Brush()->SetColor(clBlue);
    form->New1->Click();
    EXPECT_EQ(0, form->ItemCount);
    EXPECT_TRUE(form->DateItems[0].Deleted);
    TBitmap* sheet = form->Image1->Picture()->Bitmap();
    EXPECT_EQ(0x0000FFu, PixelAt(*sheet, 0, 0));
    EXPECT_EQ(0x0000FFu, PixelAt(*sheet, 543, 382));
    EXPECT_EQ(0xFFFFFFu, PixelAt(*form->Image5->Picture()->Bitmap(), 10, 5));
}

TEST_F(Menu, UndoLeavesTheSheetInTheBrushColour)
{
    Redraw();
    form->Image1->Canvas()->Brush()->SetColor(clLime);
    form->UNDO1->Click();
    TBitmap* sheet = form->Image1->Picture()->Bitmap();
    EXPECT_EQ(0x00FF00u, PixelAt(*sheet, 0, 0));
    EXPECT_EQ(0x00FF00u, PixelAt(*sheet, 543, 382));
    EXPECT_EQ(0, form->Image3->Width());
    EXPECT_TRUE(errors.empty());
}

TEST_F(Menu, PopupPictureCommandLoadsTheStampAndStampsItOnce)
{
    TBitmap red;
    kova::test::MakeWhite(red, 3, 2);
    red.Canvas()->Brush()->SetColor(clRed);
    red.Canvas()->FillRect(Rect(0, 0, 3, 2));
    std::string name = dir + "stamp.bmp";
    red.SaveToFile(name);
    form->MouseX = 40;
    form->MouseY = 30;
    Answering(FileName(name), [&] { form->N6->Click(); });
    EXPECT_EQ(3, form->Image2->Width()) << "sized to its picture";
    TBitmap* layer = form->Image5->Picture()->Bitmap();
    EXPECT_EQ(0xFF0000u, PixelAt(*layer, 42, 31));
    EXPECT_EQ(0xFFFFFFu, PixelAt(*layer, 43, 31));

    // A file that fails to load leaves the stamp as it was, and nothing more is stamped.
    form->MouseX = 100;
    Answering(FileName(dir + "missing.bmp"), [&] { form->N6->Click(); });
    ASSERT_EQ(1u, errors.size());
    EXPECT_EQ("ファイル " + dir + "missing.bmp は開けません", errors[0]);
    EXPECT_EQ(0xFFFFFFu, PixelAt(*layer, 100, 30));
    EXPECT_EQ(3, form->Image2->Picture()->Width());
}

TEST_F(Menu, LoadingAMetafileIntoTheSheetMakesLaterRedrawsFail)
{
    std::string name = dir + "unknown.xyz";
    WriteFile(name, "data");
    Answering(FileName(name), [&] { form->N1->Click(); });
    ASSERT_EQ(1u, errors.size());
    EXPECT_EQ("拡張子 .xyz の画像形式は処理できません", errors[0]);

    HDC meta = CreateEnhMetaFileA(nullptr, nullptr, nullptr, nullptr);
    Rectangle(meta, 0, 0, 10, 10);
    HENHMETAFILE h = CloseEnhMetaFile(meta);
    UINT size = GetEnhMetaFileBits(h, 0, nullptr);
    std::string bytes(size, '\0');
    GetEnhMetaFileBits(h, size, reinterpret_cast<BYTE*>(bytes.data()));
    DeleteEnhMetaFile(h);
    WriteFile(dir + "shape.emf", bytes);
    Answering(FileName(dir + "shape.emf"), [&] { form->N1->Click(); });
    EXPECT_EQ(1u, errors.size());
    form->Refresh1->Click();
    form->New1->Click();
    ASSERT_EQ(3u, errors.size());
    EXPECT_EQ("ビットマップを持っている時のみイメージの変更が可能です", errors[1]);
    EXPECT_EQ("ビットマップを持っている時のみイメージの変更が可能です", errors[2]);
}
