// Saving the sheet with its diagram and opening it again, by every way in.
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
    if (!box || !IsWindowVisible(box))
        return;
    KillTimer(nullptr, id);
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), 0);
}

class DiagramFile : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        form2 = new TForm2(Application);
        char temp[MAX_PATH] = {};
        GetTempPathA(static_cast<DWORD>(std::size(temp)), temp);
        file = std::string(temp) + "kova_diagram_" + std::to_string(GetCurrentProcessId()) + ".bmp";
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
        item.BrushColor = 0x00FFFF;
        item.Links.assign(LinkSlots, 0);
        std::copy(links.begin(), links.end(), item.Links.begin());
        item.LinkCount = static_cast<int32_t>(links.size());
        return item;
    }

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
    std::string file;
};

TEST_F(DiagramFile, OpenOfSaveComposesTheSameSheetAndKeepsThePicture)
{
    struct Row {
        const char* what;
        std::function<void()> draw;
    } rows[] = {
        {"ellipses", [&] { Add(20, 20, "円あり"); Add(200, 40, "円なし").HasEllipse = false; }},
        {"text",
         [&] {
             const char* faces[] = {"ＭＳ Ｐゴシック", "ＭＳ 明朝", "Courier New"};
             for (int s = 0; s < 16; ++s) {
                 TDateItem& item = Add(10 + (s % 4) * 130, 20 + (s / 4) * 80, "発想Ａｂ");
                 item.Font->SetName(faces[s % 3]);
                 item.Font->SetHeight(-10 - 2 * s);
                 item.Font->SetStyle(static_cast<TFontStyles>(s));
                 item.Font->SetColor(static_cast<TColor>(0x101010 * s));
             }
         }},
        {"pens",
         [&] {
             for (int i = 0; i < 10; ++i) {
                 TDateItem& item = Add(20 + 50 * i, 40 + 25 * (i % 3), "p", {(i + 1) % 10});
                 item.Pen->SetWidth(i + 1);
                 item.Pen->SetStyle(static_cast<TPenStyle>(i % 7));
                 item.Pen->SetColor(static_cast<TColor>(0x003070 * i));
             }
         }},
        {"links",
         [&] {
             Add(30, 30, "a", {1, -1, 2, 3});
             Add(300, 60, "b", {0, -1});
             Add(100, 300, "消えた", {0}).Deleted = true;
             Add(400, 300, "d", {2, 0});
         }},
        {"strokes and stamps",
         [&] {
             TCanvas* layer = form->Image5->Canvas();
             layer->Pen()->SetWidth(3);
             layer->MoveTo(5, 5);
             layer->LineTo(500, 370);
             TBitmap stamp;
             stamp.SetSize(30, 20);
             stamp.Canvas()->Brush()->SetColor(clRed);
             stamp.Canvas()->Ellipse(0, 0, 30, 20);
             for (int x = 0; x < 500; x += 40)
                 layer->Draw(x, 200, &stamp);
             Add(250, 100, "上");
         }},
        {"full table",
         [&] {
             for (int i = 0; i < 1000; ++i)
                 Add(i % 50 * 10, i / 50 * 18, std::to_string(i), std::vector<int32_t>(100, (i * 7) % 1000));
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        form->New1Click(nullptr);
        row.draw();
        const Bytes before = Sheet();
        form->Image1->Picture()->SaveToFile(file);
        const Bytes plain = ReadAll(file);
        form->SaveDiagram(file);
        const Bytes saved = ReadAll(file);
        const size_t pixelEnd = bmpfile::PixelEnd(saved.data(), saved.size());
        ASSERT_EQ(plain.size(), pixelEnd);
        EXPECT_TRUE(std::equal(plain.begin() + 6, plain.end(), saved.begin() + 6)) << "the picture is unchanged";
        uint32_t size = 0;
        std::memcpy(&size, saved.data() + 2, 4);
        EXPECT_EQ(saved.size(), size);

        // Something else on the sheet, and an edit and a move under way, all go.
        form->New1Click(nullptr);
        Add(5, 5, "別の図");
        form->Image5->Canvas()->LineTo(300, 300);
        form->Edit1->Show();
        form->Mode = 3;
        form->MoveItem = form->EditItem = form->LinkSource = 0;
        answer = IDNO;  // the unsaved diagram goes
        UINT_PTR timer = SetTimer(nullptr, 0, 50, AnswerBox);
        form->OpenFile(file);
        KillTimer(nullptr, timer);
        EXPECT_FALSE(form->Edit1->Visible());
        EXPECT_EQ(-200, form->Edit1->Left());
        EXPECT_EQ(0, form->Mode);
        EXPECT_EQ(-1, form->MoveItem);
        EXPECT_EQ(-1, form->EditItem);
        EXPECT_EQ(-1, form->LinkSource);
        EXPECT_TRUE(before == Sheet()) << "the sheet looks as it did";
        EXPECT_TRUE(errors.empty());
    }
}

TEST_F(DiagramFile, EveryWayInOpensADiagramAndRefusesADamagedOneByName)
{
    Add(50, 50, "保存した図", {1});
    Add(150, 90, "二つ目");
    Sheet();
    form->SaveDiagram(file);
    Bytes cut = ReadAll(file);
    cut.resize(cut.size() - 10);
    const std::string truncated = file + ".cut.bmp";
    std::ofstream(truncated, std::ios::binary).write(reinterpret_cast<const char*>(cut.data()), cut.size());
    const std::string data = std::string(KOVA_TEST_DATA) + "/diagram/";
    auto drop = [](HWND window, const std::string& name) {
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + name.size() + 2);
        auto* files = static_cast<DROPFILES*>(GlobalLock(block));
        files->pFiles = sizeof(DROPFILES);
        std::memcpy(reinterpret_cast<char*>(files) + sizeof(DROPFILES), name.data(), name.size());
        GlobalUnlock(block);
        SendMessageA(window, WM_DROPFILES, reinterpret_cast<WPARAM>(block), 0);
    };
    auto ask = [this](int button, const std::string& name) {
        answer = button;
        UINT_PTR timer = SetTimer(nullptr, 0, 50, AnswerBox);
        form2->LoadOrOpen(name);
        KillTimer(nullptr, timer);
    };
    struct Row {
        const char* way;
        std::function<void()> open;
        int items, treeNodes;  // the earlier diagram has 1 item, the saved one 2
        std::string error;
    } rows[] = {
        {"dropped on the sheet", [&] { drop(form->Handle(), file); }, 2, 0, ""},
        {"dropped on the sub-window", [&] { drop(form2->Handle(), file); }, 2, 0, ""},
        {"画像読み込み, yes", [&] { ask(IDYES, file); }, 2, 0, ""},
        {"画像読み込み, no", [&] { ask(IDNO, file); }, 1, 1, ""},
        {"画像読み込み, cancel", [&] { ask(IDCANCEL, file); }, 1, 0, ""},
        {"a colour profile after the pixels", [&] { form->OpenFile(data + "profile.bmp"); }, 1, 1, ""},
        {"cut short", [&] { form->OpenFile(truncated); }, 1, 0,
         "図を読み込めません: " + truncated + "\n図のデータが途中で切れています"},
        {"another sheet size", [&] { form->OpenFile(data + "items.bmp"); }, 1, 0,
         "図を読み込めません: " + data + "items.bmp\n図の大きさ 8 x 4 がこのシートの 544 x 383 と違います"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.way);
        form->New1Click(nullptr);
        Add(70, 90, "前の図");
        const Bytes earlier = Sheet();
        form->SaveDiagram(truncated + ".earlier.bmp");  // nothing unsaved to ask about
        const int nodes = form2->TreeView1->Items()->Count();
        errors.clear();
        Application->Guard(row.open);
        EXPECT_EQ(row.items, form->ItemCount);
        EXPECT_EQ(row.treeNodes, form2->TreeView1->Items()->Count() - nodes);
        EXPECT_EQ(row.error.empty() ? std::vector<std::string>{} : std::vector<std::string>{row.error}, errors);
        if (row.items == 1) {
            EXPECT_TRUE(earlier == Sheet()) << "the earlier sheet is intact";
        }
    }
    DeleteFileA(truncated.c_str());
    DeleteFileA((truncated + ".earlier.bmp").c_str());
}

}  // namespace
