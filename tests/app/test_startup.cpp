// The main window as it is right after start.
#include <gtest/gtest.h>
#include <windows.h>

#include <set>
#include <string>

#include "app/Unit1.h"
#include "base/Cp932.h"
#include "tests/app/AppFixture.h"

using namespace kova;

namespace {

// Caption, check mark and visible sub-items of a Win32 menu, as "caption[*]" lines.
std::string MenuText(HMENU menu, int depth = 0)
{
    std::string out;
    int n = GetMenuItemCount(menu);
    for (int i = 0; i < n; ++i) {
        char caption[128] = {};
        MENUITEMINFOA info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_SUBMENU | MIIM_STRING;
        info.dwTypeData = caption;
        info.cch = sizeof caption - 1;
        GetMenuItemInfoA(menu, static_cast<UINT>(i), TRUE, &info);
        out += std::string(static_cast<size_t>(depth) * 2, ' ');
        out += (info.fType & MFT_SEPARATOR) ? std::string("-") : std::string(caption);
        if (info.fState & MFS_CHECKED)
            out += " *";
        out += "\n";
        if (info.hSubMenu)
            out += MenuText(info.hSubMenu, depth + 1);
    }
    return out;
}

// True when every character of text has a glyph in the face that the system picks for font.
bool HasGlyphs(const LOGFONTA& font, const std::string& text)
{
    HDC dc = CreateCompatibleDC(nullptr);
    HFONT f = CreateFontIndirectA(&font);
    HGDIOBJ old = SelectObject(dc, f);
    std::wstring wide = Cp932ToWide(text);
    std::wstring glyphs(wide.size(), L'\0');
    GetGlyphIndicesW(dc, wide.c_str(), static_cast<int>(wide.size()), reinterpret_cast<WORD*>(glyphs.data()),
                     GGI_MARK_NONEXISTING_GLYPHS);
    SelectObject(dc, old);
    DeleteObject(f);
    DeleteDC(dc);
    return glyphs.find(static_cast<wchar_t>(0xFFFF)) == std::wstring::npos;
}

}  // namespace

using StartUp = MainWindowTest;

TEST_F(StartUp, WindowHasItsCaptionPlaceAndClientArea)
{
    HWND wnd = form->Handle();
    char caption[64] = {};
    GetWindowTextA(wnd, caption, sizeof caption);
    EXPECT_EQ("KOVA　Ver0.5", std::string(caption));
    RECT window;
    GetWindowRect(wnd, &window);
    EXPECT_EQ(266, window.left);
    EXPECT_EQ(273, window.top);
    RECT client;
    GetClientRect(wnd, &client);
    EXPECT_EQ(544, client.right);
    EXPECT_EQ(383, client.bottom);
    LONG style = GetWindowLongA(wnd, GWL_STYLE);
    EXPECT_FALSE(style & WS_THICKFRAME) << "the window must not be resizable";
    EXPECT_EQ(GetSysColor(COLOR_BTNFACE), ColorToRGB(form->Color()));
}

TEST_F(StartUp, MenuTreeShowsOnlyTheReachableEntries)
{
    EXPECT_EQ("ファイル\n"
              "  新規作成\n"
              "  -\n"
              "  -\n"
              "  保存\n"
              "  -\n"
              "  -\n"
              "  終了\n"
              "表示\n"
              "  自由線 *\n"
              "  項目囲み *\n"
              "  アンチエイリアスフォント *\n",
              MenuText(GetMenu(form->Handle())));
    // The hidden entries exist, with their state.
    EXPECT_FALSE(form->N1->Visible());
    EXPECT_FALSE(form->Print1->Visible());
    EXPECT_FALSE(form->Edit2->Visible());
    EXPECT_TRUE(form->N9->Checked());
    EXPECT_FALSE(form->N9->Visible());
    EXPECT_TRUE(form->N10->Checked());
    EXPECT_FALSE(form->N10->Visible());
    EXPECT_EQ("更新", form->Refresh1->Caption());
    EXPECT_EQ(1, form->PopupMenu1->Items()->Count());
    EXPECT_EQ("画像", form->N6->Caption());
}

TEST_F(StartUp, ViewTogglesFlipTheirOwnCheckMark)
{
    form->N8->Click();
    EXPECT_FALSE(form->N8->Checked());
    EXPECT_TRUE(form->N12->Checked());
    form->N12->Click();
    form->N11->Click();
    EXPECT_FALSE(form->N12->Checked());
    EXPECT_FALSE(form->N11->Checked());
    form->N8->Click();
    EXPECT_TRUE(form->N8->Checked());
    EXPECT_NE(std::string::npos, MenuText(GetMenu(form->Handle())).find("自由線 *"));
}

TEST_F(StartUp, LayersHaveTheirSizesAndVisibility)
{
    EXPECT_EQ((TRect{0, 0, 544, 383}), form->Image1->BoundsRect());
    EXPECT_TRUE(form->Image1->Visible());
    EXPECT_FALSE(form->Image2->Visible());
    // Sized to its empty picture, the snapshot layer has no area.
    EXPECT_EQ(0, form->Image3->Width());
    EXPECT_EQ(0, form->Image3->Height());
    EXPECT_EQ(0, form->Image3->Left());
    EXPECT_EQ(8, form->Image3->Top());
    EXPECT_EQ((TRect{0, 0, 657, 300}), form->Image4->BoundsRect());
    EXPECT_FALSE(form->Image4->Visible());
    EXPECT_EQ((TRect{0, 0, 544, 383}), form->Image5->BoundsRect());
    EXPECT_FALSE(form->Image5->Visible());
    // Nothing has been drawn: the sheet's picture is still empty.
    EXPECT_EQ(nullptr, form->Image1->Picture()->Graphic());
    // The text bitmap is made at the control's size when it is first asked for.
    form->Image4->Canvas();
    EXPECT_EQ(657, form->Image4->Picture()->Width());
    EXPECT_EQ(300, form->Image4->Picture()->Height());
}

TEST_F(StartUp, EditorIsParkedAndTheMemoHoldsItsLine)
{
    EXPECT_EQ(-200, form->Edit1->Left());
    EXPECT_EQ(-200, form->Edit1->Top());
    EXPECT_EQ(561, form->Edit1->Width());
    EXPECT_FALSE(form->Edit1->Visible());
    EXPECT_EQ("", form->Edit1->Text());
    EXPECT_EQ(1, form->Memo1->Lines()->Count());
    EXPECT_EQ("Memo1", form->Memo1->Lines()->Strings(0));
    EXPECT_FALSE(form->Memo1->Visible());
}

TEST_F(StartUp, ItemTableHasAThousandSlotsWithTheirOwnStyleObjects)
{
    EXPECT_EQ(0, form->Mode);
    EXPECT_EQ(0, form->ItemCount);
    EXPECT_EQ(1000, form->ItemCapacity);
    EXPECT_EQ(-1, form->HoverItem);
    EXPECT_EQ(-1, form->LinkSource);
    EXPECT_EQ(-1, form->EditItem);
    EXPECT_EQ(-1, form->MoveItem);
    EXPECT_FALSE(form->AutoEllipse);
    EXPECT_FALSE(form->Shadow);
    ASSERT_EQ(1000u, form->DateItems.size());
    std::set<const void*> objects;
    for (const TDateItem& item : form->DateItems) {
        ASSERT_TRUE(item.Font && item.Pen);
        objects.insert(item.Font.get());
        objects.insert(item.Pen.get());
        EXPECT_FALSE(item.Deleted);
        EXPECT_EQ(0, item.LinkCount);
        EXPECT_TRUE(item.Links.empty());
        EXPECT_TRUE(item.Text.empty());
        // Style objects make their GDI handles only when drawn with.
        EXPECT_FALSE(item.Font->HandleAllocated());
        EXPECT_FALSE(item.Pen->HandleAllocated());
    }
    EXPECT_EQ(2000u, objects.size());
    const TDateItem& first = form->DateItems[0];
    EXPECT_EQ(DefaultFontData().Name, first.Font->Name());
    EXPECT_EQ(clWindowText, first.Font->Color());
    EXPECT_EQ(clBlack, first.Pen->Color());
    EXPECT_EQ(1, first.Pen->Width());
    EXPECT_EQ(psSolid, first.Pen->Style());
    EXPECT_EQ(pmCopy, first.Pen->Mode());
}

TEST_F(StartUp, FormFontAndMenusHaveJapaneseGlyphs)
{
    TFont* font = form->Font();
    EXPECT_EQ(SHIFTJIS_CHARSET, font->Charset());
    EXPECT_EQ(-12, font->Height());
    EXPECT_EQ("ＭＳ Ｐゴシック", font->Name());
    LOGFONTA form_font = {};
    GetObjectA(font->Handle(), sizeof form_font, &form_font);
    EXPECT_TRUE(HasGlyphs(form_font, "KOVA　Ver0.5 ファイル表示"));

    NONCLIENTMETRICSA metrics = {};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    EXPECT_TRUE(HasGlyphs(metrics.lfMenuFont, "ファイル表示新規作成保存終了自由線項目囲みアンチエイリアスフォント"));
    EXPECT_TRUE(HasGlyphs(metrics.lfCaptionFont, "KOVA　Ver0.5"));
    EXPECT_TRUE(HasGlyphs(metrics.lfMessageFont, "リストのインデックスが範囲を超えています"));
}
