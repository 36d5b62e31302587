// Forms, menus, edits and the application object.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "base/Exceptions.h"
#include "ui/Application.h"
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "ui/Menus.h"
#include "ui/StdCtrls.h"

namespace kova {
namespace {

class Shown : public ::testing::Test {
protected:
    void SetUp() override
    {
        Application->OnShowException = [this](const std::string& m) { Messages.push_back(m); };
    }
    void TearDown() override { Application->OnShowException = nullptr; }
    std::vector<std::string> Messages;
};

// ---------------------------------------------------------------- application

using GuardTest = Shown;

TEST_F(GuardTest, ShowsMessagesOfFailuresButNothingForTheSilentAbort)
{
    Application->Guard([] { throw Exception("読み込めません"); });
    Application->Guard([] { throw EAbort(); });
    Application->Guard([] { throw std::runtime_error("std failure"); });
    Application->Guard([] { throw 42; });
    Application->Guard([] {});
    ASSERT_EQ(3u, Messages.size());
    EXPECT_EQ("読み込めません", Messages[0]);
    EXPECT_EQ("std failure", Messages[1]);
    EXPECT_EQ("不明な例外が発生しました", Messages[2]);
}

TEST_F(GuardTest, HandleExceptionOutsideACatchShowsNothing)
{
    Application->HandleException(nullptr);
    EXPECT_TRUE(Messages.empty());
}

TEST(TaskButton, MinimizingTheMainFormHidesTheFormsAndRestoringShowsThemWhereTheyWere)
{
    Application->SetTitle("KO-VA");
    const HWND button = Application->Handle();
    TForm* main = nullptr;
    Application->CreateForm(main);
    TForm other(nullptr);
    int otherShows = 0;
    other.OnShow = [&](TObject*) { ++otherShows; };
    other.SetBounds(2, 105, 337, 211);
    main->SetBounds(266, 273, 300, 200);
    EXPECT_FALSE(IsWindowVisible(button));
    other.Show();
    main->Show();

    // The button: the title, shown with the main form, no area, unowned, no tool window.
    char text[32] = {};
    GetWindowTextA(button, text, static_cast<int>(std::size(text)));
    EXPECT_STREQ("KO-VA", text);
    EXPECT_TRUE(IsWindowVisible(button));
    RECT r;
    GetWindowRect(button, &r);
    EXPECT_TRUE(IsRectEmpty(&r));
    EXPECT_EQ(nullptr, GetWindow(button, GW_OWNER));
    EXPECT_EQ(0, GetWindowLongA(button, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
    HMENU menu = GetSystemMenu(button, FALSE);
    EXPECT_EQ(static_cast<UINT>(-1), GetMenuState(menu, SC_MOVE, MF_BYCOMMAND));
    EXPECT_NE(static_cast<UINT>(-1), GetMenuState(menu, SC_CLOSE, MF_BYCOMMAND));
    for (TForm* form : {main, &other})
        EXPECT_EQ(button, GetWindow(form->Handle(), GW_OWNER));

    SendMessageA(main->Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_TRUE(IsIconic(button));
    EXPECT_TRUE(IsWindowVisible(button));
    EXPECT_FALSE(IsWindowVisible(main->Handle()));
    EXPECT_FALSE(IsWindowVisible(other.Handle()));

    SendMessageA(button, WM_SYSCOMMAND, SC_RESTORE, 0);
    EXPECT_FALSE(IsIconic(button));
    const struct {
        TForm* Form;
        RECT Expected;
    } places[] = {{main, {266, 273, 566, 473}}, {&other, {2, 105, 339, 316}}};
    for (const auto& p : places) {
        EXPECT_TRUE(IsWindowVisible(p.Form->Handle()));
        GetWindowRect(p.Form->Handle(), &r);
        EXPECT_TRUE(EqualRect(&p.Expected, &r)) << r.left << "," << r.top << " " << r.right << "," << r.bottom;
    }
    EXPECT_EQ(main->Handle(), GetActiveWindow());
    EXPECT_EQ(1, otherShows) << "a restore is no new showing";

    // Close on the button is the main form's own close.
    bool asked = false;
    main->OnClose = [&](TObject*, TCloseAction& action) {
        asked = true;
        action = caNone;
    };
    SendMessageA(button, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(asked);
    delete main;
    EXPECT_FALSE(IsWindowVisible(button));
}

TEST(Ownership, OwnerDestroysOwnedComponentsAndTheirWindows)
{
    auto* form = new TForm(nullptr);
    auto* edit = new TEdit(form);
    edit->SetParent(form);
    auto* image = new TImage(form);
    image->SetParent(form);
    auto* item = new TMenuItem(form);
    HWND formWnd = form->Handle(), editWnd = edit->Handle();
    ASSERT_TRUE(IsWindow(editWnd));
    EXPECT_EQ(formWnd, GetParent(editWnd));
    EXPECT_EQ(3, form->ComponentCount());
    EXPECT_EQ(2, form->ControlCount());

    delete image;  // a component freed early leaves its owner and its parent
    EXPECT_EQ(2, form->ComponentCount());
    EXPECT_EQ(1, form->ControlCount());
    (void)item;
    delete form;
    EXPECT_FALSE(IsWindow(formWnd));
    EXPECT_FALSE(IsWindow(editWnd));
}

// ---------------------------------------------------------------- form description

class DescribedForm : public TForm {
public:
    explicit DescribedForm(TComponent* owner, bool failInCreate) : TForm(owner)
    {
        LoadForm([this, failInCreate] {
            SetBorderStyle(bsSingle);
            SetClientWidth(544);
            SetClientHeight(383);
            Image1 = new TImage(this);
            Image1->SetParent(this);
            Image1->SetAlign(alClient);
            OnCreate = [this, failInCreate](TObject*) {
                Created = true;
                if (failInCreate)
                    throw Exception("作成失敗");
                AfterThrow = true;
            };
            Menu1 = new TMainMenu(this);
            File1 = new TMenuItem(this);
            File1->SetCaption("ファイル");
            Menu1->Items()->Add(File1);
            SetMenu(Menu1);
        });
    }
    TImage* Image1 = nullptr;
    TMainMenu* Menu1 = nullptr;
    TMenuItem* File1 = nullptr;
    bool Created = false, AfterThrow = false;
};

using LoadFormTest = Shown;

TEST_F(LoadFormTest, OnCreateRunsInsideTheGuardAfterLoading)
{
    DescribedForm ok(nullptr, false);
    EXPECT_TRUE(ok.Created && ok.AfterThrow);
    DescribedForm failing(nullptr, true);
    EXPECT_TRUE(failing.Created);
    EXPECT_FALSE(failing.AfterThrow);
    EXPECT_EQ(std::vector<std::string>{"作成失敗"}, Messages);
}

TEST_F(LoadFormTest, ClientAreaOfAFixedFormWithAMenuIsExactAndFilledByTheAlignedImage)
{
    DescribedForm form(nullptr, false);
    RECT client;
    GetClientRect(form.Handle(), &client);
    EXPECT_EQ(544, client.right);
    EXPECT_EQ(383, client.bottom);
    EXPECT_NE(nullptr, GetMenu(form.Handle()));
    EXPECT_EQ(0, GetWindowLongA(form.Handle(), GWL_STYLE) & WS_THICKFRAME) << "not resizable";
    EXPECT_EQ(Rect(0, 0, 544, 383), form.Image1->BoundsRect());
    EXPECT_EQ(544, form.ClientWidth());
    // Left and Top are the outer window on the screen.
    form.SetLeft(266);
    form.SetTop(273);
    RECT outer;
    GetWindowRect(form.Handle(), &outer);
    EXPECT_EQ(266, outer.left);
    EXPECT_EQ(273, outer.top);
    GetClientRect(form.Handle(), &client);
    EXPECT_EQ(383, client.bottom);
}

TEST(FormFont, FormsAndTheirEditsUseTheJapaneseFormFont)
{
    TForm form(nullptr);
    EXPECT_EQ(SHIFTJIS_CHARSET, form.Font()->Charset());
    EXPECT_EQ(-12, form.Font()->Height());
    EXPECT_EQ("ＭＳ Ｐゴシック", form.Font()->Name());
    auto* edit = new TEdit(&form);
    edit->SetParent(&form);
    LOGFONTA lf{};
    auto font = reinterpret_cast<HFONT>(SendMessageA(edit->Handle(), WM_GETFONT, 0, 0));
    ASSERT_NE(nullptr, font);
    GetObjectA(font, sizeof lf, &lf);
    EXPECT_EQ(-12, lf.lfHeight);
    EXPECT_STREQ("ＭＳ Ｐゴシック", lf.lfFaceName);

    // The edit follows the form's font until it is given one of its own.
    form.Font()->SetHeight(-16);
    EXPECT_EQ(-16, edit->Font()->Height());
    edit->Font()->SetHeight(-10);
    form.Font()->SetHeight(-12);
    EXPECT_EQ(-10, edit->Font()->Height());
    EXPECT_FALSE(edit->ParentFont());
}

// ---------------------------------------------------------------- edits

TEST(Edits, TypedDoubleByteCharactersArriveWhole)
{
    TForm form(nullptr);
    auto* edit = new TEdit(&form);
    edit->SetParent(&form);
    // What TranslateMessage and an ANSI message loop make of "ア" and then "a": the two bytes
    // of the double-byte character come as two messages.
    for (WPARAM c : {WPARAM{0x83}, WPARAM{0x41}, WPARAM{'a'}})
        SendMessageA(edit->Handle(), WM_CHAR, c, 1);
    EXPECT_EQ("アa", edit->Text());
}

TEST(Edits, TextLivesInTheWindowAndMemoLinesFollowIt)
{
    TForm form(nullptr);
    auto* edit = new TEdit(&form);
    edit->SetText("前の文");
    edit->SetParent(&form);
    EXPECT_EQ("前の文", edit->Text());
    SetWindowTextA(edit->Handle(), "打った文");
    EXPECT_EQ("打った文", edit->Text());

    auto* memo = new TMemo(&form);
    memo->SetParent(&form);
    memo->Lines()->SetText("Memo1");
    EXPECT_EQ("Memo1", memo->Text());
    memo->Lines()->Add("二行目");
    EXPECT_EQ("Memo1\r\n二行目", memo->Text());
    // Typed: the edit tells its parent with EN_CHANGE.
    SendMessageA(memo->Handle(), EM_SETSEL, 0, -1);
    SendMessageA(memo->Handle(), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>("a\r\nb\r\nc"));
    ASSERT_EQ(3, memo->Lines()->Count());
    EXPECT_EQ("c", memo->Lines()->Strings(2));
}

// ---------------------------------------------------------------- menus

std::vector<std::string> MenuCaptions(HMENU menu)
{
    std::vector<std::string> captions;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        char text[64] = {};
        GetMenuStringA(menu, static_cast<UINT>(i), text, static_cast<int>(std::size(text)) - 1, MF_BYPOSITION);
        UINT state = GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION);
        std::string c = (state & MF_SEPARATOR) ? "-" : text;
        if (state & MF_CHECKED)
            c += " [x]";
        captions.push_back(c);
    }
    return captions;
}

class MenuTest : public Shown {
protected:
    TMenuItem* Entry(TMenuItem* parent, const char* caption)
    {
        auto* item = new TMenuItem(&Form);
        item->SetCaption(caption);
        parent->Add(item);
        return item;
    }
    TForm Form{nullptr};
};

TEST_F(MenuTest, HiddenItemsAreAbsentAndChecksShownAndChangesRebuildTheBar)
{
    auto* menu = new TMainMenu(&Form);
    TMenuItem* file = Entry(menu->Items(), "ファイル");
    Entry(file, "新規作成");
    Entry(file, "-");
    TMenuItem* load = Entry(file, "読み込み");
    load->SetVisible(false);
    TMenuItem* edit = Entry(menu->Items(), "編集");
    Entry(edit, "戻す");
    edit->SetVisible(false);
    TMenuItem* show = Entry(menu->Items(), "表示");
    TMenuItem* n8 = Entry(show, "自由線");
    n8->SetChecked(true);
    Entry(show, "項目")->SetVisible(false);
    Form.SetMenu(menu);

    HMENU bar = GetMenu(Form.Handle());
    ASSERT_NE(nullptr, bar);
    EXPECT_EQ((std::vector<std::string>{"ファイル", "表示"}), MenuCaptions(bar));
    EXPECT_EQ((std::vector<std::string>{"新規作成", "-"}), MenuCaptions(GetSubMenu(bar, 0)));
    EXPECT_EQ((std::vector<std::string>{"自由線 [x]"}), MenuCaptions(GetSubMenu(bar, 1)));

    n8->SetChecked(false);
    load->SetVisible(true);
    bar = GetMenu(Form.Handle());
    EXPECT_EQ((std::vector<std::string>{"自由線"}), MenuCaptions(GetSubMenu(bar, 1)));
    EXPECT_EQ((std::vector<std::string>{"新規作成", "-", "読み込み"}), MenuCaptions(GetSubMenu(bar, 0)));
}

TEST_F(MenuTest, CommandsRunTheItemsOnClickInsideTheGuard)
{
    auto* menu = new TMainMenu(&Form);
    TMenuItem* show = Entry(menu->Items(), "表示");
    TMenuItem* n8 = Entry(show, "自由線");
    TMenuItem* n11 = Entry(show, "アンチエイリアスフォント");
    n8->SetChecked(true);
    n8->OnClick = [n8](TObject* sender) {
        EXPECT_EQ(n8, sender);
        n8->SetChecked(!n8->Checked());
    };
    n11->OnClick = [](TObject*) { throw Exception("失敗"); };
    Form.SetMenu(menu);

    HMENU sub = GetSubMenu(GetMenu(Form.Handle()), 0);
    SendMessageA(Form.Handle(), WM_COMMAND, GetMenuItemID(sub, 0), 0);
    EXPECT_FALSE(n8->Checked());
    sub = GetSubMenu(GetMenu(Form.Handle()), 0);
    EXPECT_EQ((std::vector<std::string>{"自由線", "アンチエイリアスフォント"}), MenuCaptions(sub));
    SendMessageA(Form.Handle(), WM_COMMAND, GetMenuItemID(sub, 1), 0);
    EXPECT_EQ(std::vector<std::string>{"失敗"}, Messages);
}

TEST_F(MenuTest, MenuDestroyedBeforeItsFormLeavesTheBar)
{
    auto* menu = new TMainMenu(&Form);
    Entry(menu->Items(), "ファイル");
    Form.SetMenu(menu);
    int height = Form.ClientHeight();
    delete menu;
    EXPECT_EQ(nullptr, GetMenu(Form.Handle()));
    EXPECT_EQ(nullptr, Form.Menu());
    EXPECT_EQ(height, Form.ClientHeight());
}

// ---------------------------------------------------------------- closing and modal forms

TEST(Closing, ASecondaryFormHidesAndOnCloseCanRefuse)
{
    TForm form(nullptr);
    form.Show();
    EXPECT_TRUE(IsWindowVisible(form.Handle()));
    TCloseAction answer = caNone;
    form.OnClose = [&](TObject*, TCloseAction& action) { action = answer; };
    SendMessageA(form.Handle(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(form.Visible());
    answer = caHide;
    SendMessageA(form.Handle(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(form.Visible());
    EXPECT_FALSE(IsWindowVisible(form.Handle()));
}

TEST(Modal, ShowModalOwnedByTheActiveFormDisablesTheOthersAndGivesTheFocusBack)
{
    TForm other(nullptr);
    TEdit* edit = nullptr;
    for (int i = 0; i < 2; ++i) {
        edit = new TEdit(&other);
        edit->SetParent(&other);
    }
    other.Show();
    SetFocus(edit->Handle());  // not the first tab stop, which the form would choose
    TForm dialog(nullptr);
    dialog.SetBorderStyle(bsDialog);
    bool otherEnabled = true;
    HWND owner = nullptr;
    dialog.OnShow = [&](TObject*) {
        otherEnabled = IsWindowEnabled(other.Handle()) != 0;
        owner = GetWindow(dialog.Handle(), GW_OWNER);
        PostMessageA(dialog.Handle(), WM_CLOSE, 0, 0);
    };
    EXPECT_EQ(mrCancel, dialog.ShowModal());
    EXPECT_FALSE(otherEnabled);
    EXPECT_EQ(other.Handle(), owner);
    EXPECT_TRUE(IsWindowEnabled(other.Handle()));
    EXPECT_FALSE(dialog.Visible());
    EXPECT_EQ(edit->Handle(), GetFocus());

    dialog.OnShow = [&](TObject*) { dialog.SetModalResult(mrOk); };
    EXPECT_EQ(mrOk, dialog.ShowModal());
    dialog.Show();
    EXPECT_THROW(dialog.ShowModal(), EInvalidOperation);
}

// ---------------------------------------------------------------- keys for the whole program

TEST(Shortcuts, RunFromEveryFormOfTheProgramUnlessModalAndLeaveTheEditItsOwnKeys)
{
    TForm* main = nullptr;
    Application->CreateForm(main);
    TForm other(Application);
    auto* edit = new TEdit(main);
    edit->SetParent(main);
    std::string ran;
    main->AddShortcut('C', [&] { ran += 'C'; });
    main->AddShortcut('O', [&] { ran += 'O'; });
    struct Row {
        HWND target;
        char key;
        bool ctrl, enabled;
        const char* runs;
    } rows[] = {
        {main->Handle(), 'O', true, true, "O"},   {other.Handle(), 'O', true, true, "O"},
        {edit->Handle(), 'O', true, true, "O"},   {main->Handle(), 'C', true, true, "C"},
        {edit->Handle(), 'C', true, true, ""},    {main->Handle(), 'O', false, true, ""},
        {other.Handle(), 'O', true, false, ""},   {main->Handle(), 'P', true, true, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(1, row.key) + (row.target == edit->Handle() ? " in the edit" : ""));
        BYTE keys[256] = {};
        keys[VK_CONTROL] = row.ctrl ? 0x80 : 0;
        SetKeyboardState(keys);
        EnableWindow(main->Handle(), row.enabled);
        ran.clear();
        MSG msg{row.target, WM_KEYDOWN, static_cast<WPARAM>(row.key), 0, 0, {}};
        EXPECT_EQ(*row.runs != 0, HandleDialogKey(msg));
        EXPECT_EQ(row.runs, ran);
    }
    BYTE keys[256] = {};
    SetKeyboardState(keys);
    delete main;
}

}  // namespace
}  // namespace kova
