// Times loading a large PNG through the picture and the plug-in path (TPicture, TSPIBitmap,
// our ifstb plug-in) against the plug-in's own decode of the same file, and reports the
// peak memory of each. Run under Wine: wine build/bench/bench_load.exe FILE.png
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <string>

#include "plugins/SPIBmp.h"
#include "plugins/SPIs.h"
#include "surface/Graphics.h"

using namespace kova;

namespace {

double Now()
{
    LARGE_INTEGER f, t;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&t);
    return 1000.0 * static_cast<double>(t.QuadPart) / static_cast<double>(f.QuadPart);
}

double PeakMiB()
{
    PROCESS_MEMORY_COUNTERS pmc{};
    pmc.cb = sizeof pmc;
    GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof pmc);
    return static_cast<double>(pmc.PeakPagefileUsage) / (1024.0 * 1024.0);
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
    const std::string plugin = ProgramDir() + "..\\app\\ifstb.spi";
    InitPluginGraphics();
    TSPIs spis(nullptr);
    std::unique_ptr<TSPI> module = CreateSPI(plugin);
    if (!module) {
        std::fprintf(stderr, "cannot load %s\n", plugin.c_str());
        return 1;
    }
    auto* in = dynamic_cast<TInSPI*>(module.get());
    spis.Add(module.release());

    double base = PeakMiB();
    double t0 = Now();
    HLOCAL info = nullptr, bits = nullptr;
    int rc = in->GetPicture(file.c_str(), 0, 0, &info, &bits, nullptr, 0);
    double decode = Now() - t0;
    double decodePeak = PeakMiB() - base;
    LocalFree(info);
    LocalFree(bits);
    if (rc != 0) {
        std::fprintf(stderr, "plug-in decode failed: %d\n", rc);
        return 1;
    }

    TPicture picture;
    t0 = Now();
    picture.LoadFromFile(file);
    double load = Now() - t0;
    double loadPeak = PeakMiB() - base;
    const double image = 4.0 * picture.Width() * picture.Height() / (1024.0 * 1024.0);
    std::printf("%dx%d: plug-in decode %.0f ms, picture load %.0f ms (%.2fx); peak above start %.0f MiB "
                "(decode %.0f MiB), decoded 32-bit image %.0f MiB (%.2fx)\n",
                picture.Width(), picture.Height(), decode, load, load / decode, loadPeak, decodePeak, image,
                loadPeak / image);
    return 0;
}
