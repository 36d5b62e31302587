// The memory of 100 undo steps of strokes across the sheet, and the pointer-move redraw of a
// full sheet while a recovery copy is being written against one without, in one run. Run
// under Wine with a folder for the copies:
//   wine build/bench/bench_recovery.exe 'Z:\tmp'
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app/Recovery.h"
#include "app/Unit1.h"
#include "bench/Clock.h"
#include "ui/Application.h"

using namespace kova;
using bench::Median;
using bench::Now;

namespace {

// One redraw of a pointer move, in ms; while busy, the writer always has a copy to write.
double Redraw(TForm1& form, TRecovery* busy, const std::vector<uint8_t>& picture, const diagram::Document& doc, int i)
{
    if (busy)
        busy->Write(picture, doc);
    const double t0 = Now();
    form.Image1MouseMove(form.Image1, 0, 20 + i % 400, 20 + i % 300);
    return Now() - t0;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string dir = std::string(argc > 1 ? argv[1] : ".") + "\\kova_bench_recovery";
    Application->Initialize();
    Application->CreateForm(Form1);
    Form1->Show();
    Application->ProcessMessages();
    TForm1& form = *Form1;

    std::vector<double> step;
    for (int s = 0; s < 100; ++s) {
        form.Image5->Canvas()->Pen()->SetColor(static_cast<TColor>(0x010203 * s));
        const int y0 = s % 2 ? 0 : 382, y1 = 382 - y0;
        form.Image1MouseDown(form.Image1, mbLeft, 0, 0, y0);
        form.Image1MouseMove(form.Image1, 0, 543, y1);
        const double t0 = Now();
        form.Image1MouseUp(form.Image1, mbLeft, 0, 543, y1);
        step.push_back(Now() - t0);
    }
    std::printf("100 strokes across the sheet: undo record %.2f MiB, %.2f ms a step\n",
                form.History().Bytes() / 1048576.0, Median(step));

    // A full sheet: 100 items with links over the strokes.
    for (int i = 0; i < 100; ++i) {
        form.Edit1->SetLeft((i * 47) % 480);
        form.Edit1->SetTop((i * 29) % 350);
        form.Edit1->SetText(i % 2 ? "アイデア" : "企画の目的");
        form.CommitNewItem();
        form.ToggleLink(i, (i + 1) % 100);
    }
    form.Refresh1Click(&form);
    TMemoryStream sheet;
    form.Image1->Picture()->Graphic()->SaveToStream(sheet);
    const std::vector<uint8_t> picture(sheet.Memory(), sheet.Memory() + sheet.Size());
    const diagram::Document doc = form.DiagramDocument();
    TRecovery recovery(dir);
    std::vector<double> idle, busy;
    for (int round = 0; round < 10; ++round)
        for (int i = 0; i < 40; ++i) {
            idle.push_back(Redraw(form, nullptr, picture, doc, i));
            busy.push_back(Redraw(form, &recovery, picture, doc, i));
        }
    recovery.Discard();
    std::printf("pointer-move redraw of a full sheet: %.2f ms, %.2f ms while a copy is written (%.2f times)\n",
                Median(idle), Median(busy), Median(busy) / Median(idle));
    RemoveDirectoryA(dir.c_str());
    return 0;
}
