// Times one redraw of the sheet (Refresh1Click) with 10, 100 and 1000 items, anti-aliased
// text on and off, against a floor: the same picture drawn with plain GDI calls straight
// onto the sheet. Run under Wine: wine build/bench/bench_render.exe
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "app/Unit1.h"
#include "ui/Application.h"

using namespace kova;

namespace {

constexpr int Redraws = 60;  // of each case

struct Timing {
    double Median, Low, High;  // milliseconds
};

// One way of drawing the sheet: Prepare sets it up (not timed), Redraw is timed.
struct Case {
    std::function<void()> Prepare, Redraw;
    std::vector<double> Ms;
};

// Times the cases in turns, one redraw each, so that a slower spell of the machine
// weighs on all of them alike.
void TimeInTurns(std::vector<Case>& cases)
{
    LARGE_INTEGER freq;
    QueryPerformanceFrequency(&freq);
    for (Case& c : cases) {
        c.Prepare();
        c.Redraw();  // warm: bitmaps and handles made once
    }
    for (int i = 0; i < Redraws; ++i) {
        for (Case& c : cases) {
            c.Prepare();
            LARGE_INTEGER t0, t1;
            QueryPerformanceCounter(&t0);
            c.Redraw();
            QueryPerformanceCounter(&t1);
            c.Ms.push_back(1000.0 * static_cast<double>(t1.QuadPart - t0.QuadPart) /
                           static_cast<double>(freq.QuadPart));
        }
    }
}

Timing Summary(std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    return Timing{ms[ms.size() / 2], ms[ms.size() / 10], ms[ms.size() * 9 / 10]};
}

const char* const Texts[] = {"アイデア", "Idea", "企画の目的", "次の一手", "KOVA", "線で結ぶ", "まとめ", "Plan B"};

// Fills the table with n live items in varied fonts, one link each, and a free-hand layer.
void Fill(TForm1& form, int n)
{
    form.New1Click(&form);
    TCanvas* layer = form.Image5->Canvas();
    for (int i = 0; i < 40; ++i) {
        layer->MoveTo((i * 37) % 544, (i * 53) % 383);
        layer->LineTo((i * 91) % 544, (i * 17) % 383);
    }
    TCanvas* sheet = form.Image1->Canvas();
    for (int i = 0; i < n; ++i) {
        sheet->Font()->SetSize(8 + (i % 5) * 2);
        sheet->Font()->SetStyle(i % 3 == 0 ? fsBold : 0);
        sheet->Font()->SetColor(i % 2 ? clBlack : clNavy);
        form.AutoEllipse = i % 2 == 0;
        form.Edit1->SetLeft((i * 47) % 480);
        form.Edit1->SetTop((i * 29) % 350);
        form.Edit1->SetText(Texts[i % 8]);
        form.CommitNewItem();
    }
    for (int i = 0; i < n; ++i)
        form.ToggleLink(i, (i + 1) % n);
}

// The same picture with plain GDI: layer copy, lines, ellipses and TextOut on the sheet's DC.
struct Floor {
    explicit Floor(TForm1& form) : Form(form)
    {
        for (int i = 0; i < 10; ++i)
            Fonts.push_back(CreateFontA(-MulDiv(8 + (i % 5) * 2, 96, 72), 0, 0, 0, i >= 5 ? FW_BOLD : FW_NORMAL, 0,
                                        0, 0, SHIFTJIS_CHARSET, 0, 0, 0, 0, DefaultFontData().Name.c_str()));
    }
    ~Floor()
    {
        for (HFONT f : Fonts)
            DeleteObject(f);
    }
    void Draw()
    {
        HDC dc = Form.Image1->Canvas()->Handle();
        HDC layer = Form.Image5->Canvas()->Handle();
        BitBlt(dc, 0, 0, 543, 382, layer, 0, 0, SRCCOPY);
        HGDIOBJ oldFont = SelectObject(dc, Fonts[0]);
        std::vector<SIZE> extents(static_cast<size_t>(Form.ItemCount));
        for (int i = 0; i < Form.ItemCount; ++i) {
            const TDateItem& item = Form.DateItems[static_cast<size_t>(i)];
            SelectObject(dc, FontOf(i));
            GetTextExtentPoint32A(dc, item.Text.c_str(), static_cast<int>(item.Text.size()), &extents[static_cast<size_t>(i)]);
        }
        for (int i = 0; i < Form.ItemCount; ++i) {
            const TDateItem& item = Form.DateItems[static_cast<size_t>(i)];
            int t = item.Links[0];
            const TDateItem& to = Form.DateItems[static_cast<size_t>(t)];
            MoveToEx(dc, item.X + extents[static_cast<size_t>(i)].cx / 2, item.Y + extents[static_cast<size_t>(i)].cy / 2, nullptr);
            LineTo(dc, to.X + extents[static_cast<size_t>(t)].cx / 2, to.Y + extents[static_cast<size_t>(t)].cy / 2);
        }
        for (int i = 0; i < Form.ItemCount; ++i) {
            const TDateItem& item = Form.DateItems[static_cast<size_t>(i)];
            SIZE e = extents[static_cast<size_t>(i)];
            if (item.HasEllipse)
                Ellipse(dc, item.X - 8, item.Y - 8, item.X + e.cx + 8, item.Y + e.cy + 8);
            SelectObject(dc, FontOf(i));
            TextOutA(dc, item.X, item.Y, item.Text.c_str(), static_cast<int>(item.Text.size()));
        }
        SelectObject(dc, oldFont);
        Form.Image1->Repaint();
    }
    HFONT FontOf(int i) const { return Fonts[static_cast<size_t>((i % 5) + (i % 3 == 0 ? 5 : 0))]; }

    TForm1& Form;
    std::vector<HFONT> Fonts;
};

}  // namespace

int main()
{
    Application->Initialize();
    Application->CreateForm(Form1);
    Form1->Show();
    Application->ProcessMessages();
    std::printf("%-6s %-4s %10s %16s %10s %7s\n", "items", "aa", "median ms", "p10..p90 ms", "floor ms", "ratio");
    for (int n : {10, 100, 1000}) {
        Fill(*Form1, n);
        Floor floor(*Form1);
        auto redraw = [](bool aa) {
            return Case{[aa] {
                            Form1->N11->SetChecked(aa);
                            Form1->MouseX = 543;
                            Form1->MouseY = 382;
                        },
                        [] { Form1->Refresh1Click(Form1); },
                        {}};
        };
        std::vector<Case> cases{Case{[] {}, [&] { floor.Draw(); }, {}}, redraw(true), redraw(false)};
        TimeInTurns(cases);
        const Timing base = Summary(cases[0].Ms);
        for (size_t i = 1; i < cases.size(); ++i) {
            const Timing t = Summary(cases[i].Ms);
            std::printf("%-6d %-4s %10.2f %7.2f..%-7.2f %10.2f %7.2f\n", n, i == 1 ? "on" : "off", t.Median, t.Low,
                        t.High, base.Median, t.Median / base.Median);
        }
    }
    return 0;
}
