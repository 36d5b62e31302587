// Times loading a large PNG through the picture and the plug-in path (TPicture, TSPIBitmap,
// our ifwic plug-in) against the plug-in's own decode of the same file, and reports the
// peak memory of the picture path. Run under Wine: wine build/bench/bench_load.exe FILE.png
#include <windows.h>
#include <ole2.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "bench/Clock.h"
#include "plugins/SPIBmp.h"
#include "plugins/SPIs.h"
#include "surface/Graphics.h"

using namespace kova;
using bench::Median;
using bench::Now;

namespace {

// The peak working set: what was ever resident, DIB sections included. (Wine's
// PeakPagefileUsage is only the current anonymous memory.)
double PeakMiB()
{
    PROCESS_MEMORY_COUNTERS pmc{};
    pmc.cb = sizeof pmc;
    GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof pmc);
    return static_cast<double>(pmc.PeakWorkingSetSize) / (1024.0 * 1024.0);
}

constexpr int Rounds = 5;

double Milliseconds(const std::function<void()>& run)
{
    const double t0 = Now();
    run();
    return Now() - t0;
}

std::string ProgramDir()
{
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s = path;
    return s.substr(0, s.find_last_of('\\') + 1);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: bench_load FILE.png\n");
        return 2;
    }
    const std::string file = argv[1];
    const std::string plugin = ProgramDir() + "..\\app\\ifwic.spi";
    // KOVA's UI thread is one OLE apartment, so the plug-in's decoders stay loaded between calls.
    OleInitialize(nullptr);
    InitPluginGraphics();
    TSPIs spis(nullptr);
    std::unique_ptr<TSPI> module = CreateSPI(plugin);
    if (!module) {
        std::fprintf(stderr, "cannot load %s\n", plugin.c_str());
        return 1;
    }
    auto* in = dynamic_cast<TInSPI*>(module.get());
    spis.Add(module.release());

    // The imaging component's code comes in with the plug-in's first picture call, once per
    // process; that is not the picture's memory.
    TPictureInfo info{};
    in->GetPictureInfo(file.c_str(), 0, 0, &info);

    // The picture path first: the peak is a high-water mark, so only the first load shows its own.
    const double base = PeakMiB();
    int width = 0, height = 0;
    auto loadPicture = [&] {
        TPicture picture;
        picture.LoadFromFile(file);
        width = picture.Width();
        height = picture.Height();
    };
    auto decode = [&] {
        HLOCAL info = nullptr, bits = nullptr;
        const int rc = in->GetPicture(file.c_str(), 0, 0, &info, &bits, nullptr, 0);
        LocalFree(info);
        LocalFree(bits);
        if (rc != 0) {
            std::fprintf(stderr, "plug-in decode failed: %d\n", rc);
            std::exit(1);
        }
    };
    std::vector<double> loads{Milliseconds(loadPicture)};
    const double loadPeak = PeakMiB() - base;
    std::vector<double> decodes;
    for (int i = 0; i < Rounds; ++i) {
        decodes.push_back(Milliseconds(decode));
        loads.push_back(Milliseconds(loadPicture));
    }
    const double load = Median(loads), own = Median(decodes);
    const double image = 4.0 * width * height / (1024.0 * 1024.0);
    std::printf("%dx%d, median of %d: plug-in decode %.0f ms, picture load %.0f ms (%.2fx); "
                "picture load peak %.0f MiB above start, decoded 32-bit image %.0f MiB (%.2fx)\n",
                width, height, Rounds, own, load, load / own, loadPeak, image, loadPeak / image);
    return 0;
}
