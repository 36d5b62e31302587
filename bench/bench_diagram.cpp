// Times saving and opening a sheet with its diagram: a full sheet (100 items with links,
// free-hand strokes and stamps) and the full table (1000 items with 100 links each). Run under
// Wine with a folder: on tmpfs the flush costs nothing, on a disk it is the disk's.
//   wine build/bench/bench_diagram.exe 'Z:\dev\shm'
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app/Unit1.h"
#include "bench/Clock.h"
#include "ui/Application.h"

using namespace kova;
using bench::Median;
using bench::Now;

namespace {

constexpr int Runs = 30;

void Fill(TForm1& form, int items, int links)
{
    form.New1Click(&form);
    TCanvas* layer = form.Image5->Canvas();
    for (int i = 0; i < 60; ++i) {
        layer->MoveTo((i * 37) % 544, (i * 53) % 383);
        layer->LineTo((i * 91) % 544, (i * 17) % 383);
    }
    TBitmap stamp;
    stamp.SetSize(40, 30);
    stamp.SetPixelFormat(pf32bit);
    for (int y = 0; y < 30; ++y) {
        uint8_t* row = stamp.ScanLine(y);
        for (int x = 0; x < 40; ++x) {
            row[4 * x] = static_cast<uint8_t>(x * 6);
            row[4 * x + 1] = static_cast<uint8_t>(y * 8);
            row[4 * x + 2] = static_cast<uint8_t>(x * y);
        }
    }
    for (int i = 0; i < 12; ++i)
        layer->Draw((i * 113) % 500, (i * 71) % 350, &stamp);
    for (int i = 0; i < items; ++i) {
        form.Image1->Canvas()->Font()->SetSize(8 + (i % 5) * 2);
        form.AutoEllipse = i % 2 == 0;
        form.Edit1->SetLeft((i * 47) % 480);
        form.Edit1->SetTop((i * 29) % 350);
        form.Edit1->SetText(i % 2 ? "アイデア" : "企画の目的");
        form.CommitNewItem();
    }
    for (int i = 0; i < items; ++i)
        for (int k = 0; k < links; ++k)
            form.ToggleLink(i, (i + 1 + k) % items);
    form.Refresh1Click(&form);
}

void Time(TForm1& form, const char* what, const std::string& file)
{
    std::vector<double> picture, save, open, flush;
    for (int i = 0; i < Runs; ++i) {
        // Today's save, the picture alone, as the measure of what the diagram adds.
        double tp = Now();
        form.Image1->Picture()->SaveToFile(file);
        picture.push_back(Now() - tp);
        double t0 = Now();
        form.SaveDiagram(file);
        double t1 = Now();
        form.OpenFile(file);
        double t2 = Now();
        save.push_back(t1 - t0);
        open.push_back(t2 - t1);
        // The flush alone, on the file just written.
        HANDLE h = CreateFileA(file.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        char b = 0;
        DWORD n = 0;
        ReadFile(h, &b, 1, &n, nullptr);
        SetFilePointer(h, 0, nullptr, FILE_BEGIN);
        WriteFile(h, &b, 1, &n, nullptr);
        double t3 = Now();
        FlushFileBuffers(h);
        flush.push_back(Now() - t3);
        CloseHandle(h);
    }
    WIN32_FILE_ATTRIBUTE_DATA data{};
    GetFileAttributesExA(file.c_str(), GetFileExInfoStandard, &data);
    std::printf("%-12s %10.2f %10.2f %10.2f %10.2f %12lu\n", what, Median(picture), Median(save), Median(open), Median(flush),
                data.nFileSizeLow);
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string dir = argc > 1 ? argv[1] : ".";
    const std::string file = dir + "\\kova_bench_diagram.bmp";
    Application->Initialize();
    Application->CreateForm(Form1);
    Form1->Show();
    Application->ProcessMessages();
    std::printf("%-12s %10s %10s %10s %10s %12s\n", "sheet", "picture ms", "save ms", "open ms", "flush ms", "file bytes");
    Fill(*Form1, 100, 1);
    Time(*Form1, "full sheet", file);
    Fill(*Form1, 1000, 100);
    Time(*Form1, "full table", file);
    Form1->New1Click(Form1);
    Form1->Refresh1Click(Form1);
    Form1->Image1->Picture()->SaveToFile(file);
    WIN32_FILE_ATTRIBUTE_DATA data{};
    GetFileAttributesExA(file.c_str(), GetFileExInfoStandard, &data);
    std::printf("picture alone: %lu bytes\n", data.nFileSizeLow);
    DeleteFileA(file.c_str());
    return 0;
}
