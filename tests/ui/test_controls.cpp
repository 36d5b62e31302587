// Panels, the keys of buttons, the tree view's selection and the scripted colour and font
// dialogs; the other controls are tested through the windows that use them.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "base/Exceptions.h"
#include "ui/Application.h"
#include "ui/Buttons.h"
#include "ui/ColorFontDialogs.h"
#include "ui/ComboBoxes.h"
#include "ui/Forms.h"
#include "ui/Panels.h"
#include "ui/TreeView.h"
#include "tests/ui/DialogAnswer.h"

namespace kova {
namespace {

class ControlsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Form = std::make_unique<TForm>(nullptr);
        Form->SetBounds(0, 0, 400, 300);
    }

    template <class C>
    C* Add(TWinControl* parent, int x, int y, int w, int h)
    {
        auto* c = new C(Form.get());
        c->SetParent(parent);
        c->SetBounds(x, y, w, h);
        return c;
    }

    // Posts a key to the focused window and lets the loop take it.
    void Key(HWND focus, WPARAM key, UINT msg = WM_KEYDOWN)
    {
        PostMessageA(focus, msg, key, 0);
        Application->ProcessMessages();
    }
    // Where the keyboard goes: the focused window, or else the active one.
    static HWND KeyTarget() { return GetFocus() ? GetFocus() : GetActiveWindow(); }
    void Press(WPARAM key)
    {
        Key(KeyTarget(), key);
        Key(KeyTarget(), key, WM_KEYUP);
    }

    std::unique_ptr<TForm> Form;
};

TEST_F(ControlsTest, PanelAlignsInsideItsFrameAndAutoSizesToVisibleChildren)
{
    auto* panel = Add<TPanel>(Form.get(), 10, 10, 200, 150);
    panel->SetBorderWidth(3);
    panel->SetBevelInner(bvLowered);
    panel->SetBevelWidth(2);
    auto* top = Add<TPanel>(panel, 0, 0, 50, 30);
    top->SetAlign(alTop);
    auto* next = Add<TPanel>(panel, 0, 0, 50, 20);
    next->SetAlign(alTop);
    EXPECT_EQ(Rect(7, 7, 193, 37), top->BoundsRect());
    EXPECT_EQ(Rect(7, 37, 193, 57), next->BoundsRect());

    panel->SetAutoSize(true);
    EXPECT_EQ(64, panel->Height());
    top->Hide();
    EXPECT_EQ(34, panel->Height());
    EXPECT_EQ(7, next->Top());
    next->Hide();  // nothing left to hold: the size stays
    EXPECT_EQ(34, panel->Height());
    EXPECT_EQ(200, panel->Width());
}

TEST_F(ControlsTest, PanelPaintsRaisedOuterAndLoweredInnerBevels)
{
    auto* panel = Add<TPanel>(Form.get(), 0, 0, 20, 20);
    panel->SetBevelInner(bvLowered);
    panel->SetBorderWidth(2);
    HDC screen = GetDC(nullptr);
    MemoryDC dc(CreateCompatibleDC(screen));
    GdiObject<HBITMAP> bitmap(CreateCompatibleBitmap(screen, 20, 20));
    ReleaseDC(nullptr, screen);
    SelectGuard select(dc.get(), bitmap.get());
    SendMessageA(panel->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc.get()), PRF_CLIENT);
    const COLORREF light = GetSysColor(COLOR_BTNHIGHLIGHT), dark = GetSysColor(COLOR_BTNSHADOW),
                   face = GetSysColor(COLOR_BTNFACE);
    // Outer ring at 0 and 19, the border at 1 and 2, the inner ring at 3 and 16.
    const struct {
        int X, Y;
        COLORREF Expected;
    } pixels[] = {{0, 5, light}, {5, 0, light}, {19, 5, dark}, {5, 19, dark}, {19, 0, dark},
                  {1, 5, face},  {2, 5, face},  {3, 5, dark},  {5, 3, dark},  {16, 5, light},
                  {5, 16, light}, {10, 10, face}};
    for (const auto& p : pixels)
        EXPECT_EQ(p.Expected, GetPixel(dc.get(), p.X, p.Y)) << p.X << "," << p.Y;
}

TEST_F(ControlsTest, EnterAndEscGoToTheDefaultCancelOrFocusedButton)
{
    auto* ok = Add<TButton>(Form.get(), 10, 10, 75, 25);
    ok->SetDefault(true);
    ok->SetModalResult(mrOk);
    auto* cancel = Add<TButton>(Form.get(), 100, 10, 75, 25);
    cancel->SetCancel(true);
    auto* list = Add<TComboBox>(Form.get(), 10, 50, 100, 22);
    list->Items()->Add("a");
    std::vector<std::string> clicks;
    ok->OnClick = [&](TObject*) { clicks.push_back("ok"); };
    cancel->OnClick = [&](TObject*) { clicks.push_back("cancel"); };
    Form->Show();
    Application->ProcessMessages();

    Key(Form->Handle(), VK_RETURN);
    EXPECT_EQ(mrOk, Form->ModalResult());
    Key(Form->Handle(), VK_ESCAPE);
    SetFocus(cancel->Handle());
    Key(cancel->Handle(), VK_RETURN);
    // A dropped-down list keeps Enter and Esc for itself.
    SetFocus(list->Handle());
    SendMessageA(list->Handle(), CB_SHOWDROPDOWN, TRUE, 0);
    Key(list->Handle(), VK_ESCAPE);
    SendMessageA(list->Handle(), CB_SHOWDROPDOWN, FALSE, 0);
    ok->SetEnabled(false);
    Key(Form->Handle(), VK_RETURN);
    EXPECT_EQ((std::vector<std::string>{"ok", "cancel", "cancel"}), clicks);
}

TEST_F(ControlsTest, TheFocusedControlTakesItsKeysAndAltLettersPressButtons)
{
    auto* list = Add<TComboBox>(Form.get(), 10, 10, 100, 22);
    for (const char* item : {"a", "b", "c"})
        list->Items()->Add(item);
    list->SetItemIndex(0);
    auto* tree = Add<TTreeView>(Form.get(), 10, 40, 100, 60);
    TTreeNode* first = tree->Items()->Add("a.bmp");
    tree->Items()->Add("b.bmp");
    tree->SetSelected(first);
    auto* box = Add<TCheckBox>(Form.get(), 120, 10, 100, 17);
    box->SetCaption("&auto");
    auto* ok = Add<TButton>(Form.get(), 120, 40, 75, 25);
    ok->SetCaption("&OK");
    auto* cancel = Add<TButton>(Form.get(), 200, 40, 90, 25);
    cancel->SetCaption("キャンセル(&C)");
    std::vector<std::string> events;
    list->OnChange = [&](TObject*) { events.push_back("list " + std::to_string(list->ItemIndex())); };
    tree->OnChange = [&](TObject*, TTreeNode* node) { events.push_back("tree " + node->Text()); };
    box->OnClick = [&](TObject*) { events.push_back(box->Checked() ? "box on" : "box off"); };
    ok->OnClick = [&](TObject*) { events.push_back("ok"); };
    cancel->OnClick = [&](TObject*) { events.push_back("cancel"); };
    Form->Show();
    Application->ProcessMessages();

    EXPECT_EQ(list->Handle(), GetFocus()) << "the first tab stop has the focus";
    for (WPARAM key : {VK_DOWN, VK_END, VK_HOME, VK_TAB, VK_DOWN, VK_UP, VK_TAB, VK_SPACE, VK_TAB, VK_SPACE})
        Press(key);
    Key(KeyTarget(), 'c', WM_SYSCHAR);
    Key(KeyTarget(), 'x', WM_SYSCHAR);
    cancel->SetEnabled(false);
    Key(KeyTarget(), 'C', WM_SYSCHAR);
    Key(KeyTarget(), 'o', WM_SYSCHAR);
    Key(KeyTarget(), 'A', WM_SYSCHAR);
    EXPECT_EQ((std::vector<std::string>{"list 1", "list 2", "list 0", "tree b.bmp", "tree a.bmp", "box on", "ok",
                                        "cancel", "ok", "box off"}),
              events);
}

TEST_F(ControlsTest, TreeViewReportsSelectionChanges)
{
    auto* tree = Add<TTreeView>(Form.get(), 10, 10, 200, 100);
    std::vector<std::string> changed;
    tree->OnChange = [&](TObject*, TTreeNode* node) { changed.push_back(node ? node->Text() : "-"); };
    tree->Items()->Add("a.bmp");
    TTreeNode* b = tree->Items()->Add("b.bmp");
    EXPECT_EQ(nullptr, tree->Selected());
    tree->SetSelected(b);
    EXPECT_EQ(b, tree->Selected());
    EXPECT_EQ((std::vector<std::string>{"b.bmp"}), changed);
}

TEST_F(ControlsTest, ColourAndFontDialogsPassTheirOptionsAndGiveTheAnswer)
{
    TComponent owner(nullptr);
    auto* colour = new TColorDialog(&owner);
    auto* font = new TFontDialog(&owner);
    colour->Options = {cdPreventFullOpen, cdSolidColor};
    EXPECT_EQ(static_cast<uint32_t>(CC_RGBINIT | CC_PREVENTFULLOPEN | CC_SOLIDCOLOR), colour->Flags());
    EXPECT_TRUE(test::Answering(test::Color(clRed), [&] { EXPECT_TRUE(colour->Execute()); }));
    EXPECT_EQ(clRed, colour->Color);
    font->MaxFontSize = 20;
    font->Options = {};
    EXPECT_EQ(static_cast<uint32_t>(CF_SCREENFONTS | CF_INITTOLOGFONTSTRUCT | CF_LIMITSIZE), font->Flags());
    EXPECT_TRUE(test::Answering(test::Cancel(), [&] { EXPECT_FALSE(font->Execute()); }));
}

}  // namespace
}  // namespace kova
