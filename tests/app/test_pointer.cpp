// The pointer handlers: free-hand lines, links, moves, stamps and the inline editor.
#include <gtest/gtest.h>

#include <functional>

#include "app/Unit1.h"
#include "tests/app/AppFixture.h"
#include "tests/surface/SurfaceTest.h"

using namespace kova;
using kova::test::PixelAt;

namespace {

class Pointer : public MainWindowTest {
protected:
    void Move(int x, int y) { form->Image1MouseMove(form->Image1, 0, x, y); }
    void Down(TMouseButton b, int x, int y) { form->Image1MouseDown(form->Image1, b, 0, x, y); }
    void Up(TMouseButton b, int x, int y) { form->Image1MouseUp(form->Image1, b, 0, x, y); }
    // A single left click as the window library delivers it: down, click, up.
    void Click(int x, int y)
    {
        Move(x, y);
        Down(mbLeft, x, y);
        form->Image1Click(form->Image1);
        Up(mbLeft, x, y);
    }
    void DoubleClick(int x, int y)
    {
        Click(x, y);
        form->Image1DblClick(form->Image1);
        Down(mbLeft, x, y);
        Up(mbLeft, x, y);
    }
    int Type(int x, int y, const std::string& text)
    {
        DoubleClick(x, y);
        form->Edit1->SetText(text);
        Click(500, 370);
        return form->ItemCount - 1;
    }
    TDateItem& Item(int i) { return form->DateItems[static_cast<size_t>(i)]; }
    TBitmap* Layer() { return form->Image5->Picture()->Bitmap(); }
};

}  // namespace

TEST_F(Pointer, LeftDragOnEmptySheetDrawsAFreeHandLineAndNoLink)
{
    int a = Type(300, 300, "A");
    Move(10, 10);
    Down(mbLeft, 10, 10);
    EXPECT_EQ(1, form->Mode);
    EXPECT_EQ(-1, form->LinkSource);
    Move(50, 10);
    Move(50, 40);
    Move(305, 305);  // released over an item: still no link
    Up(mbLeft, 305, 305);
    EXPECT_EQ(0, form->Mode);
    EXPECT_EQ(0, Item(a).LinkCount);
    EXPECT_EQ(0u, PixelAt(*Layer(), 30, 10));
    EXPECT_EQ(0u, PixelAt(*Layer(), 50, 25));
    EXPECT_EQ(0xFFFFFFu, PixelAt(*Layer(), 30, 25));
}

TEST_F(Pointer, LeftDragFromItemToItemTogglesALinkAndDrawsNothingOnTheLayer)
{
    int a = Type(100, 100, "A");
    int b = Type(300, 300, "B");
    std::string layer = kova::test::Encoded(*Layer());
    Move(105, 105);
    Down(mbLeft, 105, 105);
    Move(200, 200);
    Move(305, 305);
    Up(mbLeft, 305, 305);
    EXPECT_EQ(1, Item(a).LinkCount);
    EXPECT_EQ(b, Item(a).Links[0]);
    EXPECT_EQ(layer, kova::test::Encoded(*Layer()));

    // Released over empty sheet: nothing changes.
    Move(105, 105);
    Down(mbLeft, 105, 105);
    Move(450, 50);
    Up(mbLeft, 450, 50);
    EXPECT_EQ(1, Item(a).LinkCount);
    // A single click on an item makes no link to itself.
    Click(305, 305);
    EXPECT_EQ(0, Item(b).LinkCount);
}

TEST_F(Pointer, RightDragMovesTheItemKeepingTheGrabOffset)
{
    int a = Type(100, 100, "A");
    Move(110, 108);
    Down(mbRight, 110, 108);
    EXPECT_EQ(3, form->Mode);
    EXPECT_EQ(a, form->MoveItem);
    Move(210, 158);
    EXPECT_EQ(203, Item(a).X);
    EXPECT_EQ(153, Item(a).Y);
    EXPECT_EQ(-1, form->HoverItem);
    Up(mbRight, 210, 158);
    EXPECT_EQ(0, form->Mode);
    EXPECT_EQ(-1, form->MoveItem);
    Move(210, 158);
    EXPECT_EQ(a, form->HoverItem);
}

TEST_F(Pointer, RightPressOnEmptySheetStampsAtEveryMove)
{
    Move(10, 10);
    std::string before = kova::test::Encoded(*Layer());
    Down(mbRight, 10, 10);
    EXPECT_EQ(2, form->Mode);
    EXPECT_EQ(before, kova::test::Encoded(*Layer())) << "no stamp picture: nothing drawn";
    Up(mbRight, 10, 10);

    TBitmap* stamp = form->Image2->Picture()->Bitmap();
    stamp->SetPixelFormat(pf32bit);
    stamp->SetSize(4, 4);
    stamp->Canvas()->Brush()->SetColor(clRed);
    stamp->Canvas()->FillRect(Rect(0, 0, 4, 4));
    Move(20, 20);
    Down(mbRight, 20, 20);
    EXPECT_EQ(0xFF0000u, PixelAt(*Layer(), 23, 23));
    Move(100, 50);
    EXPECT_EQ(0xFF0000u, PixelAt(*Layer(), 100, 50));
    EXPECT_EQ(0xFFFFFFu, PixelAt(*Layer(), 60, 35));
    Up(mbRight, 100, 50);
    Move(200, 50);
    EXPECT_EQ(0xFFFFFFu, PixelAt(*Layer(), 200, 50));
}

TEST_F(Pointer, MiddleButtonDoesNothingButItsReleaseEndsTheMode)
{
    Move(10, 10);
    Down(mbRight, 10, 10);
    Down(mbMiddle, 10, 10);
    EXPECT_EQ(2, form->Mode);
    Up(mbMiddle, 10, 10);
    EXPECT_EQ(0, form->Mode);
}

TEST_F(Pointer, DoubleClickOnEmptySheetOpensTheEditorWithItsLastText)
{
    DoubleClick(120, 80);
    EXPECT_TRUE(form->Edit1->Visible());
    EXPECT_EQ(120, form->Edit1->Left());
    EXPECT_EQ(80, form->Edit1->Top());
    EXPECT_EQ(form->Width() - 120 - 10, form->Edit1->Width());
    EXPECT_EQ(-1, form->EditItem);
    form->Edit1->SetText("first");
    // Only a click commits: the editor's Enter and Tab do not.
    for (WPARAM key : {VK_RETURN, VK_TAB}) {
        PostMessageA(form->Edit1->Handle(), WM_KEYDOWN, key, 0);
        Application->ProcessMessages();
    }
    EXPECT_TRUE(form->Edit1->Visible());
    EXPECT_EQ(0, form->ItemCount);
    Click(400, 300);
    EXPECT_FALSE(form->Edit1->Visible());
    EXPECT_EQ(-200, form->Edit1->Left());
    ASSERT_EQ(1, form->ItemCount);
    EXPECT_EQ(123, Item(0).X);
    EXPECT_EQ(83, Item(0).Y);

    DoubleClick(10, 300);
    EXPECT_EQ("first", form->Edit1->Text());
    Click(400, 100);
    EXPECT_EQ(2, form->ItemCount);
    EXPECT_EQ("first", Item(1).Text);
}

TEST_F(Pointer, DoubleClickOnAnItemOpensItAndMakesItsStyleCurrent)
{
    TCanvas* sheet = form->Image1->Canvas();
    sheet->Font()->SetSize(16);
    sheet->Pen()->SetColor(clRed);
    sheet->Brush()->SetColor(clLime);
    form->AutoEllipse = true;
    int a = Type(100, 100, "styled");
    sheet->Font()->SetSize(9);
    sheet->Pen()->SetColor(clBlack);
    sheet->Brush()->SetColor(clWhite);
    form->AutoEllipse = false;

    Move(110, 110);
    DoubleClick(110, 110);
    EXPECT_EQ(a, form->EditItem);
    EXPECT_EQ(a, form->LinkSource);
    EXPECT_EQ("styled", form->Edit1->Text());
    EXPECT_EQ(Item(a).X, form->Edit1->Left());
    EXPECT_EQ(16, sheet->Font()->Size());
    EXPECT_EQ(clRed, sheet->Pen()->Color());
    EXPECT_EQ(clLime, sheet->Brush()->Color());
    EXPECT_TRUE(form->AutoEllipse);

    int x = Item(a).X, y = Item(a).Y;
    Click(400, 300);
    EXPECT_EQ(x, Item(a).X) << "an opened and committed item stays in place";
    EXPECT_EQ(y, Item(a).Y);
    int b = Type(300, 200, "next");
    EXPECT_EQ(16, Item(b).Font->Size());
    EXPECT_EQ(clRed, Item(b).Pen->Color());
    EXPECT_EQ(clLime, Item(b).BrushColor);
    EXPECT_TRUE(Item(b).HasEllipse);

    // Clearing the text deletes it.
    Move(Item(a).X + 2, Item(a).Y + 2);
    DoubleClick(Item(a).X + 2, Item(a).Y + 2);
    form->Edit1->SetText("");
    Click(400, 300);
    EXPECT_TRUE(Item(a).Deleted);
    Move(Item(a).X + 2, Item(a).Y + 2);
    EXPECT_EQ(-1, form->HoverItem);
}

TEST_F(Pointer, ADoubleClickOnAnItemUsesNoEntryOfItsLinks)
{
    int a = Type(100, 100, "A");
    Move(105, 105);
    DoubleClick(105, 105);
    EXPECT_EQ(0, Item(a).LinkCount);
}

TEST_F(Pointer, CommitsAndViewTogglesShowOnlyWithTheNextMove)
{
    Move(10, 10);
    DoubleClick(100, 100);
    form->Edit1->SetText("later");
    std::string before = kova::test::Encoded(*form->Image1->Picture()->Bitmap());
    form->Image1Click(form->Image1);
    EXPECT_EQ(1, form->ItemCount);
    EXPECT_EQ(before, kova::test::Encoded(*form->Image1->Picture()->Bitmap()));
    Move(400, 300);
    std::string withItem = kova::test::Encoded(*form->Image1->Picture()->Bitmap());
    EXPECT_NE(before, withItem);

    form->Image5->Canvas()->Pen()->SetColor(clRed);
    form->Image5->Canvas()->MoveTo(0, 200);
    form->Image5->Canvas()->LineTo(300, 200);
    Move(400, 300);
    std::string withLine = kova::test::Encoded(*form->Image1->Picture()->Bitmap());
    form->N8->Click();
    EXPECT_EQ(withLine, kova::test::Encoded(*form->Image1->Picture()->Bitmap()));
    Move(400, 301);
    EXPECT_EQ(0xFFFFFFu, PixelAt(*form->Image1->Picture()->Bitmap(), 100, 200));
}

TEST_F(Pointer, TheRightButtonTakesNoCaptureSoAReleaseOutsideIsNotSeen)
{
    form->Show();
    HWND wnd = form->Handle();
    SendMessageA(wnd, WM_MOUSEMOVE, 0, MAKELPARAM(50, 50));
    SendMessageA(wnd, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(50, 50));
    EXPECT_EQ(2, form->Mode);
    EXPECT_NE(wnd, GetCapture());
    // The release happens over another window; later moves over the sheet still stamp.
    SendMessageA(wnd, WM_MOUSEMOVE, MK_RBUTTON, MAKELPARAM(60, 60));
    EXPECT_EQ(2, form->Mode);
    SendMessageA(wnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(60, 60));
    SendMessageA(wnd, WM_LBUTTONUP, 0, MAKELPARAM(60, 60));
    EXPECT_EQ(0, form->Mode);
}

// Each action is one step, or none when it changes nothing; undo brings back each diagram
// exactly, redo each one after it, and the diagram is unsaved whenever it is not where it
// was saved.
TEST_F(Pointer, EachActionIsOneStepThatUndoAndRedoReplay)
{
    form->Image2->Picture()->Bitmap()->SetSize(6, 6);
    form->Image2->Picture()->Bitmap()->Canvas()->Brush()->SetColor(clRed);
    form->Image2->Picture()->Bitmap()->Canvas()->FillRect(Rect(0, 0, 6, 6));
    auto edit = [&](const std::string& text) {
        Move(105, 105);
        DoubleClick(105, 105);
        form->Edit1->SetText(text);
        Click(500, 370);
    };
    struct Row {
        const char* action;
        std::function<void()> run;
        bool step;
    } rows[] = {
        {"new item", [&] { Type(100, 100, "A"); }, true},
        {"another", [&] { Type(300, 200, "B"); }, true},
        {"committed as it was", [&] { edit("A"); }, false},
        {"edited", [&] { edit("AA"); }, true},
        {"link", [&] { Move(105, 105); Down(mbLeft, 105, 105); Move(305, 205); Up(mbLeft, 305, 205); }, true},
        {"link to itself", [&] { Click(105, 105); }, false},
        {"move", [&] { Move(305, 205); Down(mbRight, 305, 205); Move(350, 250); Up(mbRight, 400, 300); }, true},
        {"stroke", [&] { Move(0, 0); Down(mbLeft, 0, 0); Move(543, 382); Up(mbLeft, 543, 382); }, true},
        {"stamping", [&] { Move(50, 300); Down(mbRight, 50, 300); Move(80, 320); Up(mbRight, 80, 320); }, true},
        {"click on the sheet", [&] { Click(20, 370); }, false},
        {"deleted", [&] { edit(""); }, true},
        {"New", [&] { form->New1Click(nullptr); }, true},
        {"New of nothing", [&] { form->New1Click(nullptr); }, false},
    };
    std::vector<diagram::Document> states{form->DiagramDocument()};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.action);
        const uint64_t before = form->History().State();
        row.run();
        EXPECT_EQ(row.step, form->History().State() != before);
        if (row.step)
            states.push_back(form->DiagramDocument());
        EXPECT_TRUE(states.back() == form->DiagramDocument());
    }
    EXPECT_TRUE(form->Modified());
    for (size_t i = states.size() - 1; i > 0; --i) {
        form->UndoStep();
        EXPECT_TRUE(states[i - 1] == form->DiagramDocument()) << "undone to " << i - 1;
    }
    EXPECT_FALSE(form->Modified()) << "back at the start";
    for (size_t i = 1; i < states.size(); ++i) {
        form->RedoStep();
        EXPECT_TRUE(states[i] == form->DiagramDocument()) << "redone to " << i;
    }

    // Saved, one back is unsaved, forward again is saved; not while a button is held.
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string file = std::string(temp) + "kova_undo.bmp";
    ASSERT_TRUE(form->SaveDiagram(file));
    DeleteFileA(file.c_str());
    EXPECT_FALSE(form->Modified());
    form->UndoStep();
    EXPECT_TRUE(form->Modified());
    Down(mbLeft, 10, 10);
    form->RedoStep();
    EXPECT_TRUE(form->Modified());
    Up(mbLeft, 10, 10);
    form->RedoStep();
    EXPECT_FALSE(form->Modified());
    // A new action leaves nothing to redo.
    form->UndoStep();
    Type(50, 50, "C");
    const diagram::Document now = form->DiagramDocument();
    form->RedoStep();
    EXPECT_TRUE(now == form->DiagramDocument());
}
