// Saving the sheet with its diagram, and opening files by every way in, damaged ones too.
#include <gtest/gtest.h>
#include <shlobj.h>
#include <windows.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>

#include "app/Unit1.h"
#include "app/Unit2.h"
#include "surface/BmpFile.h"
#include "tests/app/AppFixture.h"

using namespace kova;

namespace {

using Bytes = std::vector<uint8_t>;

Bytes ReadAll(const std::string& name)
{
    std::ifstream in(name, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

// Answers the message box that the modal loop shows with the given button.
int answer = IDCANCEL;
void CALLBACK AnswerBox(HWND, UINT, UINT_PTR id, DWORD)
{
    HWND box = FindWindowA("#32770", nullptr);
    if (box && IsWindowVisible(box)) {
        KillTimer(nullptr, id);
        PostMessageA(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), 0);
    }
}

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

    // The sheet composed again from the item table and the layers.
    Bytes Sheet()
    {
        form->Refresh1Click(nullptr);
        TBitmap* sheet = form->Image1->Picture()->Bitmap();
        ptrdiff_t step = 0;
        const uint8_t* top = sheet->ScanLines(0, sheet->Height(), 0, sheet->Width(), step);
        Bytes pixels;
        for (int y = 0; y < sheet->Height(); ++y, top += step)
            pixels.insert(pixels.end(), top, top + sheet->Width() * 4);
        return pixels;
    }

    TForm2* form2 = nullptr;
    const std::string file = "kova_diagram_" + std::to_string(GetCurrentProcessId()) + ".bmp";
};

TEST_F(DiagramFile, OpenOfSaveComposesTheSameSheetAndKeepsThePicture)
{
    const std::function<void()> rows[] = {
        [&] {  // with and without ellipses, every pen, links with removed entries, a deleted slot
            for (int i = 0; i < 10; ++i) {
                TDateItem& item = Add(20 + 50 * i, 40 + 25 * (i % 3), "p", {(i + 1) % 10, -1, (i + 3) % 10});
                item.HasEllipse = i % 2;
                item.BrushColor = static_cast<TColor>(0x40C0FF + 0x100 * i);
                item.Pen->SetWidth(i + 1);
                item.Pen->SetStyle(static_cast<TPenStyle>(i % 7));
                item.Pen->SetColor(static_cast<TColor>(0x003070 * i));
            }
            form->DateItems[4].Deleted = true;
        },
        [&] {  // faces, sizes, styles and colours of Japanese text
            const char* faces[] = {"ＭＳ Ｐゴシック", "ＭＳ 明朝", "Courier New"};
            for (int s = 0; s < 16; ++s) {
                TDateItem& item = Add(10 + (s % 4) * 130, 20 + (s / 4) * 80, "発想Ａｂ");
                item.Font->SetName(faces[s % 3]);
                item.Font->SetHeight(-10 - 2 * s);
                item.Font->SetStyle(static_cast<TFontStyles>(s));
                item.Font->SetColor(static_cast<TColor>(0x101010 * s));
            }
        },
        [&] {  // free-hand strokes and stamps
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
        [&] {  // the full table
            for (int i = 0; i < ItemSlots; ++i)
                Add(i % 50 * 10, i / 50 * 18, std::to_string(i), std::vector<int32_t>(LinkSlots, (i * 7) % 1000));
        },
    };
    for (const auto& draw : rows) {
        SCOPED_TRACE(&draw - rows);
        form->New1Click(nullptr);
        draw();
        const Bytes before = Sheet();
        form->Image1->Picture()->SaveToFile(file);
        const Bytes plain = ReadAll(file);
        form->SaveDiagram(file);
        const Bytes saved = ReadAll(file);
        ASSERT_EQ(plain.size(), bmpfile::PixelEnd(saved.data(), saved.size()));
        EXPECT_TRUE(std::equal(plain.begin() + 6, plain.end(), saved.begin() + 6)) << "the picture is unchanged";
        uint32_t size = 0;
        std::memcpy(&size, saved.data() + 2, 4);
        EXPECT_EQ(saved.size(), size);

        // Another diagram, with an edit and a drag under way, gives way to the saved one.
        form->New1Click(nullptr);
        Add(5, 5, "別の図");
        form->Image5->Canvas()->LineTo(300, 300);
        form->Edit1->Show();
        form->Mode = 3;
        form->MoveItem = form->EditItem = form->LinkSource = 0;
        form->OpenFile(file);
        EXPECT_FALSE(form->Edit1->Visible());
        EXPECT_EQ((std::vector{0, -1, -1, -1}), (std::vector{form->Mode, form->MoveItem, form->EditItem, form->LinkSource}));
        EXPECT_TRUE(before == Sheet()) << "the sheet looks as it did";
        EXPECT_TRUE(errors.empty());
    }
}

// A diagram opens, a plain picture becomes the stamp picture with its entry in the tree, and
// a damaged diagram says what is wrong and leaves the earlier sheet as it was.
TEST_F(DiagramFile, EveryWayInOpensADiagramAndADamagedOneChangesNothing)
{
    Add(50, 50, "保存した図", {1});
    Add(150, 90, "二つ目");
    Sheet();
    form->SaveDiagram(file);
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
            answer = button;
            UINT_PTR timer = SetTimer(nullptr, 0, 50, AnswerBox);
            form2->LoadOrOpen(name);
            KillTimer(nullptr, timer);
        };
    };
    auto open = [this](const std::string& name) { form->OpenFile(name); };
    struct Row {
        std::function<void(const std::string&)> way;
        const char* file;  // in the test data, or the saved diagram
        int items, treeNodes;  // the earlier diagram has 1 item, the saved one 2
        const char* error;
    } rows[] = {
        {drop(form->Handle()), "", 2, 0, ""},
        {drop(form2->Handle()), "", 2, 0, ""},
        {ask(IDYES), "", 2, 0, ""},
        {ask(IDNO), "", 1, 1, ""},
        {ask(IDCANCEL), "", 1, 0, ""},
        {open, "profile.bmp", 1, 1, ""},
        {open, "items.bmp", 1, 0, "図の大きさ 8 x 4 がこのシートの 544 x 383 と違います"},
        {drop(form->Handle()), "truncated.bmp", 1, 0, "図のデータが途中で切れています"},
        {ask(IDYES), "checksum.bmp", 1, 0, "図のデータのチェックサムが合いません"},
        {open, "future.bmp", 1, 0, "新しい版の KOVA で保存された図です (形式 2)"},
        {open, "items-over.bmp", 1, 0, "項目が多すぎます (1001 個)"},
        {open, "links-over.bmp", 1, 0, "リンクが多すぎます (101 本)"},
        {open, "link-target.bmp", 1, 0, "リンク先の項目 2 がありません"},
        {open, "length-over.bmp", 1, 0, "長さが図のデータの終わりを超えています"},
        {open, "layer-short.bmp", 1, 0, "自由線の層を展開できません"},
    };
    for (const Row& row : rows) {
        const std::string name = *row.file ? std::string(KOVA_TEST_DATA) + "/diagram/" + row.file : file;
        SCOPED_TRACE(std::to_string(&row - rows) + " " + name);
        form->New1Click(nullptr);
        Add(70, 90, "前の図");
        const Bytes earlier = Sheet();
        const int nodes = form2->TreeView1->Items()->Count();
        errors.clear();
        Application->Guard([&] { row.way(name); });
        EXPECT_EQ(row.items, form->ItemCount);
        EXPECT_EQ(row.treeNodes, form2->TreeView1->Items()->Count() - nodes);
        EXPECT_EQ(*row.error ? std::vector{"図を読み込めません: " + name + "\n" + row.error} : std::vector<std::string>{},
                  errors);
        if (row.items == 1)
            EXPECT_TRUE(earlier == Sheet()) << "the earlier sheet is intact";
    }
}

}  // namespace
