// Our picture plug-in as KOVA uses it: loaded by the plug-in host, its pictures decoded through
// the plug-in graphic and compared with what ImageMagick reads from the same files.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "base/Exceptions.h"
#include "base/Streams.h"
#include "plugins/SPIBmp.h"
#include "plugins/SPIs.h"

using namespace kova;

namespace {

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
    TempFile(const std::string& content, const char* extension)
    {
        char dir[MAX_PATH + 1] = {};
        GetTempPathA(MAX_PATH, dir);
        static int serial = 0;
        FPath = std::string(dir) + "ifwic_" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(++serial) +
                extension;
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
struct Pixels {
    int Width = 0, Height = 0, BitCount = 0;
    std::vector<uint8_t> Rgba;
    const uint8_t* At(int x, int y) const { return &Rgba[(static_cast<size_t>(y) * Width + x) * 4]; }
};

Pixels ReadExpected(const std::string& path)
{
    std::istringstream in(ReadAll(path));
    Pixels e;
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
    e.BitCount = depth == 4 ? 32 : 24;
    for (int i = 0; i < e.Width * e.Height; ++i) {
        uint8_t px[4] = {0, 0, 0, 255};
        in.read(reinterpret_cast<char*>(px), depth);
        e.Rgba.insert(e.Rgba.end(), px, px + 4);
    }
    EXPECT_EQ(maxval, 255) << path;
    EXPECT_TRUE(in) << path;
    return e;
}

// The plug-in's DIB as the plug-in graphic writes it out: a bitmap file of 24 or 32 bits.
Pixels ReadDib(TSPIGraphic& graphic)
{
    TMemoryStream m;
    graphic.SaveToStream(m);
    BITMAPINFOHEADER h{};
    std::memcpy(&h, m.Memory() + 14, sizeof h);
    Pixels p{h.biWidth, h.biHeight, h.biBitCount, {}};
    const int bytes = h.biBitCount / 8;
    const size_t stride = (static_cast<size_t>(h.biWidth) * bytes + 3) & ~size_t{3};
    EXPECT_EQ(h.biSizeImage, stride * h.biHeight);
    EXPECT_EQ(h.biSize + 14 + stride * h.biHeight, static_cast<size_t>(m.Size()));
    for (int y = 0; y < h.biHeight; ++y)
        for (int x = 0; x < h.biWidth; ++x) {
            const uint8_t* px = m.Memory() + 14 + h.biSize + (h.biHeight - 1 - y) * stride + x * bytes;
            const uint8_t rgba[4] = {px[2], px[1], px[0], bytes == 4 ? px[3] : uint8_t{255}};
            p.Rgba.insert(p.Rgba.end(), rgba, rgba + 4);
        }
    return p;
}

// Every pixel within the tolerance per channel; colour does not count where fully transparent.
void ExpectPixels(const Pixels& got, const Pixels& want, int tolerance)
{
    ASSERT_EQ(want.Width, got.Width);
    ASSERT_EQ(want.Height, got.Height);
    ASSERT_EQ(want.BitCount, got.BitCount);
    for (int y = 0; y < want.Height; ++y)
        for (int x = 0; x < want.Width; ++x) {
            const uint8_t *g = got.At(x, y), *w = want.At(x, y);
            for (int c = w[3] == 0 ? 3 : 0; c < 4; ++c)
                if (std::abs(g[c] - w[c]) > tolerance) {
                    ADD_FAILURE() << "pixel " << x << "," << y << " channel " << c << ": " << int(g[c])
                                  << ", expected " << int(w[c]);
                    return;
                }
        }
}

std::string Backslashed(std::string s)
{
    std::replace(s.begin(), s.end(), '/', '\\');
    return s;
}

// A decoder of our own in the platform's registration, so that the order of the pairs does not
// rest on the names of the installed ones. It has no server: nothing ever creates it.
class AardvarkDecoder : public ::testing::Environment {
public:
    static constexpr const char* Instance =
        "CLSID\\{7ED96837-96F0-4812-B211-F13C24117ED3}\\Instance\\{C0FFEE00-0000-4000-8000-000000004B56}";
    static constexpr const char* Decoder = "CLSID\\{C0FFEE00-0000-4000-8000-000000004B56}";

    void SetUp() override
    {
        HKEY key;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CLASSES_ROOT, Instance, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                                 &key, nullptr));
        RegCloseKey(key);
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CLASSES_ROOT, Decoder, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                                 &key, nullptr));
        for (const auto& [name, value] : {std::pair{"FriendlyName", "Aardvark Decoder"},
                                          {"FileExtensions", ".AAV,.bmp;.Emf,.aav2"},
                                          {"ContainerFormat", "{C0FFEE01-0000-4000-8000-000000004B56}"}})
            RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value), DWORD(strlen(value) + 1));
        RegCloseKey(key);
    }
    void TearDown() override
    {
        RegDeleteKeyA(HKEY_CLASSES_ROOT, Instance);
        RegDeleteKeyA(HKEY_CLASSES_ROOT, Decoder);
    }
};
testing::Environment* const Aardvark = testing::AddGlobalTestEnvironment(new AardvarkDecoder);

class IfWic : public ::testing::Test {
protected:
    IfWic() : Spis(std::make_unique<TSPIs>(nullptr))
    {
        std::unique_ptr<TSPI> spi = CreateSPI(Backslashed(KOVA_IFWIC));
        Module = dynamic_cast<TInSPI*>(spi.get());
        Spis->Add(spi.release());
    }

    Pixels Decode(const std::string& name)
    {
        TSPIGraphic g;
        g.LoadFromFile(DataPath(name));
        return ReadDib(g);
    }

    std::unique_ptr<TSPIs> Spis;
    TInSPI* Module = nullptr;
};

TEST_F(IfWic, FormatPairsComeFromTheInstalledDecoders)
{
    ASSERT_NE(nullptr, Module);
    EXPECT_EQ("00IN", Module->APIVersion());
    std::vector<std::string> masks, names;
    for (int i = 0; i < Module->Extensions().Count(); ++i) {
        masks.push_back(Module->Extensions().Strings(i));
        names.push_back(Module->Descriptions().Strings(i));
    }
    ASSERT_GE(masks.size(), 5u);
    EXPECT_EQ("*.png", masks[0]);
    EXPECT_NE(std::string::npos, masks[1].find("*.jpg"));
    EXPECT_EQ("*.gif", masks[2]);
    EXPECT_NE(std::string::npos, masks[3].find("*.tif"));
    EXPECT_EQ("*.AAV;*.aav2", masks[4]) << "the platform loader's own left out";
    EXPECT_EQ("Aardvark Decoder", names[4]);
    for (size_t i = 5; i < names.size(); ++i)
        EXPECT_LT(lstrcmpiA(names[i - 1].c_str(), names[i].c_str()), 0) << names[i - 1] << " before " << names[i];
    bool tga = false;
    for (size_t i = 0; i < masks.size(); ++i) {
        std::string mask = masks[i] + ";";
        for (const char* own : {"*.bmp;", "*.dib;", "*.rle;", "*.ico;", "*.wmf;", "*.emf;"})
            EXPECT_EQ(std::string::npos, mask.find(own)) << mask;
        tga = tga || mask.find("*.tga;") != std::string::npos;
        EXPECT_FALSE(names[i].empty());
    }
    EXPECT_TRUE(tga) << "Wine's decoders include TGA";

    char small[4] = {'x', 'x', 'x', 'x'};
    EXPECT_EQ(2, Module->GetPluginInfo(2, small, 3));
    EXPECT_STREQ("*.", small);
}

struct Sample {
    const char* File;
    const char* Expected;
    int Tolerance;
};

class IfWicDecodes : public IfWic, public ::testing::WithParamInterface<Sample> {};

TEST_P(IfWicDecodes, FirstFrameToImageMagicksPixels)
{
    ExpectPixels(Decode(GetParam().File), ReadExpected(DataPath(GetParam().Expected)), GetParam().Tolerance);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, IfWicDecodes,
    ::testing::Values(Sample{"palette.png", "palette.png.ppm", 0}, Sample{"grey.png", "grey.png.ppm", 0},
                      Sample{"rgba.png", "rgba.png.pam", 0}, Sample{"deep.png", "deep.png.ppm", 1},
                      Sample{"baseline.jpg", "baseline.jpg.ppm", 3},
                      Sample{"progressive.jpg", "progressive.jpg.ppm", 3}, Sample{"full.gif", "full.gif.ppm", 0},
                      Sample{"animated.gif", "animated.gif.pam", 0}, Sample{"plain.tif", "plain.tif.ppm", 0},
                      Sample{"lzw.tif", "lzw.tif.ppm", 0}, Sample{"full.tga", "full.tga.ppm", 0},
                      Sample{"bottomup.tga", "bottomup.tga.ppm", 0},
                      Sample{"../diagram/items.bmp", "../diagram/items.bmp.ppm", 0}));

// From memory and from a file, at the start or past 128 bytes, as picture or as preview.
TEST_F(IfWic, EverySourceGivesTheSamePicture)
{
    const Pixels want = ReadExpected(DataPath("palette.png.ppm"));
    const std::string png = ReadAll(DataPath("palette.png"));
    for (bool preview : {false, true})
        for (const std::string& data : {png, std::string(128, '\x5A') + png}) {
            SCOPED_TRACE(testing::Message() << "preview " << preview << ", " << data.size() << " bytes");
            Spis->SetGraphicPreview(preview);
            TSPIGraphic fromFile, fromMemory;
            TempFile file(data, ".png");
            fromFile.LoadFromFile(file.Path());
            ExpectPixels(ReadDib(fromFile), want, 0);
            TMemoryStream m;
            m.Write(data.data(), static_cast<int64_t>(data.size()));
            fromMemory.LoadFromStream(m);
            ExpectPixels(ReadDib(fromMemory), want, 0);
        }

    const std::string shifted = std::string(128, '\x5A') + png;
    TempFile file(shifted, ".png");
    TPictureInfo info{};
    ASSERT_EQ(0, Module->GetPictureInfo(file.Path().c_str(), 128, 0, &info));
    EXPECT_EQ(13, info.Width);
    ASSERT_EQ(0, Module->GetPictureInfo(shifted.data() + 128, static_cast<int32_t>(png.size()), 1, &info));
    EXPECT_EQ(7, info.Height);
    EXPECT_NE(0, Module->GetPictureInfo(file.Path().c_str(), static_cast<int32_t>(shifted.size()), 0, &info));
}

// PNG and JPEG are answered from their headers, the others by the decoder.
TEST_F(IfWic, PictureInfoGivesTheSizeAndTheDepthOfThePicture)
{
    const std::pair<const char*, int> samples[] = {{"palette.png", 24}, {"rgba.png", 32}, {"baseline.jpg", 24},
                                                  {"animated.gif", 32}, {"full.gif", 24},  {"lzw.tif", 24}};
    for (const auto& [name, depth] : samples) {
        TPictureInfo info{};
        info.hInfo = reinterpret_cast<HLOCAL>(1);
        ASSERT_EQ(0, Module->GetPictureInfo(DataPath(name).c_str(), 0, 0, &info)) << name;
        EXPECT_EQ(13, info.Width) << name;
        EXPECT_EQ(7, info.Height) << name;
        EXPECT_EQ(depth, info.ColorDepth) << name;
        EXPECT_EQ(nullptr, info.hInfo) << name;
    }
}

TEST_F(IfWic, IsSupportedAsksTheDecodersAboutTheHead)
{
    auto supported = [&](const std::string& data) {
        std::string head = data.substr(0, 2048);
        head.resize(2048, '\0');
        return Module->IsSupported("x", reinterpret_cast<uintptr_t>(head.data()));
    };
    for (const char* name : {"palette.png", "progressive.jpg", "full.gif", "lzw.tif", "full.tga"})
        EXPECT_NE(0, supported(ReadAll(DataPath(name)))) << name;
    for (const char* junk : {"", "hello, world", "\x89PNG but not quite"})
        EXPECT_EQ(0, supported(junk)) << junk;

    // The older form of the call: a file handle positioned at the picture.
    HANDLE file = CreateFileA(DataPath("full.gif").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                              nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    EXPECT_NE(0, Module->IsSupported("full.gif", reinterpret_cast<uintptr_t>(file)));
    CloseHandle(file);
}

struct Refusal {
    const char* Name;
    std::function<std::string(std::string)> Damage;
    int Result;  // of the plug-in's own GetPicture
};

// The plug-in refuses, the host raises, and the next picture loads as usual.
TEST_F(IfWic, BadPicturesAreRefusedAndTheHostGoesOn)
{
    auto same = [](std::string s) { return s; };
    auto half = [](std::string s) { return s.substr(0, s.size() / 2); };
    auto scrambled = [](std::string s) {
        for (size_t i = s.size() / 3; i < s.size() - 12; i += 5)
            s[i] = static_cast<char>(s[i] ^ 0x55);
        return s;
    };
    const Refusal refusals[] = {
        {"palette.png", half, 3}, {"baseline.jpg", half, 3}, {"full.gif", half, 3}, {"lzw.tif", half, 3},
        {"rgba.png", scrambled, 3}, {"full.gif", scrambled, 3}, {"wide.png", same, 4}, {"huge.png", same, 4},
        {"wide.tif", same, 4}, {"grey.png.ppm", same, 2},
    };
    for (const Refusal& r : refusals) {
        SCOPED_TRACE(r.Name);
        const std::string data = r.Damage(ReadAll(DataPath(r.Name)));
        HLOCAL info = reinterpret_cast<HLOCAL>(1), pixels = reinterpret_cast<HLOCAL>(1);
        EXPECT_EQ(r.Result, Module->GetPicture(data.data(), static_cast<int32_t>(data.size()), 1, &info, &pixels,
                                               nullptr, 0));
        EXPECT_EQ(nullptr, info);
        EXPECT_EQ(nullptr, pixels);

        TempFile file(data, ".png");
        TSPIBitmap bitmap;
        EXPECT_THROW(bitmap.LoadFromFile(file.Path()), EInvalidGraphic);
        bitmap.LoadFromFile(DataPath("palette.png"));
        EXPECT_EQ(13, bitmap.Width());
        EXPECT_EQ(0x3C0000, bitmap.Canvas()->Pixel(0, 0)) << "red 0, green 0, blue 60";
    }
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

TEST_F(IfWic, ProgressRunsToTheTotalAndStopsWhenAsked)
{
    const std::string path = DataPath("baseline.jpg");
    auto decode = [&](ProgressLog& log) {
        HLOCAL info = nullptr, pixels = nullptr;
        const int result = Module->GetPicture(path.c_str(), 0, 0, &info, &pixels, RecordProgress,
                                              static_cast<int32_t>(reinterpret_cast<intptr_t>(&log)));
        const bool none = info == nullptr && pixels == nullptr;
        LocalFree(info);
        LocalFree(pixels);
        return none ? -result : result;
    };
    ProgressLog full;
    ASSERT_EQ(0, decode(full));
    ASSERT_GE(full.Calls.size(), 2u);
    EXPECT_EQ(std::make_pair(0, 7), full.Calls.front());
    EXPECT_EQ(std::make_pair(7, 7), full.Calls.back());
    for (size_t stop = 0; stop < full.Calls.size(); ++stop) {
        ProgressLog aborting;
        aborting.StopAt = stop;
        EXPECT_EQ(-1, decode(aborting)) << "stopped at call " << stop << ": result 1 and no handles";
        EXPECT_EQ(stop + 1, aborting.Calls.size()) << "no call after the stop";
    }
}

// What COM a thread has: its answer to a request for the multi-threaded apartment.
HRESULT ApartmentProbe()
{
    const HRESULT hr = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (SUCCEEDED(hr))
        CoUninitialize();
    return hr;
}

TEST_F(IfWic, EveryCallLeavesTheThreadsComAsItWas)
{
    const std::string path = DataPath("full.gif");
    const std::string head = ReadAll(path) + std::string(2048, '\0');
    const std::pair<const char*, std::function<int()>> calls[] = {
        {"IsSupported", [&] { return Module->IsSupported("x", reinterpret_cast<uintptr_t>(head.data())) ? 0 : 1; }},
        {"GetPictureInfo", [&] { TPictureInfo i{}; return Module->GetPictureInfo(path.c_str(), 0, 0, &i); }},
        {"GetPicture",
         [&] {
             HLOCAL info = nullptr, pixels = nullptr;
             const int r = Module->GetPicture(path.c_str(), 0, 0, &info, &pixels, nullptr, 0);
             LocalFree(info);
             LocalFree(pixels);
             return r;
         }},
    };
    // The host's own COM, if any: none, single-threaded, multi-threaded.
    const std::pair<int, HRESULT> hosts[] = {{-1, S_OK}, {COINIT_APARTMENTTHREADED, RPC_E_CHANGED_MODE},
                                             {COINIT_MULTITHREADED, S_FALSE}};
    for (const auto& [mode, probe] : hosts)
        for (const auto& [name, call] : calls)
            std::thread([&] {
                SCOPED_TRACE(testing::Message() << name << " with host COM " << mode);
                if (mode >= 0) {
                    ASSERT_EQ(S_OK, CoInitializeEx(nullptr, static_cast<DWORD>(mode)));
                }
                EXPECT_EQ(0, call());
                EXPECT_EQ(probe, ApartmentProbe());
                if (mode >= 0)
                    CoUninitialize();
            }).join();
}

}  // namespace
