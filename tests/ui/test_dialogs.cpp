#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "base/Exceptions.h"
#include "tests/ui/DialogAnswer.h"
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

// The real comdlg32 dialogs, answered from a timer that their own modal loop dispatches.
class RealDialogTest : public ::testing::Test {
protected:
    bool ExecuteAnswered(TCommonDialog& dialog, const std::string& text, int button)
    {
        bool result = false;
        test::Answering({text, button}, [&] { result = dialog.Execute(); });
        return result;
    }

    TComponent owner{nullptr};
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
    EXPECT_TRUE(test::dialogAnswer.Answered);
    EXPECT_EQ(active, test::dialogAnswer.Owner);
    EXPECT_EQ(typed + ".bmp", dialog->FileName);
    EXPECT_EQ(1, dialog->FilterIndex);
    DestroyWindow(active);
}

TEST_F(RealDialogTest, CancelledDialogsReturnFalse)
{
    auto* save = new TSaveDialog(&owner);
    save->FileName = "before.bmp";
    EXPECT_FALSE(ExecuteAnswered(*save, "ignored", IDCANCEL));
    EXPECT_TRUE(test::dialogAnswer.Answered);
    EXPECT_EQ("before.bmp", save->FileName);

    // Wine shows its print dialog also without a printer; elsewhere it may fail at once.
    auto* print = new TPrintDialog(&owner);
    EXPECT_FALSE(ExecuteAnswered(*print, "", IDCANCEL));
}

}  // namespace
}  // namespace kova
