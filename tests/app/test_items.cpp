// The item table: commits, links, moves and clearing, through the main window.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "app/Unit1.h"
#include "tests/app/AppFixture.h"

using namespace kova;

namespace {

class Items : public MainWindowTest {
protected:
    // Opens the editor at (x, y) with text, as a double-click and typing would.
    void Type(int x, int y, const std::string& text)
    {
        form->Edit1->SetLeft(x);
        form->Edit1->SetTop(y);
        form->Edit1->SetText(text);
    }

    int NewItem(int x, int y, const std::string& text)
    {
        Type(x, y, text);
        form->CommitNewItem();
        return form->ItemCount - 1;
    }

    TDateItem& Item(int i) { return form->DateItems[static_cast<size_t>(i)]; }
};

}  // namespace

TEST_F(Items, NewItemTakesTheEditorPlusThreeAndTheCurrentStyle)
{
    TCanvas* sheet = form->Image1->Canvas();
    sheet->Font()->SetName("IPAGothic");
    sheet->Font()->SetSize(20);
    sheet->Font()->SetStyle(fsBold | fsItalic);
    sheet->Font()->SetColor(clRed);
    sheet->Pen()->SetColor(clBlue);
    sheet->Pen()->SetWidth(3);
    sheet->Pen()->SetStyle(psDot);
    sheet->Pen()->SetMode(pmXor);
    sheet->Brush()->SetColor(clLime);
    form->AutoEllipse = true;
    form->Shadow = true;

    ASSERT_EQ(0, NewItem(100, 50, "アイデア"));
    TDateItem& item = Item(0);
    EXPECT_EQ(103, item.X);
    EXPECT_EQ(53, item.Y);
    EXPECT_EQ("アイデア", item.Text);
    EXPECT_EQ(20, item.Font->Size());
    EXPECT_EQ(sheet->Font()->Height(), item.Font->Height());
    EXPECT_EQ(fsBold | fsItalic, item.Font->Style());
    EXPECT_EQ(clRed, item.Font->Color());
    EXPECT_EQ(SHIFTJIS_CHARSET, item.Font->Charset());
    // The face name is never copied: the item keeps its font object's default face.
    EXPECT_EQ(DefaultFontData().Name, item.Font->Name());
    EXPECT_EQ(clBlue, item.Pen->Color());
    EXPECT_EQ(3, item.Pen->Width());
    EXPECT_EQ(psDot, item.Pen->Style());
    EXPECT_EQ(pmXor, item.Pen->Mode());
    EXPECT_EQ(clLime, item.BrushColor);
    EXPECT_TRUE(item.HasEllipse);
    EXPECT_TRUE(item.HasShadow);
    EXPECT_FALSE(item.Deleted);
    EXPECT_EQ(0, item.LinkCount);
    EXPECT_EQ(LinkSlots, static_cast<int>(item.Links.size()));
}

TEST_F(Items, EmptyTextMakesNoNewItem)
{
    Type(10, 10, "");
    form->CommitNewItem();
    EXPECT_EQ(0, form->ItemCount);
    EXPECT_TRUE(Item(0).Links.empty());
}

TEST_F(Items, CommittingAnExistingItemKeepsItsPlaceAndEmptyTextDeletesIt)
{
    NewItem(10, 10, "a");
    NewItem(50, 50, "b");
    Type(13, 13, "a2");
    form->CommitItem(0);
    EXPECT_EQ(13, Item(0).X);
    EXPECT_EQ(13, Item(0).Y);
    EXPECT_EQ("a2", Item(0).Text);

    Type(13, 13, "");
    form->CommitItem(0);
    EXPECT_TRUE(Item(0).Deleted);
    EXPECT_EQ(2, form->ItemCount);
    // A deleted slot is not reused, and no commit brings it back.
    EXPECT_EQ(2, NewItem(0, 0, "c"));
    Type(13, 13, "again");
    form->CommitItem(0);
    EXPECT_TRUE(Item(0).Deleted);
}

TEST_F(Items, LinkTogglesInTheSourceList)
{
    int a = NewItem(0, 0, "A");
    int b = NewItem(100, 0, "B");
    form->ToggleLink(a, b);
    EXPECT_EQ(1, Item(a).LinkCount);
    EXPECT_EQ(b, Item(a).Links[0]);
    form->ToggleLink(a, b);
    EXPECT_EQ(1, Item(a).LinkCount);
    EXPECT_EQ(-1, Item(a).Links[0]);
    form->ToggleLink(a, b);
    EXPECT_EQ(2, Item(a).LinkCount);
    EXPECT_EQ(b, Item(a).Links[1]);

    // B to A is a link of its own; a link to itself is none.
    form->ToggleLink(b, a);
    form->ToggleLink(b, b);
    EXPECT_EQ(1, Item(b).LinkCount);
    EXPECT_EQ(a, Item(b).Links[0]);
    EXPECT_EQ(2, Item(a).LinkCount);

    // Either end missing: nothing.
    form->ToggleLink(-1, a);
    form->ToggleLink(a, -1);
    EXPECT_EQ(2, Item(a).LinkCount);
}

TEST_F(Items, MoveKeepsTheGrabOffset)
{
    int a = NewItem(100, 100, "A");
    form->DragOffsetX = -7;
    form->DragOffsetY = 4;
    form->MoveItemTo(a, 50, 60);
    EXPECT_EQ(43, Item(a).X);
    EXPECT_EQ(64, Item(a).Y);
}

TEST_F(Items, ClearDropsEveryItemAndTheNextGoesIntoSlotZero)
{
    int a = NewItem(0, 0, "A");
    int b = NewItem(0, 0, "B");
    form->ToggleLink(a, b);
    form->ToggleLink(b, a);
    form->ClearItems();
    EXPECT_EQ(0, form->ItemCount);
    for (const TDateItem& item : form->DateItems) {
        EXPECT_TRUE(item.Deleted);
        EXPECT_EQ(0, item.LinkCount);
    }
    EXPECT_EQ(0, NewItem(5, 5, "new"));
    EXPECT_FALSE(Item(0).Deleted);
    EXPECT_EQ(0, Item(0).LinkCount);
    EXPECT_EQ("new", Item(0).Text);
    // Slot 1 keeps its old text but is no item until the count reaches it.
    EXPECT_EQ("B", Item(1).Text);
    EXPECT_TRUE(Item(1).Deleted);
}

TEST_F(Items, AFullTableRefusesTheNewItemWithAMessage)
{
    for (int i = 0; i < ItemSlots; ++i)
        NewItem(i, i, "x");
    ASSERT_EQ(ItemSlots, form->ItemCount);
    NewItem(1, 1, "one too many");
    EXPECT_EQ(ItemSlots, form->ItemCount);
    EXPECT_EQ(ItemSlots, static_cast<int>(form->DateItems.size()));
    EXPECT_EQ("x", Item(ItemSlots - 1).Text);
    ASSERT_EQ(1u, messages.size());
    EXPECT_EQ("項目は 1000 個までしか作れません", messages[0]);
    EXPECT_EQ(1, beeps);
}

TEST_F(Items, AFullLinkListTakesANewLinkIntoARemovedEntryElseOnlyBeeps)
{
    for (int i = 0; i < 3; ++i)
        NewItem(i * 10, 0, "x");
    // Each make-and-remove pair uses up one entry, since the list is never compacted.
    for (int k = 0; k < LinkSlots - 1; ++k) {
        form->ToggleLink(0, 1);
        form->ToggleLink(0, 1);
    }
    form->ToggleLink(0, 2);
    ASSERT_EQ(LinkSlots, Item(0).LinkCount);

    form->ToggleLink(0, 1);
    EXPECT_EQ(LinkSlots, Item(0).LinkCount);
    EXPECT_EQ(1, Item(0).Links[0]) << "the first removed entry is taken";
    form->ToggleLink(0, 2);
    EXPECT_EQ(-1, Item(0).Links[LinkSlots - 1]) << "a full list still removes";

    // No removed entry left: a beep, and no message box that would swallow the next click.
    std::fill(Item(0).Links.begin(), Item(0).Links.end(), 2);
    const std::vector<int32_t> full = Item(0).Links;
    form->ToggleLink(0, 1);
    EXPECT_EQ(full, Item(0).Links);
    EXPECT_EQ(LinkSlots, Item(0).LinkCount);
    EXPECT_EQ(1, beeps);
    EXPECT_TRUE(messages.empty());
}
