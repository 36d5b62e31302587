// Our stb_image plug-in loaded as the host loads it: a DLL by full path, called through its
// plain stdcall exports, its pictures compared with what ImageMagick reads from the same files.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace kova {
namespace {

using ProgressProc = int(WINAPI*)(int Done, int Total, int32_t Data);
using GetPluginInfoProc = int(WINAPI*)(int InfoNo, char* Buf, int BufLen);
using IsSupportedProc = int(WINAPI*)(const char* FileName, uintptr_t Data);
using GetPictureInfoProc = int(WINAPI*)(const char* Source, int32_t Length, uint32_t Flag, void* Info);
using GetPictureProc = int(WINAPI*)(const char* Source, int32_t Length, uint32_t Flag, HLOCAL* InfoHandle,
                                    HLOCAL* PixelHandle, ProgressProc Progress, int32_t Data);

#pragma pack(push, 1)
struct PictureInfo {
    int32_t Left, Top, Width, Height;
    uint16_t XDensity, YDensity;
    int16_t ColorDepth;
    HLOCAL Info;
};
#pragma pack(pop)
static_assert(sizeof(PictureInfo) == 26);

std::string DataPath(const std::string& name) { return std::string(KOVA_TEST_DATA) + "/images/" + name; }

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// A file in the temporary folder, deleted again.
class TempFile {
public:
    explicit TempFile(const std::string& content)
    {
        char dir[MAX_PATH + 1] = {};
        char name[MAX_PATH + 1] = {};
        GetTempPathA(MAX_PATH, dir);
        GetTempFileNameA(dir, "ifs", 0, name);
        FPath = name;
        std::ofstream(FPath, std::ios::binary) << content;
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    ~TempFile() { DeleteFileA(FPath.c_str()); }
    const std::string& Path() const { return FPath; }

private:
    std::string FPath;
};

// Pixels as ImageMagick wrote them: binary PPM (P6) or PAM (P7), top-down, kept as RGBA.
struct Expected {
    int Width = 0, Height = 0;
    bool Alpha = false;
    std::vector<uint8_t> Rgba;
};

Expected ReadExpected(const std::string& path)
{
    std::istringstream in(ReadAll(path));
    Expected e;
    std::string magic, word;
    int maxval = 0, depth = 3;
    in >> magic;
    if (magic == "P6") {
        in >> e.Width >> e.Height >> maxval;
    } else {
        while (in >> word && word != "ENDHDR") {
            if (word == "WIDTH") in >> e.Width;
            else if (word == "HEIGHT") in >> e.Height;
            else if (word == "DEPTH") in >> depth;
            else if (word == "MAXVAL") in >> maxval;
            else in >> word;
        }
    }
    in.get();
    e.Alpha = depth == 4;
    for (int i = 0; i < e.Width * e.Height; ++i) {
        uint8_t px[4] = {0, 0, 0, 255};
        in.read(reinterpret_cast<char*>(px), depth);
        e.Rgba.insert(e.Rgba.end(), px, px + 4);
    }
    EXPECT_EQ(maxval, 255) << path;
    EXPECT_TRUE(in) << path;
    return e;
}

// The two blocks of one decoded picture, copied out and freed.
struct Decoded {
    int Result = -1;
    BITMAPINFOHEADER Header{};
    std::vector<uint8_t> Pixels;
    bool HandlesNull = false;
};

class IfStb : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        Module = LoadLibraryA(KOVA_IFSTB);
        ASSERT_NE(Module, nullptr) << KOVA_IFSTB;
    }
    static void TearDownTestSuite() { FreeLibrary(Module); }

    template <class F> static F Proc(const char* name)
    {
        return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(Module, name)));
    }

    static Decoded GetPicture(const char* source, int32_t length, uint32_t flag, ProgressProc progress = nullptr,
                              int32_t data = 0)
    {
        Decoded d;
        HLOCAL info = reinterpret_cast<HLOCAL>(1), pixels = reinterpret_cast<HLOCAL>(1);
        d.Result = Proc<GetPictureProc>("GetPicture")(source, length, flag, &info, &pixels, progress, data);
        d.HandlesNull = info == nullptr && pixels == nullptr;
        if (d.Result == 0 && info && pixels) {
            std::memcpy(&d.Header, LocalLock(info), sizeof d.Header);
            auto* bits = static_cast<const uint8_t*>(LocalLock(pixels));
            d.Pixels.assign(bits, bits + LocalSize(pixels));
            LocalUnlock(info);
            LocalUnlock(pixels);
        }
        if (d.Result == 0) {
            LocalFree(info);
            LocalFree(pixels);
        }
        return d;
    }

    static Decoded FromFile(const std::string& name) { return GetPicture(DataPath(name).c_str(), 0, 0); }

    static HMODULE Module;
};
HMODULE IfStb::Module = nullptr;

// Every pixel of the bottom-up DIB against ImageMagick's, per channel within the tolerance.
void ExpectPixels(const Decoded& d, const Expected& e, int tolerance)
{
    ASSERT_EQ(d.Result, 0);
    ASSERT_EQ(d.Header.biSize, sizeof(BITMAPINFOHEADER));
    ASSERT_EQ(d.Header.biWidth, e.Width);
    ASSERT_EQ(d.Header.biHeight, e.Height);
    EXPECT_EQ(d.Header.biPlanes, 1);
    EXPECT_EQ(d.Header.biCompression, static_cast<DWORD>(BI_RGB));
    const int bytes = e.Alpha ? 4 : 3;
    ASSERT_EQ(d.Header.biBitCount, bytes * 8);
    const size_t stride = (static_cast<size_t>(e.Width) * bytes + 3) & ~size_t{3};
    ASSERT_GE(d.Pixels.size(), stride * e.Height);
    EXPECT_EQ(d.Header.biSizeImage, stride * e.Height);
    int worst = 0;
    for (int y = 0; y < e.Height; ++y)
        for (int x = 0; x < e.Width; ++x) {
            const uint8_t* want = &e.Rgba[(static_cast<size_t>(y) * e.Width + x) * 4];
            const uint8_t* got = &d.Pixels[(e.Height - 1 - y) * stride + x * bytes];
            const int pairs[4][2] = {{got[2], want[0]}, {got[1], want[1]}, {got[0], want[2]},
                                     {bytes == 4 ? got[3] : 255, want[3]}};
            for (const auto& p : pairs)
                worst = std::max(worst, std::abs(p[0] - p[1]));
            if (worst > tolerance) {
                ADD_FAILURE() << "pixel " << x << "," << y << " differs by " << worst;
                return;
            }
        }
}

TEST_F(IfStb, InfoEntriesNameTheApiAndFormatPairs)
{
    auto info = Proc<GetPluginInfoProc>("GetPluginInfo");
    auto entry = [&](int n) {
        char buf[256] = {};
        int r = info(n, buf, 255);
        return r > 0 ? std::string(buf) : std::string("<none>");
    };
    EXPECT_EQ(entry(0), "00IN");
    EXPECT_EQ(entry(1), "KOVA stb_image plug-in");
    EXPECT_EQ(entry(2), "*.png");
    EXPECT_EQ(entry(3), "PNG画像");
    EXPECT_EQ(entry(4), "*.jpg;*.jpeg");
    EXPECT_EQ(entry(12), "*.pnm;*.ppm;*.pgm");
    EXPECT_NE(entry(13), "<none>");
    EXPECT_EQ(entry(14), "<none>");
    EXPECT_EQ(entry(-1), "<none>");

    char small[4] = {'x', 'x', 'x', 'x'};
    EXPECT_EQ(info(2, small, 3), 2);
    EXPECT_STREQ(small, "*.");
    EXPECT_EQ(small[3], 'x');
}

struct Sample {
    const char* File;
    int Tolerance;
};

class IfStbDecodes : public IfStb, public ::testing::WithParamInterface<Sample> {};

TEST_P(IfStbDecodes, ToImageMagicksPixelsBottomUpWithPaddedRows)
{
    const Sample s = GetParam();
    const std::string name = s.File;
    SCOPED_TRACE(name);
    ExpectPixels(FromFile(name), ReadExpected(DataPath(name == "full.ppm" ? name : name + ".ppm")), s.Tolerance);
}

INSTANTIATE_TEST_SUITE_P(Formats, IfStbDecodes,
                         ::testing::Values(Sample{"palette.png", 0}, Sample{"grey.png", 0}, Sample{"full.gif", 0},
                                           Sample{"full.tga", 0}, Sample{"bottomup.tga", 0}, Sample{"full.psd", 0},
                                           Sample{"full.ppm", 0}, Sample{"baseline.jpg", 3},
                                           Sample{"progressive.jpg", 3}));

TEST_F(IfStb, AlphaGivesThirtyTwoBitsWithStraightAlpha)
{
    ExpectPixels(FromFile("rgba.png"), ReadExpected(DataPath("rgba.png.pam")), 0);

    PictureInfo info{};
    EXPECT_EQ(Proc<GetPictureInfoProc>("GetPictureInfo")(DataPath("rgba.png").c_str(), 0, 0, &info), 0);
    EXPECT_EQ(info.Width, 13);
    EXPECT_EQ(info.Height, 7);
    EXPECT_EQ(info.ColorDepth, 32);
    EXPECT_EQ(info.Info, nullptr);
}

TEST_F(IfStb, IsSupportedChecksTheHeadBySignature)
{
    auto supported = Proc<IsSupportedProc>("IsSupported");
    auto head = [](const std::string& data) {
        std::string h = data.substr(0, 2048);
        h.resize(2048, '\0');
        return h;
    };
    for (const char* name : {"palette.png", "baseline.jpg", "progressive.jpg", "full.gif", "full.tga", "full.psd", "full.ppm"}) {
        const std::string h = head(ReadAll(DataPath(name)));
        EXPECT_NE(supported(name, reinterpret_cast<uintptr_t>(h.data())), 0) << name;
    }
    for (const std::string& junk : {std::string("BM6\0\0\0", 6), std::string("hello, world"), std::string()}) {
        const std::string h = head(junk);
        EXPECT_EQ(supported("x.png", reinterpret_cast<uintptr_t>(h.data())), 0) << junk;
    }

    // The older form of the call: a file handle positioned at the picture.
    HANDLE file = CreateFileA(DataPath("full.gif").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_NE(supported("full.gif", reinterpret_cast<uintptr_t>(file)), 0);
    CloseHandle(file);
}

TEST_F(IfStb, MemorySourceAndFileOffsetDecodeTheSamePicture)
{
    const Expected want = ReadExpected(DataPath("palette.png.ppm"));
    const std::string png = ReadAll(DataPath("palette.png"));
    const std::string junk(128, '\x5A');
    const std::string data = junk + png;

    ExpectPixels(GetPicture(png.data(), static_cast<int32_t>(png.size()), 1), want, 0);
    ExpectPixels(GetPicture(data.data() + 128, static_cast<int32_t>(png.size()), 1), want, 0);

    TempFile file(data);
    ExpectPixels(GetPicture(file.Path().c_str(), 128, 0), want, 0);
    EXPECT_EQ(GetPicture(file.Path().c_str(), 0, 0).Result, 2) << "the junk is no picture";

    PictureInfo info{};
    EXPECT_EQ(Proc<GetPictureInfoProc>("GetPictureInfo")(data.data() + 128, static_cast<int32_t>(png.size()), 1,
                                                         &info),
              0);
    EXPECT_EQ(info.Width, 13);
    EXPECT_EQ(info.ColorDepth, 24);
}

TEST_F(IfStb, BadSourcesFailWithAnErrorCodeAndNoHandles)
{
    for (const char* name :
         {"palette.png", "baseline.jpg", "progressive.jpg", "full.gif", "full.tga", "rgba.png", "full.ppm"}) {
        const std::string whole = ReadAll(DataPath(name));
        for (size_t keep : {whole.size() / 2, size_t{20}}) {
            TempFile cut(whole.substr(0, keep));
            Decoded d = GetPicture(cut.Path().c_str(), 0, 0);
            EXPECT_NE(d.Result, 0) << name << " cut to " << keep;
            EXPECT_TRUE(d.HandlesNull) << name;
            d = GetPicture(whole.data(), static_cast<int32_t>(keep), 1);
            EXPECT_NE(d.Result, 0) << name << " cut to " << keep << " in memory";
        }
    }
    EXPECT_EQ(GetPicture("Z:\\no\\such\\file.png", 0, 0).Result, 6);
    EXPECT_EQ(GetPicture(DataPath("full.gif").c_str(), 100000, 0).Result, 6) << "offset past the end";
    EXPECT_NE(GetPicture("x", 0, 1).Result, 0) << "no bytes in memory";
}

TEST_F(IfStb, CorruptOrHugePicturesNeverCrash)
{
    for (const char* name : {"palette.png", "rgba.png", "progressive.jpg", "full.gif", "full.tga", "full.psd"}) {
        const std::string whole = ReadAll(DataPath(name));
        for (size_t at = 0; at < whole.size(); at += 7)
            for (char value : {'\x00', '\xFF', '\x7F'}) {
                std::string bad = whole;
                bad[at] = value;
                Decoded d = GetPicture(bad.data(), static_cast<int32_t>(bad.size()), 1);
                if (d.Result == 0)
                    EXPECT_GE(d.Pixels.size(), d.Header.biSizeImage) << name << " byte " << at;
                else
                    EXPECT_TRUE(d.HandlesNull) << name << " byte " << at;
            }
    }

    // A PSD header asking for 30000 by 30000 pixels, with no pixels behind it.
    std::string psd("8BPS\0\1\0\0\0\0\0\0\0\3\0\0\x75\x30\0\0\x75\x30\0\x08\0\3", 26);
    psd.append(14, '\0');
    EXPECT_EQ(GetPicture(psd.data(), static_cast<int32_t>(psd.size()), 1).Result, 4);
}

struct ProgressLog {
    std::vector<std::pair<int, int>> Calls;
    size_t StopAt = SIZE_MAX;
};

int WINAPI RecordProgress(int done, int total, int32_t data)
{
    auto* log = reinterpret_cast<ProgressLog*>(static_cast<intptr_t>(data));
    log->Calls.emplace_back(done, total);
    return log->Calls.size() > log->StopAt ? 1 : 0;
}

TEST_F(IfStb, ProgressRunsFromZeroToTotalAndStopsWhenAsked)
{
    const std::string path = DataPath("baseline.jpg");
    ProgressLog log;
    Decoded d = GetPicture(path.c_str(), 0, 0, RecordProgress, static_cast<int32_t>(reinterpret_cast<intptr_t>(&log)));
    EXPECT_EQ(d.Result, 0);
    ASSERT_GE(log.Calls.size(), 2u);
    EXPECT_EQ(log.Calls.front().first, 0);
    EXPECT_GT(log.Calls.front().second, 0);
    EXPECT_EQ(log.Calls.back().first, log.Calls.back().second);

    const size_t calls = log.Calls.size();
    for (size_t stop = 0; stop < calls; ++stop) {
        ProgressLog aborting;
        aborting.StopAt = stop;
        d = GetPicture(path.c_str(), 0, 0, RecordProgress, static_cast<int32_t>(reinterpret_cast<intptr_t>(&aborting)));
        EXPECT_EQ(d.Result, 1) << "stopped at call " << stop;
        EXPECT_TRUE(d.HandlesNull);
        EXPECT_EQ(aborting.Calls.size(), stop + 1) << "no call after the stop";
    }
}

} // namespace
} // namespace kova
