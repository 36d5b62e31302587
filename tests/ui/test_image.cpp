// The image control: its lazy canvas, auto-size, placement and how it is painted.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>

#include "base/Exceptions.h"
#include "ui/Application.h"
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"

namespace kova {
namespace {

class ImageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Form = std::make_unique<TForm>(nullptr);
        Form->SetBounds(0, 0, 400, 300);
    }

    TImage* NewImage(int x, int y, int w, int h)
    {
        auto* image = new TImage(Form.get());
        image->SetParent(Form.get());
        image->SetBounds(x, y, w, h);
        return image;
    }

    // The form's client area as painted now, read back through WM_PRINTCLIENT.
    COLORREF PaintedPixel(int x, int y)
    {
        HDC screen = GetDC(nullptr);
        MemoryDC dc(CreateCompatibleDC(screen));
        GdiObject<HBITMAP> bitmap(CreateCompatibleBitmap(screen, Form->ClientWidth(), Form->ClientHeight()));
        ReleaseDC(nullptr, screen);
        SelectGuard select(dc.get(), bitmap.get());
        SendMessageA(Form->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc.get()), PRF_CLIENT);
        return GetPixel(dc.get(), x, y);
    }

    std::unique_ptr<TForm> Form;
};

TEST_F(ImageTest, CanvasOfAnEmptyPictureIsAWhiteBitmapOfTheControlsSize)
{
    TImage* image = NewImage(5, 5, 37, 23);
    TCanvas* canvas = image->Canvas();
    TGraphic* g = image->Picture()->Graphic();
    ASSERT_NE(nullptr, g);
    EXPECT_TRUE(InheritsFrom(g->ClassType(), &TBitmap::Class));
    EXPECT_EQ(37, g->Width());
    EXPECT_EQ(23, g->Height());
    EXPECT_EQ(clWhite, canvas->Pixel(0, 0));
    EXPECT_EQ(clWhite, canvas->Pixel(36, 22));
    // Asked again, it is the same bitmap, whatever the control's size is now.
    image->SetBounds(5, 5, 50, 50);
    EXPECT_EQ(canvas, image->Canvas());
    EXPECT_EQ(37, image->Picture()->Width());
}

TEST_F(ImageTest, CanvasRefusesAPictureThatIsNotABitmap)
{
    TImage* image = NewImage(0, 0, 10, 10);
    TMetafile metafile;
    image->Picture()->SetGraphic(&metafile);
    try {
        image->Canvas();
        FAIL() << "no exception";
    } catch (const EInvalidOperation& e) {
        EXPECT_EQ("ビットマップを持っている時のみイメージの変更が可能です", e.Message);
    }
}

TEST_F(ImageTest, AutoSizeTakesThePictureSizeAtRunTimeButNotWhileLoading)
{
    TImage* image = nullptr;
    TComponent::LoadDescription(Form.get(), [&] {
        image = NewImage(0, 8, 433, 273);
        image->SetAutoSize(true);
        image->SetBounds(0, 8, 433, 273);
    });
    EXPECT_EQ(Rect(0, 8, 433, 281), image->BoundsRect()) << "kept while loading";

    image->SetWidth(544);
    EXPECT_EQ(Rect(0, 8, 0, 8), image->BoundsRect()) << "an empty picture is 0 by 0";

    TBitmap bitmap;
    bitmap.SetSize(12, 7);
    image->Picture()->SetGraphic(&bitmap);
    EXPECT_EQ(Rect(0, 8, 12, 15), image->BoundsRect());
    image->SetHeight(100);
    EXPECT_EQ(7, image->Height());
    image->SetAutoSize(false);
    image->SetHeight(100);
    EXPECT_EQ(100, image->Height());
}

TEST_F(ImageTest, DestRectPlacesScalesAndCentres)
{
    TImage* image = NewImage(0, 0, 80, 40);
    TBitmap bitmap;
    bitmap.SetSize(20, 20);
    image->Picture()->SetGraphic(&bitmap);
    const struct {
        bool Stretch, Proportional, Center;
        TRect Expected;
    } cases[] = {
        {false, false, false, Rect(0, 0, 20, 20)},
        {false, true, false, Rect(0, 0, 20, 20)},
        {false, false, true, Rect(30, 10, 50, 30)},
        {true, false, false, Rect(0, 0, 80, 40)},
        {true, true, false, Rect(0, 0, 40, 40)},
        {true, true, true, Rect(20, 0, 60, 40)},
    };
    for (const auto& c : cases) {
        image->SetStretch(c.Stretch);
        image->SetProportional(c.Proportional);
        image->SetCenter(c.Center);
        EXPECT_EQ(c.Expected, image->DestRect()) << c.Stretch << c.Proportional << c.Center;
    }
    // Opaque only when the bitmap covers the whole control.
    image->SetStretch(true);
    image->SetProportional(false);
    EXPECT_TRUE(image->Opaque());
    image->SetProportional(true);
    EXPECT_FALSE(image->Opaque());
}

TEST_F(ImageTest, GraphicControlsPaintInCreationOrderOverTheFormColour)
{
    Form->SetColor(clBlue);
    TImage* lower = NewImage(10, 10, 40, 40);
    TImage* upper = NewImage(30, 30, 40, 40);
    lower->Canvas()->Brush()->SetColor(clRed);
    lower->Canvas()->FillRect(Rect(0, 0, 40, 40));
    upper->Canvas()->Brush()->SetColor(clLime);
    upper->Canvas()->FillRect(Rect(0, 0, 40, 40));

    EXPECT_EQ(RGB(0, 0, 255), PaintedPixel(5, 5));
    EXPECT_EQ(RGB(255, 0, 0), PaintedPixel(15, 15));
    EXPECT_EQ(RGB(0, 255, 0), PaintedPixel(35, 35)) << "the later image lies above";
    EXPECT_EQ(RGB(0, 255, 0), PaintedPixel(69, 69));
    EXPECT_EQ(RGB(0, 0, 255), PaintedPixel(70, 70));

    upper->SetVisible(false);
    EXPECT_EQ(RGB(255, 0, 0), PaintedPixel(35, 35));
    EXPECT_EQ(RGB(0, 0, 255), PaintedPixel(60, 60));
}

TEST_F(ImageTest, DrawingOnTheCanvasReachesTheScreenAfterUpdateWindow)
{
    Form->SetColor(clBlue);
    Form->SetBounds(0, 0, 200, 150);
    TImage* image = NewImage(10, 10, 60, 40);
    Form->Show();
    Application->ProcessMessages();
    UpdateWindow(Form->Handle());
    auto screenPixel = [&](int x, int y) {
        WindowDC dc(Form->Handle());
        return GetPixel(dc.get(), x, y);
    };
    EXPECT_EQ(RGB(0, 0, 255), screenPixel(20, 20)) << "an empty image shows nothing";

    image->Canvas()->Brush()->SetColor(clRed);
    image->Canvas()->FillRect(Rect(0, 0, 30, 40));
    UpdateWindow(Form->Handle());
    EXPECT_EQ(RGB(255, 0, 0), screenPixel(20, 20));
    EXPECT_EQ(RGB(255, 255, 255), screenPixel(50, 20));

    // A second change before the first was painted is painted too.
    image->Canvas()->FillRect(Rect(30, 0, 60, 40));
    image->Canvas()->Brush()->SetColor(clLime);
    image->Canvas()->FillRect(Rect(0, 0, 10, 10));
    UpdateWindow(Form->Handle());
    EXPECT_EQ(RGB(255, 0, 0), screenPixel(50, 20));
    EXPECT_EQ(RGB(0, 255, 0), screenPixel(12, 12));
}

}  // namespace
}  // namespace kova
