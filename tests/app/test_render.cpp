// The renderer on real bitmaps: background, links, items, ellipses and the hover test.
#include <gtest/gtest.h>

#include <thread>

#include "app/Unit1.h"
#include "tests/app/AppFixture.h"
#include "tests/surface/SurfaceTest.h"

using namespace kova;
using kova::test::PixelAt;

namespace {

class Render : public MainWindowTest {
protected:
    TBitmap* Sheet() { return form->Image1->Picture()->Bitmap(); }
    TBitmap* Layer() { return form->Image5->Picture()->Bitmap(); }

    int AddItem(int x, int y, const std::string& text, bool ellipse = false)
    {
        form->Edit1->SetLeft(x - 3);
        form->Edit1->SetTop(y - 3);
        form->Edit1->SetText(text);
        form->AutoEllipse = ellipse;
        form->CommitNewItem();
        return form->ItemCount - 1;
    }

    SIZE Extent(int i)
    {
        TDateItem& item = form->DateItems[static_cast<size_t>(i)];
        form->FontCopy(item.Font.get(), form->Image4->Canvas()->Font());
        return form->Image4->Canvas()->TextExtent(item.Text);
    }

    void RedrawAt(int x, int y)
    {
        form->MouseX = x;
        form->MouseY = y;
        form->Refresh1Click(form);
    }

    std::string Picture() { return kova::test::Encoded(*Sheet()); }
};

}  // namespace

TEST_F(Render, WithoutItemsTheSheetIsTheFreeHandLayerButItsLastRowAndColumn)
{
    TCanvas* layer = form->Image5->Canvas();
    layer->Pen()->SetColor(clRed);
    layer->MoveTo(0, 0);
    layer->LineTo(543, 382);
    form->Image1->Canvas()->Brush()->SetColor(clBlue);
    form->Image1->Canvas()->FillRect(Rect(0, 0, 544, 383));

    RedrawAt(5, 5);
    EXPECT_EQ(-1, form->HoverItem);
    ASSERT_EQ(pf32bit, Sheet()->PixelFormat());
    for (int y = 0; y < 382; y += 7)
        for (int x = 0; x < 543; x += 3)
            ASSERT_EQ(PixelAt(*Layer(), x, y), PixelAt(*Sheet(), x, y)) << x << "," << y;
    EXPECT_EQ(0xFF0000u, PixelAt(*Sheet(), 100, 100 * 382 / 543));
    EXPECT_EQ(0x0000FFu, PixelAt(*Sheet(), 543, 10));
    EXPECT_EQ(0x0000FFu, PixelAt(*Sheet(), 10, 382));
}

TEST_F(Render, WithTheLayerHiddenTheSheetTakesTheBrushColourAndTheLayerComesBack)
{
    TCanvas* layer = form->Image5->Canvas();
    layer->Pen()->SetColor(clRed);
    layer->MoveTo(10, 10);
    layer->LineTo(10, 100);
    form->Image1->Canvas()->Brush()->SetColor(clLime);
    form->N8->Click();
    RedrawAt(300, 300);
    EXPECT_EQ(0x00FF00u, PixelAt(*Sheet(), 10, 50));
    EXPECT_EQ(0x00FF00u, PixelAt(*Sheet(), 200, 200));
    form->N8->Click();
    RedrawAt(300, 300);
    EXPECT_EQ(0xFF0000u, PixelAt(*Sheet(), 10, 50));
    EXPECT_EQ(0xFFFFFFu, PixelAt(*Sheet(), 200, 200));
}

TEST_F(Render, DeletedItemsRemovedLinksAndLinksOfDeletedItemsAreNotDrawn)
{
    int a = AddItem(20, 20, "A");
    int b = AddItem(300, 200, "B");
    RedrawAt(500, 370);
    std::string reference = Picture();

    int c = AddItem(100, 300, "C");
    form->ToggleLink(a, b);
    form->ToggleLink(a, b);  // removed: -1
    form->ToggleLink(a, c);
    form->ToggleLink(c, a);
    form->ToggleLink(c, b);
    form->Edit1->SetText("");
    form->CommitItem(c);
    RedrawAt(500, 370);
    EXPECT_EQ(reference, Picture());
}

TEST_F(Render, LinksRunBetweenCentresInTheSourcePenUnderTheItems)
{
    // Spaces put A's centre, where its link starts, on a part of the box without ink.
    int a = AddItem(20, 20, "A        ");
    int b = AddItem(300, 200, "B");
    form->DateItems[static_cast<size_t>(a)].Pen->SetColor(clRed);
    form->DateItems[static_cast<size_t>(b)].Pen->SetColor(clBlue);
    form->ToggleLink(a, b);
    form->ToggleLink(a, a);  // a self-link draws nothing
    RedrawAt(500, 370);
    SIZE ea = Extent(a), eb = Extent(b);
    int x0 = 20 + ea.cx / 2, y0 = 20 + ea.cy / 2, x1 = 300 + eb.cx / 2, y1 = 200 + eb.cy / 2;
    int mx = (x0 + x1) / 2, my = (y0 + y1) / 2;
    bool red = false;
    for (int dy = -1; dy <= 1; ++dy)
        red |= PixelAt(*Sheet(), mx, my + dy) == 0xFF0000u;
    EXPECT_TRUE(red) << "no red link near the middle";
    // The text boxes are opaque: the line does not show inside them, not even where it starts.
    for (int dy = -1; dy <= 1; ++dy)
        EXPECT_EQ(0xFFFFFFu, PixelAt(*Sheet(), x0, y0 + dy)) << dy;
}

TEST_F(Render, EllipsesFollowTheItemFlagAndTheViewOption)
{
    int e = AddItem(100, 100, "Ellipse", true);
    int p = AddItem(300, 100, "Plain", false);
    form->DateItems[static_cast<size_t>(e)].Pen->SetColor(clRed);
    form->DateItems[static_cast<size_t>(p)].Pen->SetColor(clRed);
    SIZE ee = Extent(e), ep = Extent(p);
    RedrawAt(500, 370);
    EXPECT_EQ(0xFF0000u, PixelAt(*Sheet(), 100 - 8, 100 + (ee.cy + 16) / 2 - 8));
    EXPECT_EQ(0xFFFFFFu, PixelAt(*Sheet(), 300 - 8, 100 + (ep.cy + 16) / 2 - 8));
    form->N12->Click();
    RedrawAt(500, 370);
    EXPECT_EQ(0xFFFFFFu, PixelAt(*Sheet(), 100 - 8, 100 + (ee.cy + 16) / 2 - 8));
    EXPECT_TRUE(form->DateItems[static_cast<size_t>(e)].HasEllipse);
}

TEST_F(Render, TheFirstLiveItemUnderThePointerIsHoveredWithinStrictBounds)
{
    int a = AddItem(100, 100, "overlap");
    int b = AddItem(104, 102, "overlap");
    SIZE ea = Extent(a);
    RedrawAt(100 - 8, 105);
    EXPECT_EQ(-1, form->HoverItem);
    RedrawAt(100 - 7, 105);
    EXPECT_EQ(a, form->HoverItem);
    RedrawAt(110, 110);
    EXPECT_EQ(a, form->HoverItem) << "both are under the pointer: the lower slot wins";
    RedrawAt(100 + ea.cx + 8, 100 + ea.cy + 8);
    EXPECT_EQ(b, form->HoverItem) << "the first box ends here, the second one's does not";
    RedrawAt(100 + 2, 100 - 8);
    EXPECT_EQ(-1, form->HoverItem);

    form->Edit1->SetText("");
    form->CommitItem(a);
    RedrawAt(100 + 10, 105);
    EXPECT_EQ(b, form->HoverItem);
}

TEST_F(Render, TheHoveredItemIsMarkedExceptWhileAnItemIsMoved)
{
    AddItem(100, 100, "item");
    RedrawAt(400, 300);
    std::string plain = Picture();
    RedrawAt(105, 105);
    EXPECT_EQ(0, form->HoverItem);
    EXPECT_NE(plain, Picture()) << "no marker drawn";

    form->MoveItem = 0;
    RedrawAt(105, 105);
    EXPECT_EQ(-1, form->HoverItem);
    EXPECT_EQ(plain, Picture());
}

// Ctrl+C: the sheet without the hover marker, as a 24-bit DIB; nothing changes while another
// thread holds the clipboard.
TEST_F(Render, CopyingPutsTheUnmarkedSheetOnTheClipboardAsA24BitDib)
{
    AddItem(100, 100, "item");
    RedrawAt(400, 300);
    const std::string unmarked = Picture();
    RedrawAt(105, 105);
    const std::string marked = Picture();
    form->CopySheet();
    EXPECT_EQ(marked, Picture()) << "the marker comes back";
    ASSERT_TRUE(OpenClipboard(nullptr));
    auto* dib = static_cast<const BITMAPINFOHEADER*>(GlobalLock(GetClipboardData(CF_DIB)));
    ASSERT_NE(nullptr, dib);
    EXPECT_EQ(24, dib->biBitCount);
    ASSERT_EQ(Sheet()->Width(), dib->biWidth);
    ASSERT_EQ(Sheet()->Height(), dib->biHeight);
    RedrawAt(400, 300);
    const auto* rows = reinterpret_cast<const uint8_t*>(dib + 1);
    const int stride = (dib->biWidth * 3 + 3) & ~3;
    int differing = 0;
    for (int y = 0; y < dib->biHeight; ++y)
        for (int x = 0; x < dib->biWidth; ++x) {
            const uint8_t* p = rows + (dib->biHeight - 1 - y) * stride + 3 * x;
            differing += (p[0] | p[1] << 8 | p[2] << 16) != static_cast<int>(PixelAt(*Sheet(), x, y));
        }
    EXPECT_EQ(0, differing);
    GlobalUnlock(GetClipboardData(CF_DIB));
    CloseClipboard();
    EXPECT_EQ(unmarked, Picture());

    HANDLE held = CreateEventA(nullptr, TRUE, FALSE, nullptr), opened = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::thread holder([&] {
        OpenClipboard(nullptr);
        SetEvent(opened);
        WaitForSingleObject(held, INFINITE);
        CloseClipboard();
    });
    WaitForSingleObject(opened, INFINITE);
    const DWORD sequence = GetClipboardSequenceNumber();
    form->CopySheet();
    SetEvent(held);
    holder.join();
    CloseHandle(held);
    CloseHandle(opened);
    EXPECT_EQ(1, beeps);
    EXPECT_EQ(sequence, GetClipboardSequenceNumber()) << "the clipboard was changed";
}

TEST_F(Render, TheSheetCanvasKeepsItsPenBrushAndPenPosition)
{
    int a = AddItem(100, 100, "a", true);
    int b = AddItem(200, 200, "b", true);
    form->DateItems[static_cast<size_t>(a)].Pen->SetColor(clRed);
    form->DateItems[static_cast<size_t>(a)].Pen->SetWidth(4);
    form->DateItems[static_cast<size_t>(a)].BrushColor = 0x00FFFF;
    form->ToggleLink(a, b);
    TCanvas* sheet = form->Image1->Canvas();
    sheet->Pen()->SetColor(clNavy);
    sheet->Pen()->SetStyle(psDot);
    sheet->Pen()->SetMode(pmCopy);
    sheet->Brush()->SetColor(clSilver);
    sheet->MoveTo(33, 44);
    RedrawAt(105, 105);
    EXPECT_EQ(clNavy, sheet->Pen()->Color());
    EXPECT_EQ(psDot, sheet->Pen()->Style());
    EXPECT_EQ(1, sheet->Pen()->Width());
    EXPECT_EQ(clSilver, sheet->Brush()->Color());
    EXPECT_EQ((TPoint{33, 44}), sheet->PenPos());
}

TEST_F(Render, ATextBoxLargerThanTheTextBitmapIsDrawnWhole)
{
    form->Image1->Canvas()->Font()->SetSize(250);
    int big = AddItem(3, 3, "大");
    SIZE e = Extent(big);
    ASSERT_GT(e.cy, 300);
    form->N11->Click();  // plain text: ink only where glyphs are
    RedrawAt(540, 380);
    int ink = 0;
    for (int y = 3 + 300; y < std::min(3 + static_cast<int>(e.cy), 382); ++y)
        for (int x = 3; x < std::min(3 + static_cast<int>(e.cx), 543); ++x)
            ink += PixelAt(*Sheet(), x, y) != 0xFFFFFFu;
    EXPECT_GT(ink, 50) << "the part below the text bitmap's 300 rows is missing";
}

TEST_F(Render, ATextBoxBeyondTheBoundIsClippedThere)
{
    form->Image1->Canvas()->Font()->SetSize(250);
    std::string text;
    for (int i = 0; i < 14; ++i)
        text += "大";
    int big = AddItem(3, 3, text);
    ASSERT_GT(Extent(big).cx, 4096);
    RedrawAt(540, 380);
    EXPECT_EQ(4096, form->Image4->Picture()->Bitmap()->Width());
    EXPECT_TRUE(errors.empty());
    int ink = 0;
    for (int x = 3; x < 543; ++x)
        ink += PixelAt(*Sheet(), x, 3 + Extent(big).cy / 2) != 0xFFFFFFu;
    EXPECT_GT(ink, 50) << "no text on the sheet";
}

namespace {

// Wine's fonts draw other glyphs than Windows' own, so the recorded bytes hold under Wine only.
bool UnderWine() { return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr; }

uint64_t Fnv1a(const std::string& bytes)
{
    uint64_t h = 14695981039346656037ull;
    for (unsigned char c : bytes)
        h = (h ^ c) * 1099511628211ull;
    return h;
}

// n items through every font style, font and pen colour, pen style, width and mode and
// brush colour, with links (made, and removed again) and deleted slots.
void FillDiagram(TForm1& form, int n)
{
    static const char* const texts[] = {"アイデア", "Idea", "企画の目的", "次の一手", "KOVA", "線で結ぶ", "g|Wy_", "ソ表"};
    static const TColor fontColors[] = {clWindowText, clNavy, clRed, 0x808000};
    static const TColor brushColors[] = {clWhite, 0x00FFFF, 0xC0FFC0, clSilver};
    static const TPenMode modes[] = {pmCopy, pmCopy, pmXor, pmMask};
    TCanvas* layer = form.Image5->Canvas();
    layer->Pen()->SetColor(clRed);
    for (int i = 0; i < 20; ++i) {
        layer->MoveTo((i * 37) % 544, (i * 53) % 383);
        layer->LineTo((i * 91) % 544, (i * 17) % 383);
    }
    TCanvas* sheet = form.Image1->Canvas();
    for (int i = 0; i < n; ++i) {
        sheet->Font()->SetSize(8 + (i % 5) * 2);
        sheet->Font()->SetStyle(static_cast<TFontStyles>(i % 16));
        sheet->Font()->SetColor(fontColors[i % 4]);
        sheet->Pen()->SetStyle(static_cast<TPenStyle>(i % 7));
        sheet->Pen()->SetWidth(1 + i % 3);
        sheet->Pen()->SetColor(fontColors[(i / 4) % 4]);
        sheet->Pen()->SetMode(modes[(i / 2) % 4]);
        sheet->Brush()->SetColor(brushColors[(i / 3) % 4]);
        form.AutoEllipse = i % 2 == 0;
        form.Edit1->SetLeft((i * 47) % 480);
        form.Edit1->SetTop((i * 29) % 350);
        form.Edit1->SetText(texts[i % 8]);
        form.CommitNewItem();
    }
    for (int i = 0; i < n; ++i) {
        form.ToggleLink(i, (i + 1) % n);
        form.ToggleLink(i, (i * 7 + 3) % n);
        if (i % 5 == 0)
            form.ToggleLink(i, (i * 7 + 3) % n);  // removed again
    }
    form.Edit1->SetText("");
    for (int i = 10; i < n; i += 11)
        form.CommitItem(i);
}

}  // namespace

// Recorded from the renderer as it was before its state moved into an object of its own.
TEST_F(Render, TheSavedSheetKeepsItsBytesForAFixedTableOfDiagrams)
{
    if (!UnderWine())
        GTEST_SKIP() << "bytes recorded with Wine's fonts";
    const struct {
        int Items;
        bool Antialias, Ellipses;
        uint64_t Hash;
    } cases[] = {
        {10, true, true, 0x7276f2d5314acce3ull},
        {10, true, false, 0xde518d34152055a7ull},
        {10, false, true, 0xee5690a0ba9f0aa8ull},
        {10, false, false, 0xf74253531a2cc87cull},
        {100, true, true, 0x5a6266e0b9d70564ull},
        {100, true, false, 0xe52c469dc041c4d2ull},
        {100, false, true, 0xcd98224458874b0dull},
        {100, false, false, 0x2f6eea0c21400df4ull},
        {1000, true, true, 0xd11fb3781f9fa5a5ull},
        {1000, true, false, 0xc07fc25988fe5c3dull},
        {1000, false, true, 0x1c838a6f9af3e77dull},
        {1000, false, false, 0x4b2b9aa31c936079ull},
    };
    for (const auto& c : cases) {
        form->Image1->Canvas()->Brush()->SetColor(clWhite);
        form->New1Click(form);
        FillDiagram(*form, c.Items);
        form->N11->SetChecked(c.Antialias);
        form->N12->SetChecked(c.Ellipses);
        const TDateItem& hovered = form->DateItems[3];
        RedrawAt(hovered.X + 2, hovered.Y + 2);
        std::string bytes = Picture();
        RedrawAt(543, 382);  // a second redraw over the first, without the marker
        bytes += Picture();
        EXPECT_EQ(c.Hash, Fnv1a(bytes)) << c.Items << " items, anti-aliasing " << c.Antialias << ", ellipses "
                                        << c.Ellipses << std::hex << ": 0x" << Fnv1a(bytes);
    }
}
