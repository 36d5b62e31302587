// The undo record: what a step keeps, and its memory.
#include <gtest/gtest.h>

#include "app/History.h"

using namespace kova::diagram;

TEST(History, HundredStrokesAcrossTheSheetStayUnder32MiBAndUndoPixelForPixel)
{
    Document doc;
    doc.LayerWidth = 544;
    doc.LayerHeight = 383;
    doc.Layer.assign(size_t{544} * 383 * 4, 0xFF);
    doc.Items.resize(3);
    doc.Items[1].Text = "項目";
    History history(doc);
    Document afterFirst;
    for (uint8_t s = 0; s < 100; ++s) {
        // Corner to corner, the diagonals in turn, three pixels wide, in a colour of its own.
        for (int x = 0; x < 544; ++x)
            for (int y = (s % 2 ? x : 543 - x) * 382 / 543, dy = -1; dy <= 1; ++dy)
                if (y + dy >= 0 && y + dy < 383)
                    std::fill_n(doc.Layer.begin() + ((y + dy) * 544 + x) * 4, 3, s);
        ASSERT_TRUE(history.Record(doc));
        if (s == 0)
            afterFirst = doc;
    }
    doc.Items[1].Links = {0, -1};
    ASSERT_TRUE(history.Record(doc));
    EXPECT_FALSE(history.Record(doc)) << "no step without a change";
    EXPECT_LT(history.Bytes(), size_t{32} << 20);

    int undone = 0;
    while (history.Undo())
        ++undone;
    EXPECT_EQ(int(History::Depth), undone) << "the oldest step goes when the depth is full";
    EXPECT_TRUE(afterFirst == history.Current());
    while (history.Redo())
        ;
    EXPECT_TRUE(doc == history.Current());
}
