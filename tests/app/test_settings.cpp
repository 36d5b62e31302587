// The settings sub-window: its handlers write the pen, the font, the automatic ellipse and
// the stamp picture into a fresh main window. Buttons are pressed with BM_CLICK; the
// dialogs they open are answered from a timer or operated from inside their modal loop.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <memory>
#include <string>

#include "app/Unit1.h"
#include "app/Unit2.h"
#include "base/Exceptions.h"
#include "tests/app/AppFixture.h"
#include "tests/pendialog/ModalDriver.h"
#include "tests/ui/DialogAnswer.h"
#include "ui/Dialogs.h"

using namespace kova;
using kova::driver::InModalLoop;
using kova::driver::PickItem;
using kova::driver::PressButton;

namespace {

// Loads as often as LoadsLeft allows, then fails like an undecodable file.
class TFlakyGraphic : public TGraphic {
public:
    static const TGraphicClassInfo Class;
    static int LoadsLeft;
    TGraphicClass ClassType() const override { return &Class; }
    void Draw(TCanvas*, const TRect&) override {}
    bool Empty() const override { return false; }
    int Height() const override { return 7; }
    int Width() const override { return 7; }
    void SetHeight(int) override {}
    void SetWidth(int) override {}
    void LoadFromStream(TStream&) override
    {
        if (LoadsLeft-- <= 0)
            throw EInvalidGraphic("壊れた画像");
    }
    void SaveToStream(TStream&) override {}
};
const TGraphicClassInfo TFlakyGraphic::Class = {"TFlakyGraphic", nullptr, []() -> TGraphic* { return new TFlakyGraphic(); }};
int TFlakyGraphic::LoadsLeft = 0;

class Settings : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        char temp[MAX_PATH] = {};
        GetTempPathA(static_cast<DWORD>(std::size(temp)), temp);
        dir = std::string(temp) + "kova_settings_" + std::to_string(GetCurrentProcessId()) + "\\";
        CreateDirectoryA(dir.c_str(), nullptr);
        form2 = new TForm2(Application);
    }
    void TearDown() override
    {
        delete form2;
        Form2 = nullptr;
        for (const std::string& f : files)
            DeleteFileA(f.c_str());
        RemoveDirectoryA(dir.c_str());
        MainWindowTest::TearDown();
    }

    // A white bitmap file of the given size in the test's folder.
    std::string Bitmap(const std::string& name, int width, int height)
    {
        TBitmap bmp;
        bmp.SetSize(width, height);
        files.push_back(dir + name);
        bmp.SaveToFile(files.back());
        return files.back();
    }

    void LoadPicture(const std::string& fileName)
    {
        kova::test::Answering(kova::test::FileName(fileName), [&] { PressButton(form2->Button3); });
    }

    // A left click on the node's text, as the pointer would make it.
    void ClickNode(int index)
    {
        // TVM_GETITEMRECT takes the item in the rectangle's first bytes.
        RECT r{};
        HTREEITEM item = form2->TreeView1->Items()->Item(index)->ItemId();
        std::memcpy(&r, &item, sizeof item);
        HWND tree = form2->TreeView1->Handle();
        ASSERT_TRUE(SendMessageA(tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&r)));
        const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        PostMessageA(tree, WM_LBUTTONDOWN, MK_LBUTTON, at);
        PostMessageA(tree, WM_LBUTTONUP, 0, at);
        Application->ProcessMessages();
    }

    static std::string FocusedName()
    {
        TWinControl* c = TWinControl::FromHandle(GetFocus());
        return c ? c->Name : "(none)";
    }

    // The focused control's name, then after each of count Tabs, then after each of count
    // Shift+Tabs.
    static std::vector<std::string> TabWalk(size_t count)
    {
        std::vector<std::string> names{FocusedName()};
        BYTE keys[256] = {};
        GetKeyboardState(keys);
        for (BYTE shift : {0x00, 0x80}) {
            keys[VK_SHIFT] = shift;
            SetKeyboardState(keys);
            for (size_t i = 0; i < count; ++i) {
                PostMessageA(GetFocus(), WM_KEYDOWN, VK_TAB, 0);
                Application->ProcessMessages();
                names.push_back(FocusedName());
            }
        }
        keys[VK_SHIFT] = 0;
        SetKeyboardState(keys);
        return names;
    }

    // Width and height of a picture, "w x h".
    static std::string SizeOf(TPicture* p) { return std::to_string(p->Width()) + "x" + std::to_string(p->Height()); }
    std::string Stamp() { return SizeOf(form->Image2->Picture()); }
    std::string Preview() { return SizeOf(form2->Image1->Picture()); }

    TForm2* form2 = nullptr;
    std::string dir;
    std::vector<std::string> files;
};

}  // namespace

TEST_F(Settings, ShowsItselfAtItsPlaceAndSetsAutoEllipse)
{
    EXPECT_EQ(form2, Form2);
    EXPECT_TRUE(IsWindowVisible(form2->Handle()));
    RECT r;
    GetWindowRect(form2->Handle(), &r);
    EXPECT_EQ(2, r.left);
    EXPECT_EQ(105, r.top);
    EXPECT_EQ(337, r.right - r.left);
    EXPECT_EQ(211, r.bottom - r.top);
    char text[32] = {};
    GetWindowTextA(form2->Handle(), text, static_cast<int>(std::size(text)));
    EXPECT_STREQ("サブウィンドウ", text);
    EXPECT_TRUE(form->AutoEllipse);
    EXPECT_TRUE(form2->CheckBox1->Checked());
    EXPECT_EQ(0, form2->TreeView1->Items()->Count());
    EXPECT_TRUE(IsWindowVisible(form2->Button4->Handle()));
    EXPECT_FALSE(IsWindowVisible(form2->Button1->Handle()));
    EXPECT_FALSE(IsWindowVisible(form2->CheckBox2->Handle()));
    TCITEMA tab{};
    char caption[16] = {};
    tab.mask = TCIF_TEXT;
    tab.pszText = caption;
    tab.cchTextMax = static_cast<int>(std::size(caption));
    SendMessageA(form2->PageControl1->Handle(), TCM_GETITEMA, 0, reinterpret_cast<LPARAM>(&tab));
    EXPECT_STREQ("設定", caption);
}

// Shown, the sub-window and the pen dialog (with the panels its options show) focus their
// first tab stop; Tab goes round the visible stops in tab order and Shift+Tab back.
TEST_F(Settings, TabGoesRoundTheVisibleTabStopsOfEachWindow)
{
    const struct {
        bool PenDialog;
        TPenDialogOptions Options;
        std::vector<std::string> Stops;
    } windows[] = {
        {false, {}, {"PageControl1", "Button2", "CheckBox1", "Button3", "TreeView1", "Button4"}},
        {true, {poSetStyle, poSetColor, poSetWidth}, {"cmbPenStyle", "cmbPenWidth", "btnOK", "btnCancel"}},
        {true, {poSetColor}, {"btnOK", "btnCancel"}},
    };
    for (const auto& w : windows) {
        const size_t n = w.Stops.size();
        std::vector<std::string> expected;
        for (size_t i = 0; i <= n; ++i)
            expected.push_back(w.Stops[i % n]);
        for (size_t i = 1; i <= n; ++i)
            expected.push_back(w.Stops[n - i]);
        std::vector<std::string> walked;
        if (w.PenDialog) {
            InModalLoop walk([&](TfrmPenDialog&) { walked = TabWalk(n); });
            form2->PenDialog1->SetOptions(w.Options);
            form2->PenDialog1->Execute();
            EXPECT_TRUE(walk.Ran());
        } else {
            walked = TabWalk(n);
        }
        EXPECT_EQ(expected, walked);
    }
}

TEST_F(Settings, AcceptedPenGoesToTheFreeHandLayerAndTheSheetAndStaysForNextTime)
{
    {
        InModalLoop loop([](TfrmPenDialog& f) {
            kova::test::Answering(kova::test::Color(clRed), [&] { kova::driver::ClickWindow(f.pnlColor); });
            PickItem(f.cmbPenWidth, 2);
            PickItem(f.cmbPenStyle, 2);
            PressButton(f.btnOK);
        });
        PressButton(form2->Button4);
        ASSERT_TRUE(loop.Ran());
    }
    for (TImage* layer : {form->Image5, form->Image1}) {
        TPen* pen = layer->Canvas()->Pen();
        EXPECT_EQ(clRed, pen->Color()) << layer->Name;
        EXPECT_EQ(3, pen->Width()) << layer->Name;
        EXPECT_EQ(psDot, pen->Style()) << layer->Name;
    }

    // Opening an item replaced the sheet's pen; the dialog still starts from its own.
    form->Image1->Canvas()->Pen()->SetColor(clBlue);
    form->Image1->Canvas()->Pen()->SetWidth(1);
    {
        InModalLoop loop([](TfrmPenDialog& f) {
            EXPECT_EQ(clRed, f.pnlColor->Color());
            EXPECT_EQ(2, f.cmbPenWidth->ItemIndex());
            EXPECT_EQ(2, f.cmbPenStyle->ItemIndex());
            PressButton(f.btnOK);
        });
        PressButton(form2->Button4);
        ASSERT_TRUE(loop.Ran());
    }
    EXPECT_EQ(clRed, form->Image1->Canvas()->Pen()->Color());
    EXPECT_EQ(3, form->Image1->Canvas()->Pen()->Width());
}

TEST_F(Settings, CancelledDialogsChangeNothing)
{
    TCanvas* sheet = form->Image1->Canvas();
    sheet->Pen()->SetColor(clBlue);
    const std::string fontName = sheet->Font()->Name();
    {
        InModalLoop loop([](TfrmPenDialog& f) {
            PickItem(f.cmbPenWidth, 5);
            PressButton(f.btnCancel);
        });
        PressButton(form2->Button4);
        ASSERT_TRUE(loop.Ran());
    }
    kova::test::Answering(kova::test::Cancel(), [&] { PressButton(form2->Button2); });
    kova::test::Answering(kova::test::Cancel(), [&] { PressButton(form2->Button3); });
    EXPECT_EQ(clBlue, sheet->Pen()->Color());
    EXPECT_EQ(1, sheet->Pen()->Width());
    EXPECT_EQ(1, form->Image5->Canvas()->Pen()->Width());
    EXPECT_EQ(fontName, sheet->Font()->Name());
    EXPECT_EQ(nullptr, form->Image2->Picture()->Graphic());
    EXPECT_EQ(0, form2->TreeView1->Items()->Count());
    EXPECT_TRUE(errors.empty());
}

// A fixed-pitch Shift_JIS face that the font dialog lists (a substituted name is not listed).
static int CALLBACK TakeFixedFace(const LOGFONTA* lf, const TEXTMETRICA*, DWORD type, LPARAM face)
{
    if ((lf->lfPitchAndFamily & 3) != FIXED_PITCH || lf->lfFaceName[0] == '@' || !(type & TRUETYPE_FONTTYPE))
        return 1;
    *reinterpret_cast<std::string*>(face) = lf->lfFaceName;
    return 0;
}

TEST_F(Settings, AcceptedFontGoesToTheSheetWithAllItsAttributes)
{
    EXPECT_EQ("ＭＳ Ｐゴシック", form2->FontDialog1->Font()->Name());
    LOGFONTA wanted{};
    wanted.lfCharSet = SHIFTJIS_CHARSET;
    std::string face;
    HDC screen = GetDC(nullptr);
    EnumFontFamiliesExA(screen, &wanted, TakeFixedFace, reinterpret_cast<LPARAM>(&face), 0);
    ReleaseDC(nullptr, screen);
    ASSERT_FALSE(face.empty());
    TFont chosen;
    chosen.SetName(face);
    chosen.SetHeight(-20);
    chosen.SetStyle(fsBold | fsUnderline);
    chosen.SetColor(clGreen);
    chosen.SetCharset(SHIFTJIS_CHARSET);
    chosen.SetPitch(fpFixed);
    form2->FontDialog1->Font()->Assign(&chosen);
    EXPECT_EQ(static_cast<uint32_t>(CF_SCREENFONTS | CF_INITTOLOGFONTSTRUCT | CF_EFFECTS), form2->FontDialog1->Flags());
    // The real dialog, started from the chosen font and accepted as it shows it.
    ASSERT_TRUE(kova::test::Answering(kova::test::Ok(), [&] { PressButton(form2->Button2); }));
    TFont* font = form->Image1->Canvas()->Font();
    EXPECT_EQ(face, font->Name());
    EXPECT_EQ(-20, font->Height());
    EXPECT_EQ(fsBold | fsUnderline, font->Style());
    EXPECT_EQ(clGreen, font->Color());
    EXPECT_EQ(SHIFTJIS_CHARSET, font->Charset());
    EXPECT_EQ(fpFixed, font->Pitch());
    // The next font dialog starts from the accepted font, not from the sheet's.
    font->SetColor(clRed);
    kova::test::Answering(kova::test::Cancel(), [&] { PressButton(form2->Button2); });
    EXPECT_EQ(clGreen, form2->FontDialog1->Font()->Color());
    EXPECT_EQ(clRed, font->Color());
}

TEST_F(Settings, LoadedPicturesBecomeTheStampThePreviewAndANodeEachTime)
{
    const std::string a = Bitmap("a.bmp", 30, 20), b = Bitmap("b.bmp", 12, 40);
    LoadPicture(a);
    LoadPicture(a);
    LoadPicture(b);
    EXPECT_EQ("12x40", Stamp());
    EXPECT_EQ("12x40", Preview());
    TTreeNodes* nodes = form2->TreeView1->Items();
    ASSERT_EQ(3, nodes->Count());
    EXPECT_EQ(a, nodes->Item(0)->Text());
    EXPECT_EQ(a, nodes->Item(1)->Text());
    EXPECT_EQ(b, nodes->Item(2)->Text());
    EXPECT_TRUE(errors.empty());
}

TEST_F(Settings, ClickedNodeLoadsItsFileIntoBothPicturesAgain)
{
    const std::string a = Bitmap("a.bmp", 30, 20), b = Bitmap("b.bmp", 12, 40);
    LoadPicture(a);
    LoadPicture(b);
    ClickNode(0);
    EXPECT_EQ(a, form2->TreeView1->Selected()->Text());
    EXPECT_EQ("30x20", Stamp());
    EXPECT_EQ("30x20", Preview());
    // The selected node again, after another picture was loaded.
    LoadPicture(b);
    ClickNode(0);
    EXPECT_EQ("30x20", Stamp());
    EXPECT_EQ("30x20", Preview());
    EXPECT_TRUE(errors.empty());
}

TEST_F(Settings, ClickWithoutSelectedNodeDoesNothing)
{
    PostMessageA(form2->TreeView1->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 90));
    PostMessageA(form2->TreeView1->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(100, 90));
    Application->ProcessMessages();
    EXPECT_EQ(nullptr, form->Image2->Picture()->Graphic());
    EXPECT_TRUE(errors.empty());
}

TEST_F(Settings, FailedLoadLeavesWhatItHadNotReached)
{
    const std::string a = Bitmap("a.bmp", 30, 20);
    LoadPicture(a);
    // Step 1 fails: nothing changes.
    LoadPicture(dir + "missing.bmp");
    ASSERT_EQ(1u, errors.size());
    EXPECT_EQ("30x20", Stamp());
    EXPECT_EQ("30x20", Preview());
    EXPECT_EQ(1, form2->TreeView1->Items()->Count());

    // Step 2 fails: the stamp is the new picture, the preview the old one, no node.
    TPicture::RegisterFileFormat("flaky", "test", &TFlakyGraphic::Class);
    files.push_back(dir + "x.flaky");
    {
        TFileStream out(files.back(), TFileMode::fmCreate);
    }
    TFlakyGraphic::LoadsLeft = 1;
    LoadPicture(files.back());
    TPicture::UnregisterGraphicClass(&TFlakyGraphic::Class);
    ASSERT_EQ(2u, errors.size());
    EXPECT_EQ("壊れた画像", errors.back());
    EXPECT_EQ("7x7", Stamp());
    EXPECT_EQ("30x20", Preview());
    EXPECT_EQ(1, form2->TreeView1->Items()->Count());

    // A node whose file is gone fails at the preview and leaves the stamp; it stays.
    DeleteFileA(a.c_str());
    ClickNode(0);
    ASSERT_EQ(3u, errors.size());
    EXPECT_EQ("7x7", Stamp());
    EXPECT_EQ(1, form2->TreeView1->Items()->Count());
}

TEST_F(Settings, AutoEllipseFollowsTheCheckBoxAndAnOpenedItemLeavesTheBoxAlone)
{
    PressButton(form2->CheckBox1);
    EXPECT_FALSE(form2->CheckBox1->Checked());
    EXPECT_FALSE(form->AutoEllipse);
    form->Edit1->SetText("円なし");
    form->CommitNewItem();
    EXPECT_FALSE(form->DateItems[0].HasEllipse);

    PressButton(form2->CheckBox1);
    EXPECT_TRUE(form->AutoEllipse);
    form->HoverItem = 0;
    form->Image1DblClick(form->Image1);
    EXPECT_FALSE(form->AutoEllipse);
    EXPECT_TRUE(form2->CheckBox1->Checked());
    EXPECT_EQ(BST_CHECKED, SendMessageA(form2->CheckBox1->Handle(), BM_GETCHECK, 0, 0));
}

TEST_F(Settings, HiddenColourButtonAndShadowBoxStillWorkWhenRun)
{
    kova::test::Answering(kova::test::Color(clLime), [&] { form2->Button1Click(form2->Button1); });
    EXPECT_EQ(clLime, form->Image1->Canvas()->Pen()->Color());
    EXPECT_EQ(clLime, form2->Panel1->Color());
    EXPECT_EQ(clLime, form->Image5->Canvas()->Pen()->Color());
    EXPECT_FALSE(form->Shadow);
    form2->CheckBox2->SetChecked(true);
    EXPECT_TRUE(form->Shadow);
}
