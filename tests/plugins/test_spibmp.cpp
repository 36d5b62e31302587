// Pictures decoded through fixture plug-ins: the decode driver and its progress reports,
// what the plug-ins are given, untrusted answers, the plug-in graphic and bitmap.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "PluginTest.h"
#include "base/Cp932.h"
#include "base/Exceptions.h"
#include "base/Streams.h"
#include "plugins/SPIBmp.h"

using namespace kova;
using namespace kova::test;

namespace {

struct Report {
    TProgressStage Stage;
    int Percent;
    bool RedrawNow;
    std::string Msg;
    bool operator==(const Report&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Report& r)
{
    return os << r.Stage << " " << r.Percent << " " << r.RedrawNow << " \"" << r.Msg << "\"";
}

std::string Env(const char* name)
{
    char buf[256] = {};
    GetEnvironmentVariableA(name, buf, static_cast<DWORD>(std::size(buf)));
    return buf;
}

// The host's LocalFree calls per handle, counted through the program's import slot of it.
std::map<HLOCAL, int> Frees;
HLOCAL(WINAPI* RealLocalFree)(HLOCAL);
HLOCAL WINAPI CountedLocalFree(HLOCAL h) { return ++Frees[h], RealLocalFree(h); }

FARPROC* LocalFreeSlot()
{
    auto* base = reinterpret_cast<uint8_t*>(GetModuleHandleA(nullptr));
    const auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& iat = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IAT];
    auto* slots = reinterpret_cast<FARPROC*>(base + iat.VirtualAddress);
    FARPROC* end = slots + iat.Size / sizeof(FARPROC);
    FARPROC* slot = std::find(slots, end, GetProcAddress(GetModuleHandleA("kernel32"), "LocalFree"));
    DWORD old = 0;
    return slot != end && VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &old) ? slot : nullptr;
}

class SPIBmpTest : public ::testing::Test {
protected:
    SPIBmpTest() : Spis(std::make_unique<TSPIs>(nullptr)) {}
    ~SPIBmpTest() override
    {
        for (const char* name : {"KOVA_FX_DIB", "KOVA_FX_PROGRESS", "KOVA_FX_SEEN"})
            SetEnvironmentVariableA(name, nullptr);
    }

    void Add(const std::string& variant)
    {
        std::unique_ptr<TSPI> spi = CreateSPI(FixturePath(variant));
        Spis->Add(spi.get());
        spi.release();
    }

    // Records every report; Msg and Sender are checked as they come.
    TProgressEvent Recorder(TObject* expectedSender)
    {
        return [this, expectedSender](TObject* Sender, TProgressStage Stage, uint8_t Percent, bool RedrawNow,
                                      const TRect& R, const std::string& Msg) {
            EXPECT_EQ(expectedSender, Sender);
            if (Stage != psEnding || Msg != "Loaded Graphic") {
                EXPECT_EQ(TRect{}, R);
            }
            Reports.push_back({Stage, Percent, RedrawNow, Msg});
        };
    }

    static void Fill(TMemoryStream& m, size_t size)
    {
        m.SetSize(static_cast<int64_t>(size));
        for (size_t i = 0; i < size; ++i)
            m.Memory()[i] = static_cast<uint8_t>(i ^ 0x5A);
    }

    std::unique_ptr<TSPIs> Spis;
    std::vector<Report> Reports;
};

TEST_F(SPIBmpTest, SecondCandidateDecodesAfterTheFirstRefusedAtBothOffsets)
{
    Add("in_refuse");
    Add("in_dib");
    SetEnvironmentVariableA("KOVA_FX_PROGRESS", "2");
    TSPIGraphic g;
    g.OnProgress = Recorder(&g);
    TMemoryStream m;
    Fill(m, 300);
    g.LoadFromStream(m);
    const std::vector<Report> expected = {
        {psStarting, 0, false, "Loading Graphic by Susie Plugin"},
        {psRunning, 1, false, "Seeking enabled Susie Plugins"},
        {psRunning, 1, false, "Loading by [in_refuse.spi]"},
        {psRunning, 1, false, "Loading by [in_refuse.spi]"},
        {psRunning, 1, false, "Loading by [in_dib.spi]"},
        {psRunning, 2, false, ""},
        {psRunning, 51, false, ""},
        {psRunning, 99, false, ""},
        {psEnding, 100, true, "Loaded Graphic by Susie Plugin"},
    };
    EXPECT_EQ(expected, Reports);
    EXPECT_EQ(2, g.Width());
    EXPECT_EQ(1, g.Height());
}

TEST_F(SPIBmpTest, SourcesGiveOffsetsAndLengths)
{
    Add("in_dib");
    SetEnvironmentVariableA("KOVA_FX_DIB", "fail");
    TMemoryStream m;
    Fill(m, 300);
    TSPIGraphic g;
    // The last try is the one past the MacBinary header.
    EXPECT_THROW(g.LoadFromStream(m), EInvalidGraphic);
    EXPECT_EQ("1 172 " + std::to_string(128 ^ 0x5A), Env("KOVA_FX_SEEN"));
    EXPECT_TRUE(g.Empty());

    TempDir dir;
    const std::string file = dir.Write("short.fxd", "abc");
    EXPECT_THROW(g.LoadFromFile(file), EInvalidGraphic);
    EXPECT_EQ("0 128 -1", Env("KOVA_FX_SEEN"));

    Spis->SetMacBinary(false);
    SetEnvironmentVariableA("KOVA_FX_DIB", nullptr);
    m.SetPosition(100);
    g.LoadFromStream(m);
    EXPECT_EQ("1 300 " + std::to_string(0 ^ 0x5A), Env("KOVA_FX_SEEN"));
    EXPECT_EQ(100, m.Position());
}

TEST_F(SPIBmpTest, DataShorterThanTheOffsetIsNotOffered)
{
    Add("in_dib");
    SetEnvironmentVariableA("KOVA_FX_DIB", "fail");
    TMemoryStream m;
    Fill(m, 100);
    TSPIGraphic g;
    EXPECT_THROW(g.LoadFromStream(m), EInvalidGraphic);
    EXPECT_EQ("1 100 " + std::to_string(0 ^ 0x5A), Env("KOVA_FX_SEEN"));
}

TEST_F(SPIBmpTest, NoCollectionMakesOnlyTheDriverReports)
{
    Spis.reset();
    TSPIGraphic g;
    g.OnProgress = Recorder(&g);
    TMemoryStream m;
    Fill(m, 10);
    EXPECT_THROW(g.LoadFromStream(m), EInvalidGraphic);
    ASSERT_EQ(3u, Reports.size());
    EXPECT_EQ("Seeking enabled Susie Plugins", Reports[1].Msg);
}

TEST_F(SPIBmpTest, UnsoundAnswersCountAsNoPicture)
{
    Add("in_dib");
    Spis->SetMacBinary(false);
    TMemoryStream m;
    Fill(m, 10);
    for (const char* dib : {"infoonly", "fail", "10,10,8,0,1,12,-1", "10,10,8,0,2,40,-1", "10,10,7,0,1,40,-1",
                            "10,10,8,257,1,40,-1", "10,10,4,17,1,40,-1", "0,10,8,0,1,40,-1", "10,0,8,0,1,40,-1",
                            "2000000000,2,32,0,1,40,64", "32769,1,8,0,1,40,-1", "1,32769,8,0,1,40,-1",
                            "10,10,8,0,1,40,119"}) {
        SCOPED_TRACE(dib);
        SetEnvironmentVariableA("KOVA_FX_DIB", dib);
        TSPIGraphic g;
        EXPECT_THROW(g.LoadFromStream(m), EInvalidGraphic);
        EXPECT_TRUE(g.Empty());
    }
    SetEnvironmentVariableA("KOVA_FX_DIB", "10,10,8,0,1,40,120");
    TSPIGraphic g;
    g.LoadFromStream(m);
    EXPECT_EQ(10, g.Width());
}

TEST_F(SPIBmpTest, PreviewMissingFallsBackToThePicture)
{
    Add("in_no_getpreview");
    Spis->SetGraphicPreview(true);
    TSPIGraphic g;
    TMemoryStream m;
    Fill(m, 10);
    g.LoadFromStream(m);
    EXPECT_EQ(2, g.Width());
}

TEST_F(SPIBmpTest, HandlerExceptionsDuringPluginProgress)
{
    Add("in_dib");
    SetEnvironmentVariableA("KOVA_FX_PROGRESS", "4");
    TMemoryStream m;
    Fill(m, 300);
    TSPIGraphic g;
    int pluginReports = 0;
    // EAbort stops the plug-in; the next offset is tried and reports again.
    g.OnProgress = [&](TObject*, TProgressStage Stage, uint8_t, bool, const TRect&, const std::string& Msg) {
        if (Stage == psRunning && Msg.empty()) {
            ++pluginReports;
            throw EAbort();
        }
    };
    EXPECT_THROW(g.LoadFromStream(m), EInvalidGraphic);
    EXPECT_EQ(2, pluginReports);

    bool ended = false;
    g.OnProgress = [&](TObject*, TProgressStage Stage, uint8_t, bool, const TRect&, const std::string& Msg) {
        ended = ended || Stage == psEnding;
        if (Stage == psRunning && Msg.empty())
            throw EReadError("handler failed");
    };
    EXPECT_THROW(g.LoadFromStream(m), EReadError);
    EXPECT_TRUE(ended);
    EXPECT_TRUE(g.Empty());

    g.OnProgress = [&](TObject*, TProgressStage, uint8_t, bool, const TRect&, const std::string& Msg) {
        if (Msg == "Seeking enabled Susie Plugins")
            throw EAbort();
    };
    EXPECT_THROW(g.LoadFromStream(m), EAbort);
}

// Hazardous answers, each from its own fixture: loaded or refused as the table says, and no
// handle freed that the plug-in did not hand over, or freed twice.
TEST_F(SPIBmpTest, HazardousAnswers)
{
    const struct {
        const char* Variant;
        int Width;  // 0: refused
    } cases[] = {
        {"in_shared", 2},     // one handle for both blocks
        {"in_info_junk", 2},  // junk hInfo from a failing GetPictureInfo
        {"in_wrap", 0},       // a header whose sizes overflow 64 bits, in a tiny answer
        {"in_huge", 0},       // 8193 by 8193 pixels, more than a bitmap holds, in 8 MB
    };
    Spis->SetMacBinary(false);
    TMemoryStream m;
    Fill(m, 10);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Variant);
        Spis->Clear();
        Add(c.Variant);
        Frees.clear();
        FARPROC* slot = LocalFreeSlot();
        ASSERT_TRUE(slot);
        RealLocalFree = reinterpret_cast<decltype(RealLocalFree)>(std::exchange(*slot, reinterpret_cast<FARPROC>(&CountedLocalFree)));
        {
            TSPIGraphic g;
            if (c.Width) {
                g.LoadFromStream(m);
                EXPECT_EQ(c.Width, g.Width());
            } else {
                EXPECT_THROW(g.LoadFromStream(m), EInvalidGraphic);
            }
        }
        *slot = reinterpret_cast<FARPROC>(RealLocalFree);
        EXPECT_FALSE(Frees.empty()) << "the host's frees were not seen";
        for (const auto& [handle, count] : Frees)
            EXPECT_EQ(1, count) << handle;
        EXPECT_EQ(0u, Frees.count(reinterpret_cast<HLOCAL>(0x5A5A5A5A))) << "junk freed";
    }
}

TEST_F(SPIBmpTest, AFaultFailsItsCandidateOnly)
{
    Add("in_fault");
    Add("in_a");
    TMemoryStream m;
    Fill(m, 300);
    TSPIGraphic g;
    g.OnProgress = Recorder(&g);
    g.LoadFromStream(m);
    EXPECT_EQ(2, g.Width());
    EXPECT_TRUE(Spis->Items(0)->Faulted());
    // Tried at offset 0 only, and not at all from then on.
    auto tries = [this] {
        return std::count(Reports.begin(), Reports.end(), Report{psRunning, 1, false, "Loading by [in_fault.spi]"});
    };
    EXPECT_EQ(1, tries());
    Reports.clear();
    g.LoadFromStream(m);
    EXPECT_EQ(0, tries());
}

TEST_F(SPIBmpTest, AFaultIsRaisedOnceAndOnlyWhenNothingLoadsThePicture)
{
    Add("in_fault");
    TMemoryStream m;
    Fill(m, 10);
    TSPIBitmap b;
    try {
        b.LoadFromStream(m);
        ADD_FAILURE() << "the fault went unreported";
    } catch (const ESPIFault& e) {
        EXPECT_EQ(0, CompareTextAscii(FixturePath("in_fault") + ":Susie PluginがGetPictureの中で異常終了しました",
                                      e.Message));
    }
    EXPECT_THROW(b.LoadFromStream(m), EInvalidGraphic);

    // A fresh module faults again, but the plain loader reads the data: nothing is raised.
    Spis->Clear();
    Add("in_fault");
    TBitmap plain;
    plain.SetSize(3, 3);
    TMemoryStream bmp;
    plain.SaveToStream(bmp);
    bmp.SetPosition(0);
    b.LoadFromStream(bmp);
    EXPECT_EQ(3, b.Width());
    EXPECT_TRUE(Spis->Items(0)->Faulted());
}

TEST_F(SPIBmpTest, PluginHandlingItsOwnExceptionStillDecodes)
{
    Add("in_self_handled");
    TSPIGraphic g;
    TMemoryStream m;
    Fill(m, 10);
    g.LoadFromStream(m);
    EXPECT_EQ(2, g.Width());
}

// ---------------------------------------------------------------- the graphic's layout

class SPIGraphicLayout : public SPIBmpTest {
protected:
    std::vector<uint8_t> Saved(const char* dib)
    {
        SetEnvironmentVariableA("KOVA_FX_DIB", dib);
        TMemoryStream m;
        Fill(m, 10);
        G.LoadFromStream(m);
        TMemoryStream out;
        G.SaveToStream(out);
        return std::vector<uint8_t>(out.Memory(), out.Memory() + out.Size());
    }
    static uint32_t U32(const std::vector<uint8_t>& v, size_t at)
    {
        return v[at] | v[at + 1] << 8 | v[at + 2] << 16 | static_cast<uint32_t>(v[at + 3]) << 24;
    }
    void SetUp() override
    {
        Add("in_dib");
        Spis->SetMacBinary(false);
    }
    TSPIGraphic G;
};

TEST_F(SPIGraphicLayout, EightBitTenByTenSavesAsABitmapFile)
{
    const std::vector<uint8_t> f = Saved("10,10,8,0,1,40,-1");
    ASSERT_EQ(1198u, f.size());
    EXPECT_EQ('B', f[0]);
    EXPECT_EQ('M', f[1]);
    EXPECT_EQ(1198u, U32(f, 2));
    EXPECT_EQ(0u, U32(f, 6));
    EXPECT_EQ(1078u, U32(f, 10));
    EXPECT_EQ(40u, U32(f, 14));
    // Colour 5 of the table, then the pixel bytes as the plug-in wrote them.
    EXPECT_EQ(15, f[14 + 40 + 20]);
    EXPECT_EQ(0, f[1078]);
    EXPECT_EQ(119, f[1197]);
    EXPECT_FALSE(G.Is4Bit());
}

TEST_F(SPIGraphicLayout, RowLengthsAndNegativeHeight)
{
    EXPECT_EQ(14u + 40 + 8 + 8 * 3, Saved("33,3,1,0,1,40,-1").size());
    EXPECT_EQ(14u + 40 + 12 * 2, Saved("3,2,24,0,1,40,-1").size());
    EXPECT_EQ(14u + 40 + 12 * 2, Saved("3,-2,24,0,1,40,-1").size());
    EXPECT_EQ(-2, G.Height());
    EXPECT_EQ(3, G.Width());
}

TEST_F(SPIGraphicLayout, PaletteFromTheColourTable)
{
    Saved("4,2,4,0,1,40,-1");
    EXPECT_TRUE(G.Is4Bit());
    PALETTEENTRY e[17] = {};
    ASSERT_EQ(16u, GetPaletteEntries(G.Palette(), 0, 17, e));
    EXPECT_EQ(7, e[7].peRed);
    EXPECT_EQ(14, e[7].peGreen);
    EXPECT_EQ(21, e[7].peBlue);
    Saved("4,2,8,3,1,40,-1");
    EXPECT_EQ(3u, GetPaletteEntries(G.Palette(), 0, 17, e));
}

TEST_F(SPIGraphicLayout, StretchesIntoTwiceTheSizeAndRestoresTheDC)
{
    // 2 by 1: the pixel bytes 0 1 2 and 3 4 5 as blue, green, red.
    Saved("");
    TBitmap target;
    target.SetSize(4, 2);
    TCanvas* c = target.Canvas();
    HDC dc = c->Handle();
    SetStretchBltMode(dc, HALFTONE);
    HGDIOBJ palette = GetCurrentObject(dc, OBJ_PAL);
    c->StretchDraw(Rect(0, 0, 4, 2), &G);
    EXPECT_EQ(HALFTONE, GetStretchBltMode(c->Handle()));
    EXPECT_EQ(palette, GetCurrentObject(c->Handle(), OBJ_PAL));
    for (int y = 0; y < 2; ++y) {
        EXPECT_EQ(0x000102, c->Pixel(0, y));
        EXPECT_EQ(0x000102, c->Pixel(1, y));
        EXPECT_EQ(0x030405, c->Pixel(2, y));
        EXPECT_EQ(0x030405, c->Pixel(3, y));
    }
    c->SetCopyMode(NOTSRCCOPY);
    c->StretchDraw(Rect(0, 0, 4, 2), &G);
    EXPECT_EQ(0xFFFEFD, c->Pixel(0, 0));
}

// ---------------------------------------------------------------- the plug-in bitmap

class SPIBitmapTest : public SPIBmpTest {
protected:
    void SetUp() override
    {
        Add("in_dib");
        Spis->SetMacBinary(false);
        TBitmap plain;
        plain.SetSize(3, 3);
        TMemoryStream m;
        plain.SaveToStream(m);
        BmpBytes.assign(reinterpret_cast<const char*>(m.Memory()), static_cast<size_t>(m.Size()));
    }
    std::string BmpBytes;
    TempDir Dir;
};

TEST_F(SPIBitmapTest, BmpExtensionInAnyCaseGoesToThePlainLoaderFirst)
{
    for (const char* name : {"a.bmp", "b.Bmp"}) {
        SCOPED_TRACE(name);
        const std::string file = Dir.Write(name, BmpBytes);
        TSPIBitmap b;
        b.OnProgress = Recorder(&b);
        Reports.clear();
        b.LoadFromFile(file);
        EXPECT_EQ(3, b.Width());
        ASSERT_EQ(1u, Reports.size());
        EXPECT_EQ((Report{psEnding, 100, true, "Loaded Graphic"}), Reports[0]);
    }
}

TEST_F(SPIBitmapTest, OtherExtensionsGoToThePluginsFirst)
{
    const std::string file = Dir.Write("a.fxd", BmpBytes);
    TSPIBitmap b;
    b.OnProgress = Recorder(&b);
    b.LoadFromFile(file);
    EXPECT_EQ(2, b.Width());
    EXPECT_EQ(0x030405, b.Canvas()->Pixel(1, 0));
    // Inner ending reports are dropped; the bitmap makes its own.
    EXPECT_EQ("Seeking enabled Susie Plugins", Reports[1].Msg);
    EXPECT_EQ((Report{psEnding, 100, true, "Loaded Graphic"}), Reports.back());
    EXPECT_EQ(1, std::count_if(Reports.begin(), Reports.end(), [](const Report& r) { return r.Stage == psEnding; }));

    SetEnvironmentVariableA("KOVA_FX_DIB", "fail");
    b.LoadFromFile(file);
    EXPECT_EQ(3, b.Width());

    const std::string junk = Dir.Write("junk.fxd", "not a picture");
    EXPECT_THROW(b.LoadFromFile(junk), EInvalidGraphic);
    EXPECT_EQ(3, b.Width());
}

TEST_F(SPIBitmapTest, FourBitPictureKeepsItsPalette)
{
    SetEnvironmentVariableA("KOVA_FX_DIB", "4,2,4,0,1,40,-1");
    TMemoryStream m;
    Fill(m, 10);
    TSPIBitmap b;
    b.LoadFromStream(m);
    EXPECT_EQ(4, b.Width());
    PALETTEENTRY e = {};
    ASSERT_EQ(1u, GetPaletteEntries(b.Palette(), 7, 1, &e));
    EXPECT_EQ(7, e.peRed);
    EXPECT_EQ(21, e.peBlue);
}

TEST_F(SPIBitmapTest, AssigningAGraphicLeavesItsPicture)
{
    TSPIGraphic g;
    TMemoryStream m;
    Fill(m, 10);
    g.LoadFromStream(m);
    TSPIBitmap b;
    b.Assign(&g);
    EXPECT_EQ(2, b.Width());
    EXPECT_FALSE(g.Empty());
    b.SetOnLoadFromStreamWithName(nullptr);
    ASSERT_TRUE(b.OnLoadFromStreamWithName());
    m.SetPosition(0);
    SetEnvironmentVariableA("KOVA_FX_DIB", "5,1,24,0,1,40,-1");
    b.OnLoadFromStreamWithName()(m, "");
    EXPECT_EQ(5, b.Width());
}

}  // namespace

namespace {

TEST_F(SPIBitmapTest, AbortInTheDriversReportFallsBackToThePlainLoader)
{
    const std::string file = Dir.Write("a.fxd", BmpBytes);
    TSPIBitmap b;
    b.OnProgress = [](TObject*, TProgressStage, uint8_t, bool, const TRect&, const std::string& Msg) {
        if (Msg == "Seeking enabled Susie Plugins")
            throw EAbort();
    };
    b.LoadFromFile(file);
    EXPECT_EQ(3, b.Width());
}

TEST_F(SPIBmpTest, PictureLoadsPluginFormatsAsPluginBitmaps)
{
    const TGraphicClass old = TSPIs::DefaultGraphicClass();
    InitPluginGraphics();
    EXPECT_EQ(&TSPIBitmap::Class, TSPIs::DefaultGraphicClass());
    Add("in_dib");
    TempDir dir;
    const std::string file = dir.Write("pic.fxd", "data");
    TPicture picture;
    picture.LoadFromFile(file);
    ASSERT_NE(nullptr, dynamic_cast<TSPIBitmap*>(picture.Graphic()));
    EXPECT_EQ(2, picture.Width());
    Spis.reset();
    TSPIs::SetDefaultGraphicClass(old);
}

}  // namespace
