// Saving the sheet with its diagram and opening files by every way in, damaged ones too.
#include <gtest/gtest.h>
#include <shlobj.h>
#include <windows.h>

#include <cstring>
#include <functional>

#include "app/Unit1.h"
#include "app/Unit2.h"
#include "tests/app/AppFixture.h"
#include "tests/ui/DialogAnswer.h"

using namespace kova;

namespace {

using Bytes = std::vector<uint8_t>;

class DiagramFile : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        form2 = new TForm2(Application);
    }
    void TearDown() override
    {
        DeleteFileA(file.c_str());
        delete form2;
        Form2 = nullptr;
        MainWindowTest::TearDown();
    }

    TDateItem& Add(int x, int y, const std::string& text, std::vector<int32_t> links = {})
    {
        TDateItem& item = form->DateItems[static_cast<size_t>(form->ItemCount++)];
        item.X = x;
        item.Y = y;
        item.Text = text;
        item.Deleted = false;
        item.HasEllipse = true;
        item.Links.assign(LinkSlots, 0);
        std::copy(links.begin(), links.end(), item.Links.begin());
        item.LinkCount = static_cast<int32_t>(links.size());
        return item;
    }

    // The sheet composed again from the item table and the layers, as a bitmap file.
    Bytes Sheet()
    {
        form->Refresh1Click(nullptr);
        TMemoryStream m;
        form->Image1->Picture()->Graphic()->SaveToStream(m);
        return Bytes(m.Memory(), m.Memory() + m.Size());
    }

    TForm2* form2 = nullptr;
    const std::string file = "kova_diagram_" + std::to_string(GetCurrentProcessId()) + ".bmp";
};

// A saved diagram opens to the same sheet, whichever way it comes in. A file it does not open
// leaves the diagram, the edit and the drag under way as they were: a plain picture becomes
// the stamp picture with its entry in the tree, a damaged diagram says what is wrong.
TEST_F(DiagramFile, EveryWayInOpensTheSameSheetAndAnythingElseLeavesTheDiagram)
{
    auto drop = [](HWND window) {
        return [window](const std::string& name) {
            HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + name.size() + 2);
            auto* files = static_cast<DROPFILES*>(GlobalLock(block));
            files->pFiles = sizeof(DROPFILES);
            std::memcpy(reinterpret_cast<char*>(files) + sizeof(DROPFILES), name.data(), name.size());
            GlobalUnlock(block);
            SendMessageA(window, WM_DROPFILES, reinterpret_cast<WPARAM>(block), 0);
        };
    };
    auto ask = [this](int button) {
        return [this, button](const std::string& name) {
            test::Answering({"", button}, [&] { form2->LoadOrOpen(name); });
        };
    };
    auto open = [this](const std::string& name) { form->OpenFile(name); };
    auto two = [this] { Add(50, 50, "保存した図", {1}), Add(150, 90, "二つ目"); };
    struct Row {
        std::function<void()> draw;  // what is saved; none for a file of the test data
        std::function<void(const std::string&)> way;
        const char* file;
        bool opens;
        int treeNodes;
        const char* error;
    } rows[] = {
        {[&] {  // every pen, face, size, style and colour, with and without ellipses, links
                // with removed entries, a deleted slot
             const char* faces[] = {"ＭＳ Ｐゴシック", "ＭＳ 明朝", "Courier New"};
             for (int i = 0; i < 16; ++i) {
                 TDateItem& item = Add(10 + i % 4 * 130, 20 + i / 4 * 80, "発想Ａｂ", {(i + 1) % 16, -1, (i + 5) % 16});
                 item.HasEllipse = i % 2;
                 item.BrushColor = static_cast<TColor>(0x40C0FF + 0x100 * i);
                 item.Pen->SetWidth(i % 10 + 1);
                 item.Pen->SetStyle(static_cast<TPenStyle>(i % 7));
                 item.Pen->SetColor(static_cast<TColor>(0x003070 * i));
                 item.Font->SetName(faces[i % 3]);
                 item.Font->SetHeight(-10 - 2 * i);
                 item.Font->SetStyle(static_cast<TFontStyles>(i));
                 item.Font->SetColor(static_cast<TColor>(0x101010 * i));
             }
             form->DateItems[4].Deleted = true;
         },
         drop(form->Handle()), "", true, 0, ""},
        {[&] {  // free-hand strokes and stamps
             TCanvas* layer = form->Image5->Canvas();
             layer->Pen()->SetWidth(3);
             layer->LineTo(500, 370);
             TBitmap stamp;
             stamp.SetSize(30, 20);
             stamp.Canvas()->Brush()->SetColor(clRed);
             stamp.Canvas()->Ellipse(0, 0, 30, 20);
             for (int x = 0; x < 500; x += 40)
                 layer->Draw(x, 200, &stamp);
         },
         drop(form2->Handle()), "", true, 0, ""},
        {[&] {  // the full table
             for (int i = 0; i < ItemSlots; ++i)
                 Add(i % 50 * 10, i / 50 * 18, std::to_string(i), std::vector<int32_t>(LinkSlots, (i * 7) % 1000));
         },
         ask(IDYES), "", true, 0, ""},
        {two, ask(IDNO), "", false, 1, ""},
        {two, ask(IDCANCEL), "", false, 0, ""},
        {nullptr, open, "profile.bmp", false, 1, ""},
        {nullptr, open, "items.bmp", false, 0, "図の大きさ 8 x 4 がこのシートの 544 x 383 と違います"},
        {nullptr, drop(form->Handle()), "truncated.bmp", false, 0, "図のデータが途中で切れています"},
        {nullptr, ask(IDYES), "checksum.bmp", false, 0, "図のデータのチェックサムが合いません"},
        {nullptr, open, "future.bmp", false, 0, "新しい版の KOVA で保存された図です (形式 2)"},
        {nullptr, open, "items-over.bmp", false, 0, "項目が多すぎます (1001 個)"},
        {nullptr, open, "links-over.bmp", false, 0, "リンクが多すぎます (101 本)"},
        {nullptr, open, "link-target.bmp", false, 0, "リンク先の項目 2 がありません"},
        {nullptr, open, "length-over.bmp", false, 0, "長さが図のデータの終わりを超えています"},
        {nullptr, open, "layer-short.bmp", false, 0, "自由線の層を展開できません"},
    };
    for (const Row& row : rows) {
        const std::string name = row.draw ? file : std::string(KOVA_TEST_DATA) + "/diagram/" + row.file;
        SCOPED_TRACE(std::to_string(&row - rows) + " " + name);
        form->New1Click(nullptr);
        Bytes drawn;
        if (row.draw) {
            row.draw();
            drawn = Sheet();
            form->SaveDiagram(file);
            TMemoryStream saved;
            saved.LoadFromFile(file);
            ASSERT_LT(drawn.size(), static_cast<size_t>(saved.Size()));
            EXPECT_TRUE(std::equal(drawn.begin() + 6, drawn.end(), saved.Memory() + 6)) << "the picture is unchanged";
            uint32_t size = 0;
            std::memcpy(&size, saved.Memory() + 2, 4);
            EXPECT_EQ(saved.Size(), size);
        }
        form->New1Click(nullptr);
        form->InitItems();  // fresh fonts and pens in every slot, so that opening must set them
        Add(5, 5, "前の図");
        form->Image5->Canvas()->LineTo(300, 300);
        form->Edit1->Show();
        form->Mode = 3;
        form->MoveItem = form->EditItem = form->LinkSource = 0;
        const Bytes earlier = Sheet();
        form->SaveDiagram(file + ".earlier.bmp");  // nothing unsaved to ask about
        const int nodes = form2->TreeView1->Items()->Count();
        errors.clear();
        Application->Guard([&] { row.way(name); });
        EXPECT_TRUE((row.opens ? drawn : earlier) == Sheet());
        EXPECT_EQ(!row.opens, form->Edit1->Visible());
        EXPECT_EQ((row.opens ? std::vector{0, -1, -1, -1} : std::vector{3, 0, 0, 0}),
                  (std::vector{form->Mode, form->MoveItem, form->EditItem, form->LinkSource}));
        EXPECT_EQ(row.treeNodes, form2->TreeView1->Items()->Count() - nodes);
        EXPECT_EQ(*row.error ? std::vector{"図を読み込めません: " + name + "\n" + row.error} : std::vector<std::string>{},
                  errors);
    }
    DeleteFileA((file + ".earlier.bmp").c_str());
}

}  // namespace
