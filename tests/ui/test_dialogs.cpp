#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "base/Exceptions.h"
#include "ui/Dialogs.h"

using namespace std::string_literals;

namespace kova {
namespace {

TEST(MakeOfnFilter, TurnsBarPairsIntoTheNulSeparatedList)
{
    const struct {
        std::string Filter, Expected;
    } cases[] = {
        {"ビットマップ|*.bmp", "ビットマップ\0*.bmp\0\0"s},
        {"ビットマップ|*.bmp|PNG 画像|*.png;*.apng|JPEG|*.jpg",
         "ビットマップ\0*.bmp\0PNG 画像\0*.png;*.apng\0JPEG\0*.jpg\0\0"s},
        // The open dialog's filter before any plug-in entry follows the trailing bar.
        {"ビットマップ|*.bmp|", "ビットマップ\0*.bmp\0\0"s},
        // "ポ" is 0x83 0x7C: its trail byte is a bar.
        {"ポスト|*.pst", "ポスト\0*.pst\0\0"s},
        {"", ""},
        {"説明だけ", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.Expected, MakeOfnFilter(c.Filter)) << c.Filter;
}

class DialogScriptTest : public ::testing::Test {
protected:
    void SetUp() override { DialogScript::Clear(); }
    void TearDown() override { DialogScript::Clear(); }

    TComponent owner{nullptr};
};

TEST_F(DialogScriptTest, FileNameGetsTheDefaultExtensionOnlyWhenItHasNone)
{
    auto* dialog = new TSaveDialog(&owner);
    const struct {
        std::string DefaultExt, Scripted, Expected;
    } cases[] = {
        {"bmp", "C:\\tmp\\sheet", "C:\\tmp\\sheet.bmp"},
        {"bmp", "C:\\tmp\\sheet.png", "C:\\tmp\\sheet.png"},
        {"bmp", "C:\\tmp.d\\sheet", "C:\\tmp.d\\sheet.bmp"},
        // "ソ" ends in 0x5C: the point before it still starts the extension.
        {"bmp", "C:\\tmp\\x.ソ", "C:\\tmp\\x.ソ"},
        {"", "C:\\tmp\\sheet", "C:\\tmp\\sheet"},
    };
    for (const auto& c : cases) {
        dialog->DefaultExt = c.DefaultExt;
        DialogScript::PushFileName(c.Scripted);
        EXPECT_TRUE(dialog->Execute()) << c.Scripted;
        EXPECT_EQ(c.Expected, dialog->FileName);
    }
}

TEST_F(DialogScriptTest, AnswersAreTakenOldestFirstByAnyDialog)
{
    auto* open = new TOpenDialog(&owner);
    auto* save = new TSaveDialog(&owner);
    DialogScript::PushFileName("C:\\a.bmp");
    DialogScript::PushCancel();
    DialogScript::PushFileName("C:\\b.bmp");
    EXPECT_EQ(3, DialogScript::Pending());

    EXPECT_TRUE(save->Execute());
    EXPECT_EQ("C:\\a.bmp", save->FileName);
    open->FileName = "C:\\before.bmp";
    EXPECT_FALSE(open->Execute());
    EXPECT_EQ("C:\\before.bmp", open->FileName);
    EXPECT_TRUE(open->Execute());
    EXPECT_EQ("C:\\b.bmp", open->FileName);
    EXPECT_EQ(0, DialogScript::Pending());
}

TEST_F(DialogScriptTest, LastRequestTellsWhatTheDialogWasCalledWith)
{
    auto* dialog = new TSaveDialog(&owner);
    dialog->DefaultExt = "bmp";
    dialog->Filter = "ビットマップ|*.bmp";
    dialog->FileName = "C:\\old.bmp";
    DialogScript::PushFileName("C:\\new");
    dialog->Execute();

    const DialogScript::TRequest& r = DialogScript::LastRequest();
    EXPECT_EQ("TSaveDialog", r.DialogClass);
    EXPECT_EQ("ビットマップ|*.bmp", r.Filter);
    EXPECT_EQ("bmp", r.DefaultExt);
    EXPECT_EQ("C:\\old.bmp", r.FileName);
    // No question before overwriting, no demand that an opened file exists.
    EXPECT_EQ((TOpenOptions{ofHideReadOnly, ofEnableSizing}), r.Options);

    DialogScript::Clear();
    EXPECT_EQ("", DialogScript::LastRequest().DialogClass);
}

TEST_F(DialogScriptTest, PrintDialogTakesCancelAndRefusesAFileName)
{
    auto* dialog = new TPrintDialog(&owner);
    DialogScript::PushCancel();
    EXPECT_FALSE(dialog->Execute());
    DialogScript::PushFileName("C:\\a.bmp");
    EXPECT_THROW(dialog->Execute(), EInvalidOperation);
    EXPECT_EQ(0, DialogScript::Pending());
}

// The real comdlg32 dialogs, answered from a timer that their own modal loop dispatches.
struct TTypedAnswer {
    std::string Text;
    int Button = IDOK;
    bool Answered = false;
    HWND Owner = nullptr;
} typedAnswer;

BOOL CALLBACK FindVisibleDialog(HWND wnd, LPARAM found)
{
    char cls[16] = "";
    GetClassNameA(wnd, cls, static_cast<int>(std::size(cls)));
    if (std::string(cls) != "#32770" || !IsWindowVisible(wnd))
        return TRUE;
    *reinterpret_cast<HWND*>(found) = wnd;
    return FALSE;
}

void CALLBACK AnswerDialog(HWND, UINT, UINT_PTR id, DWORD)
{
    HWND dialog = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindVisibleDialog, reinterpret_cast<LPARAM>(&dialog));
    if (!dialog)
        return;
    KillTimer(nullptr, id);
    typedAnswer.Owner = GetWindow(dialog, GW_OWNER);
    HWND name = GetDlgItem(dialog, 0x47c);  // cmb13, the explorer style's name box
    if (!name)
        name = GetDlgItem(dialog, 0x480);  // edt1
    if (name)
        SetWindowTextA(name, typedAnswer.Text.c_str());
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(typedAnswer.Button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, typedAnswer.Button)));
    typedAnswer.Answered = true;
}

class RealDialogTest : public DialogScriptTest {
protected:
    // Without ofNoChangeDir the dialog moves the current directory, as it should.
    void SetUp() override
    {
        DialogScriptTest::SetUp();
        GetCurrentDirectoryA(MAX_PATH, FCurrentDir);
    }
    void TearDown() override
    {
        SetCurrentDirectoryA(FCurrentDir);
        DialogScriptTest::TearDown();
    }

    bool ExecuteAnswered(TCommonDialog& dialog, const std::string& text, int button)
    {
        typedAnswer = {text, button, false, nullptr};
        UINT_PTR timer = SetTimer(nullptr, 0, 50, AnswerDialog);
        bool result = dialog.Execute();
        KillTimer(nullptr, timer);
        return result;
    }

private:
    char FCurrentDir[MAX_PATH] = "";
};

TEST_F(RealDialogTest, SaveDialogAppendsDefaultExtensionAndIsOwnedByActiveWindow)
{
    auto* dialog = new TSaveDialog(&owner);
    dialog->DefaultExt = "bmp";
    dialog->Filter = "ビットマップ|*.bmp";
    char temp[MAX_PATH] = "";
    GetTempPathA(MAX_PATH, temp);
    const std::string typed = temp + "kova 図形"s;
    HWND active = CreateWindowExA(0, "STATIC", "owner", WS_POPUP | WS_VISIBLE, 10, 10, 100,
                                  100, nullptr, nullptr, nullptr, nullptr);
    SetActiveWindow(active);

    EXPECT_TRUE(ExecuteAnswered(*dialog, typed, IDOK));
    EXPECT_TRUE(typedAnswer.Answered);
    EXPECT_EQ(active, typedAnswer.Owner);
    EXPECT_EQ(typed + ".bmp", dialog->FileName);
    EXPECT_EQ(1, dialog->FilterIndex);
    DestroyWindow(active);
}

TEST_F(RealDialogTest, CancelledDialogsReturnFalse)
{
    auto* save = new TSaveDialog(&owner);
    save->FileName = "before.bmp";
    EXPECT_FALSE(ExecuteAnswered(*save, "ignored", IDCANCEL));
    EXPECT_TRUE(typedAnswer.Answered);
    EXPECT_EQ("before.bmp", save->FileName);

    // Wine shows its print dialog also without a printer; elsewhere it may fail at once.
    auto* print = new TPrintDialog(&owner);
    EXPECT_FALSE(ExecuteAnswered(*print, "", IDCANCEL));
}

}  // namespace
}  // namespace kova
