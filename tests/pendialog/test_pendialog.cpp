// The pen dialog component through its real window: the controls are found by name and
// operated with the messages the system sends; colour answers are scripted.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "base/Exceptions.h"
#include "pendialog/APenDlg.h"
#include "tests/pendialog/ModalDriver.h"
#include "tests/ui/DialogAnswer.h"
#include "ui/Application.h"

namespace kova {
namespace {

using driver::ClickWindow;
using driver::InModalLoop;
using driver::OpenPenDialog;
using driver::PickItem;
using driver::PressButton;

const TPenDialogOptions AllThree{poSetStyle, poSetColor, poSetWidth};

class PenDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Application->OnShowMessage = [this](const std::string& m) { Messages.push_back(m); };
        Application->OnShowException = [this](const std::string& m) { Errors.push_back(m); };
        Application->OnBeep = [this] { ++Beeps; };
        Dialog = new TPenDialog(&Owner);
    }
    void TearDown() override
    {
        EXPECT_EQ(nullptr, OpenPenDialog()) << "the window outlived Execute";
        EXPECT_TRUE(Errors.empty()) << Errors.front();
        Application->OnShowMessage = nullptr;
        Application->OnShowException = nullptr;
        Application->OnBeep = nullptr;
    }

    // Runs Execute with action operating the window; the action must have run.
    bool Execute(std::function<void(TfrmPenDialog&)> action)
    {
        InModalLoop loop(std::move(action));
        bool result = Dialog->Execute();
        EXPECT_TRUE(loop.Ran());
        EXPECT_FALSE(loop.Forced());
        return result;
    }

    void SetPen(TColor color, TPenStyle style, int width)
    {
        Dialog->Pen()->SetColor(color);
        Dialog->Pen()->SetStyle(style);
        Dialog->Pen()->SetWidth(width);
    }

    TComponent Owner{nullptr};
    TPenDialog* Dialog = nullptr;
    std::vector<std::string> Messages, Errors;
    int Beeps = 0;
};

TEST_F(PenDialogTest, StartsWithItsStoredDefaultsAndTheDefaultPen)
{
    EXPECT_EQ(AllThree, Dialog->Options());
    EXPECT_EQ(TColorDialogOptions(), Dialog->ColorOptons());
    EXPECT_EQ(10, Dialog->MaxWidth());
    EXPECT_EQ("線の設定", Dialog->DialogCaption());
    TPen* pen = Dialog->Pen();
    ASSERT_NE(nullptr, pen);
    EXPECT_EQ(clBlack, pen->Color());
    EXPECT_EQ(psSolid, pen->Style());
    EXPECT_EQ(1, pen->Width());
    EXPECT_EQ(pmCopy, pen->Mode());
}

TEST_F(PenDialogTest, OptionsWithoutAnyPanelAreRefusedWithBeepAndMessage)
{
    Dialog->SetOptions({poSetColor, poAutoDisableDashes});
    for (TPenDialogOptions refused : {TPenDialogOptions(), TPenDialogOptions{poAutoDisableDashes}}) {
        Dialog->SetOptions(refused);
        EXPECT_EQ((TPenDialogOptions{poSetColor, poAutoDisableDashes}), Dialog->Options());
    }
    EXPECT_EQ(2, Beeps);
    ASSERT_EQ(2u, Messages.size());
    EXPECT_EQ("poSetColor, poSetWidth, poSetStyleを同時にFalseにすることはできません", Messages[0]);
}

TEST_F(PenDialogTest, WindowShowsTheCaptionTheWidthListAndTheColourDialogOptions)
{
    Dialog->SetDialogCaption("ペン");
    Dialog->SetMaxWidth(15);
    Dialog->SetColorOptons({cdFullOpen, cdAnyColor});
    Execute([](TfrmPenDialog& f) {
        char caption[32] = {};
        GetWindowTextA(f.Handle(), caption, static_cast<int>(std::size(caption)));
        EXPECT_STREQ("ペン", caption);
        HWND list = f.cmbPenWidth->Handle();
        ASSERT_EQ(15, SendMessageA(list, CB_GETCOUNT, 0, 0));
        char item[8] = {};
        SendMessageA(list, CB_GETLBTEXT, 14, reinterpret_cast<LPARAM>(item));
        EXPECT_STREQ("15", item);
        EXPECT_EQ(5, SendMessageA(f.cmbPenStyle->Handle(), CB_GETCOUNT, 0, 0));
        EXPECT_EQ(16, SendMessageA(list, CB_GETITEMHEIGHT, 0, 0));
        EXPECT_EQ(22, f.cmbPenWidth->Height());
        // Drivers outside the program find the controls by these ids.
        EXPECT_EQ(10, GetDlgCtrlID(list));
        EXPECT_EQ(12, GetDlgCtrlID(f.btnOK->Handle()));
        // The colour dialog gets the options and opens with its own black, not the pen's colour.
        EXPECT_EQ(static_cast<uint32_t>(CC_RGBINIT | CC_FULLOPEN | CC_ANYCOLOR), f.ColorDialog->Flags());
        EXPECT_EQ(clBlack, f.ColorDialog->Color);
        EXPECT_TRUE(test::Answering(test::Cancel(), [&] { ClickWindow(f.pnlColor); }));
        PressButton(f.btnOK);
    });
}

TEST_F(PenDialogTest, NoWidthEntriesWhenMaxWidthIsNotPositive)
{
    for (int maxWidth : {0, -3}) {
        Dialog->SetMaxWidth(maxWidth);
        Execute([](TfrmPenDialog& f) {
            EXPECT_EQ(0, SendMessageA(f.cmbPenWidth->Handle(), CB_GETCOUNT, 0, 0));
            PressButton(f.btnOK);
        });
    }
}

TEST_F(PenDialogTest, OnShowAndOnCloseFrameTheWindowOnEveryWayOut)
{
    SetPen(clRed, psDot, 2);
    std::vector<std::string> events;
    Dialog->OnShow = [&](TObject* sender) {
        EXPECT_EQ(Dialog, sender);
        TfrmPenDialog* f = OpenPenDialog();
        ASSERT_NE(nullptr, f);
        events.push_back(IsWindowVisible(f->Handle()) ? "show(visible)" : "show");
    };
    Dialog->OnClose = [&](TObject* sender) {
        EXPECT_EQ(Dialog, sender);
        events.push_back(IsWindowVisible(OpenPenDialog()->Handle()) ? "close(visible)" : "close");
    };
    const std::vector<std::function<void(TfrmPenDialog&)>> cancels = {
        [](TfrmPenDialog& f) { PressButton(f.btnCancel); },
        [](TfrmPenDialog& f) { PostMessageA(f.Handle(), WM_KEYDOWN, VK_ESCAPE, 0); },
        [](TfrmPenDialog& f) { PostMessageA(f.Handle(), WM_CLOSE, 0, 0); },
    };
    for (const auto& cancel : cancels) {
        events.clear();
        EXPECT_FALSE(Execute([&](TfrmPenDialog& f) {
            PickItem(f.cmbPenWidth, 6);
            PickItem(f.cmbPenStyle, 0);
            cancel(f);
        }));
        EXPECT_EQ((std::vector<std::string>{"show", "close"}), events);
        EXPECT_EQ(clRed, Dialog->Pen()->Color());
        EXPECT_EQ(psDot, Dialog->Pen()->Style());
        EXPECT_EQ(2, Dialog->Pen()->Width());
    }
    // Enter presses the default button.
    events.clear();
    EXPECT_TRUE(Execute([](TfrmPenDialog& f) {
        PickItem(f.cmbPenWidth, 6);
        PostMessageA(f.Handle(), WM_KEYDOWN, VK_RETURN, 0);
    }));
    EXPECT_EQ((std::vector<std::string>{"show", "close"}), events);
    EXPECT_EQ(7, Dialog->Pen()->Width());
}

TEST_F(PenDialogTest, WideDashPenTurnsSolidButTheStyleListStaysEnabled)
{
    SetPen(clBlue, psDash, 3);
    Dialog->SetOptions({poSetStyle, poSetColor, poSetWidth, poAutoDisableDashes});
    EXPECT_TRUE(Execute([](TfrmPenDialog& f) {
        EXPECT_EQ(0, f.cmbPenStyle->ItemIndex());
        EXPECT_EQ(0, SendMessageA(f.cmbPenStyle->Handle(), CB_GETCURSEL, 0, 0));
        EXPECT_EQ(psSolid, f.Pen()->Style());
        EXPECT_TRUE(IsWindowEnabled(f.cmbPenStyle->Handle()));
        EXPECT_EQ(2, f.cmbPenWidth->ItemIndex());
        PressButton(f.btnOK);
    }));
    EXPECT_EQ(psSolid, Dialog->Pen()->Style());
    EXPECT_EQ(3, Dialog->Pen()->Width());
    EXPECT_EQ(clBlue, Dialog->Pen()->Color());
}

TEST_F(PenDialogTest, WidthOneAfterTwoEnablesTheStyleListWithoutRestoringTheDash)
{
    SetPen(clBlack, psDash, 1);
    Dialog->SetOptions({poSetStyle, poSetWidth, poAutoDisableDashes});
    EXPECT_TRUE(Execute([](TfrmPenDialog& f) {
        EXPECT_EQ(1, f.cmbPenStyle->ItemIndex());
        PickItem(f.cmbPenWidth, 1);
        EXPECT_FALSE(IsWindowEnabled(f.cmbPenStyle->Handle()));
        EXPECT_EQ(psSolid, f.Pen()->Style());
        PickItem(f.cmbPenWidth, 0);
        EXPECT_TRUE(IsWindowEnabled(f.cmbPenStyle->Handle()));
        EXPECT_EQ(0, f.cmbPenStyle->ItemIndex());
        PressButton(f.btnOK);
    }));
    EXPECT_EQ(psSolid, Dialog->Pen()->Style());
    EXPECT_EQ(1, Dialog->Pen()->Width());
}

TEST_F(PenDialogTest, WithoutAutoDisableAWideDashIsReturnedAsChosen)
{
    EXPECT_TRUE(Execute([](TfrmPenDialog& f) {
        PickItem(f.cmbPenWidth, 4);
        PickItem(f.cmbPenStyle, 3);
        EXPECT_TRUE(IsWindowEnabled(f.cmbPenStyle->Handle()));
        PressButton(f.btnOK);
    }));
    EXPECT_EQ(psDashDot, Dialog->Pen()->Style());
    EXPECT_EQ(5, Dialog->Pen()->Width());
}

TEST_F(PenDialogTest, PenWiderThanMaxWidthSelectsNoWidthAndComesBackUnchanged)
{
    SetPen(clBlack, psSolid, 12);
    EXPECT_TRUE(Execute([](TfrmPenDialog& f) {
        EXPECT_EQ(-1, f.cmbPenWidth->ItemIndex());
        EXPECT_EQ(CB_ERR, SendMessageA(f.cmbPenWidth->Handle(), CB_GETCURSEL, 0, 0));
        PickItem(f.cmbPenStyle, 2);
        PressButton(f.btnOK);
    }));
    EXPECT_EQ(12, Dialog->Pen()->Width());
    EXPECT_EQ(psDot, Dialog->Pen()->Style());
}

TEST_F(PenDialogTest, ColourPanelCaptionIsBlackOnlyForExactlyWhite)
{
    SetPen(clWhite, psSolid, 1);
    EXPECT_TRUE(Execute([](TfrmPenDialog& f) {
        // A white pen starts with a white caption on white.
        EXPECT_EQ(clWhite, f.pnlColor->Color());
        EXPECT_EQ(clWhite, f.pnlColor->Font()->Color());
        const struct {
            test::TDialogAnswer Answer;
            TColor Color, Caption;
        } steps[] = {{test::Color(clRed), clRed, clWhite},
                     {test::Color(clWhite), clWhite, clBlack},
                     {test::Color(0xFEFFFF), 0xFEFFFF, clWhite},
                     {test::Cancel(), 0xFEFFFF, clWhite}};
        for (const auto& s : steps) {
            test::Answering(s.Answer, [&] { ClickWindow(f.pnlColor); });
            EXPECT_EQ(s.Color, f.pnlColor->Color());
            EXPECT_EQ(s.Color, f.Pen()->Color());
            EXPECT_EQ(s.Caption, f.pnlColor->Font()->Color());
        }
        PressButton(f.btnOK);
    }));
    EXPECT_EQ(0xFEFFFF, Dialog->Pen()->Color());
}

// Client height of the window with the given panels, and the tops of those panels.
struct Layout {
    int ClientHeight;
    std::vector<int> Tops;  // colour, style, width panels that are shown, in order
    int OKCancelTop;
};

TEST_F(PenDialogTest, OnlyTheChosenPanelsAreShownStackedAndTheWindowShrinksToThem)
{
    const struct {
        TPenDialogOptions Options;
        Layout Expected;
    } cases[] = {
        {AllThree, {211, {9, 64, 112}, 170}},
        {{poSetColor}, {114, {9}, 73}},
        {{poSetWidth, poAutoDisableDashes}, {108, {9}, 67}},
        {{poSetColor, poSetWidth}, {163, {9, 64}, 122}},
    };
    for (const auto& c : cases) {
        Dialog->SetOptions(c.Options);
        Layout actual{};
        Execute([&](TfrmPenDialog& f) {
            actual.ClientHeight = f.ClientHeight();
            for (TPanel* p : {f.pnlColorPanel, f.pnlStylePanel, f.pnlWidthPanel})
                if (IsWindowVisible(p->Handle()))
                    actual.Tops.push_back(p->Top());
            actual.OKCancelTop = f.pnlOKCancel->Top();
            EXPECT_EQ(277, f.ClientWidth());
            EXPECT_EQ(actual.OKCancelTop, f.pnlSpacer->Height());
            PressButton(f.btnCancel);
        });
        EXPECT_EQ(c.Expected.ClientHeight, actual.ClientHeight) << int(c.Options.Bits());
        EXPECT_EQ(c.Expected.Tops, actual.Tops) << int(c.Options.Bits());
        EXPECT_EQ(c.Expected.OKCancelTop, actual.OKCancelTop) << int(c.Options.Bits());
    }
}

TEST_F(PenDialogTest, WindowIsDestroyedAndTheExceptionPassedOnWhenAHandlerRaises)
{
    Dialog->OnShow = [](TObject*) { throw EInvalidOperation("show failed"); };
    EXPECT_THROW(Dialog->Execute(), EInvalidOperation);
    EXPECT_EQ(nullptr, OpenPenDialog());

    // After OK the pen is already copied when OnClose raises.
    Dialog->OnShow = nullptr;
    Dialog->OnClose = [](TObject*) { throw EInvalidOperation("close failed"); };
    InModalLoop loop([](TfrmPenDialog& f) {
        PickItem(f.cmbPenWidth, 3);
        PressButton(f.btnOK);
    });
    EXPECT_THROW(Dialog->Execute(), EInvalidOperation);
    EXPECT_EQ(4, Dialog->Pen()->Width());
}

}  // namespace
}  // namespace kova
