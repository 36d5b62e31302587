// The owner-drawn entries of the style and width lists: each entry is drawn through the
// list's own WM_DRAWITEM path into a small bitmap, and its pixels are read back.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "pendialog/APenDlg.h"
#include "surface/GdiHandles.h"
#include "tests/pendialog/ModalDriver.h"

namespace kova {
namespace {

using driver::InModalLoop;
using driver::PressButton;

constexpr int EntryWidth = 201, EntryHeight = 16;

// One list entry drawn as the system asks for it.
class Entry {
public:
    Entry(TComboBox* list, int index, UINT state = 0)
    {
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), EntryWidth, -EntryHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        void* bits = nullptr;
        FBitmap.reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        SelectGuard select(FDC.get(), FBitmap.get());
        // Paint over it first, so that what the entry leaves alone shows.
        RECT all{0, 0, EntryWidth, EntryHeight};
        GdiObject<HBRUSH> green(CreateSolidBrush(RGB(0, 255, 0)));
        FillRect(FDC.get(), &all, green.get());
        HWND wnd = list->Handle();
        DRAWITEMSTRUCT item{};
        item.CtlType = ODT_COMBOBOX;
        item.CtlID = static_cast<UINT>(GetDlgCtrlID(wnd));
        item.itemID = static_cast<UINT>(index);
        item.itemAction = ODA_DRAWENTIRE;
        item.itemState = state;
        item.hwndItem = wnd;
        item.hDC = FDC.get();
        item.rcItem = all;
        SendMessageA(GetParent(wnd), WM_DRAWITEM, item.CtlID, reinterpret_cast<LPARAM>(&item));
        GdiFlush();
        FPixels = static_cast<const uint32_t*>(bits);
    }

    COLORREF Pixel(int x, int y) const
    {
        uint32_t p = FPixels[y * EntryWidth + x];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
    // Pixels of colour in column x.
    int Thickness(int x, COLORREF color) const
    {
        int n = 0;
        for (int y = 0; y < EntryHeight; ++y)
            n += Pixel(x, y) == color;
        return n;
    }
    // Columns x0 .. x1-1 of the sample line's row that are in colour.
    std::string Row(int x0, int x1, COLORREF color) const
    {
        std::string s;
        for (int x = x0; x < x1; ++x)
            s += Pixel(x, EntryHeight / 2) == color ? '1' : '0';
        return s;
    }

private:
    MemoryDC FDC{CreateCompatibleDC(nullptr)};
    GdiObject<HBITMAP> FBitmap;
    const uint32_t* FPixels = nullptr;
};

// The label as the entry should write it: the list's font at (125, 2) on the background.
bool LabelMatches(TComboBox* list, const Entry& entry, const std::string& label, COLORREF ink, COLORREF back)
{
    MemoryDC dc(CreateCompatibleDC(nullptr));
    GdiObject<HBITMAP> bitmap(CreateBitmap(EntryWidth, EntryHeight, 1, 32, nullptr));
    SelectGuard select(dc.get(), bitmap.get());
    SelectGuard font(dc.get(), list->Font()->Handle());
    SetTextColor(dc.get(), ink);
    SetBkColor(dc.get(), back);
    RECT all{0, 0, EntryWidth, EntryHeight};
    ExtTextOutA(dc.get(), 125, 2, ETO_OPAQUE | ETO_CLIPPED, &all, label.data(), static_cast<UINT>(label.size()),
                nullptr);
    // Columns left of 127 hold the end of the sample line.
    for (int y = 0; y < EntryHeight; ++y)
        for (int x = 127; x < EntryWidth; ++x)
            if ((GetPixel(dc.get(), x, y) & 0xFFFFFF) != entry.Pixel(x, y))
                return false;
    return true;
}

class DrawingTest : public ::testing::Test {
protected:
    void SetUp() override { Dialog = new TPenDialog(&Owner); }

    void Run(std::function<void(TfrmPenDialog&)> action)
    {
        InModalLoop loop([&](TfrmPenDialog& f) {
            action(f);
            PressButton(f.btnCancel);
        });
        Dialog->Execute();
        EXPECT_TRUE(loop.Ran());
        EXPECT_FALSE(loop.Forced());
    }

    TComponent Owner{nullptr};
    TPenDialog* Dialog = nullptr;
};

const COLORREF Red = RGB(255, 0, 0);

TEST_F(DrawingTest, WidthEntriesAreLabelledInPixelsAndTheirSamplesStopAtTenPixels)
{
    Dialog->SetMaxWidth(15);
    Dialog->Pen()->SetColor(clRed);
    Run([](TfrmPenDialog& f) {
        const COLORREF window = GetSysColor(COLOR_WINDOW), text = GetSysColor(COLOR_WINDOWTEXT);
        for (int index : {0, 4, 9, 10, 14}) {
            Entry entry(f.cmbPenWidth, index);
            const int expected = std::min(index + 1, 10);
            EXPECT_EQ(expected, entry.Thickness(60, Red)) << "entry " << index;
            EXPECT_TRUE(LabelMatches(f.cmbPenWidth, entry, std::to_string(index + 1) + "pixel", text, window))
                << "entry " << index;
            // The rest of the entry is filled with the list's colour.
            EXPECT_EQ(window, entry.Pixel(2, 0));
        }
    });
}

TEST_F(DrawingTest, StyleEntriesDrawTheirOwnStyleAndLabel)
{
    Dialog->Pen()->SetColor(clRed);
    Run([](TfrmPenDialog& f) {
        const std::string solid(100, '1');
        EXPECT_EQ(solid, Entry(f.cmbPenStyle, 0).Row(10, 110, Red));
        for (int index = 1; index < 5; ++index) {
            std::string row = Entry(f.cmbPenStyle, index).Row(10, 110, Red);
            EXPECT_NE(solid, row) << "entry " << index;
            EXPECT_NE(std::string::npos, row.find('1')) << "entry " << index;
        }
        Entry dot(f.cmbPenStyle, 2);
        EXPECT_TRUE(LabelMatches(f.cmbPenStyle, dot, "点線", GetSysColor(COLOR_WINDOWTEXT), GetSysColor(COLOR_WINDOW)));
        // The width list shows the working pen's style.
        driver::PickItem(f.cmbPenStyle, 1);
        EXPECT_NE(solid, Entry(f.cmbPenWidth, 0).Row(10, 110, Red));
    });
}

TEST_F(DrawingTest, WhitePenIsSampledInTheWindowTextColour)
{
    ASSERT_EQ(RGB(255, 255, 255), GetSysColor(COLOR_WINDOW)) << "the window colour of this system is not white";
    Dialog->Pen()->SetColor(clWhite);
    Dialog->Pen()->SetWidth(3);
    Run([](TfrmPenDialog& f) {
        const COLORREF text = GetSysColor(COLOR_WINDOWTEXT);
        EXPECT_EQ(3, Entry(f.cmbPenStyle, 0).Thickness(60, text));
        EXPECT_EQ(2, Entry(f.cmbPenWidth, 1).Thickness(60, text));
    });
}

TEST_F(DrawingTest, SelectedEntryUsesTheHighlightAndEmptyAreaSkipsTheHandler)
{
    Run([](TfrmPenDialog& f) {
        const COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT);
        Entry selected(f.cmbPenWidth, 0, ODS_SELECTED);
        EXPECT_EQ(highlight, selected.Pixel(2, 0));
        EXPECT_TRUE(LabelMatches(f.cmbPenWidth, selected, "1pixel", GetSysColor(COLOR_HIGHLIGHTTEXT), highlight));

        bool called = false;
        f.cmbPenWidth->OnDrawItem = [&](TWinControl*, int, const TRect&, TOwnerDrawState) { called = true; };
        Entry none(f.cmbPenWidth, -1, ODS_SELECTED);
        EXPECT_FALSE(called);
        EXPECT_EQ(GetSysColor(COLOR_WINDOW), none.Pixel(60, 8));
        EXPECT_EQ(GetSysColor(COLOR_WINDOW), none.Pixel(150, 4));
    });
}

}  // namespace
}  // namespace kova
