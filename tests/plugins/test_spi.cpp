// Plug-in modules built from the fixture DLLs: kinds, export checks, information entries,
// the wrappers and the fault guard.
#include <gtest/gtest.h>

#include "base/Cp932.h"
#include "plugins/SPIs.h"
#include "tests/plugins/PluginTest.h"

using namespace kova;
using namespace kova::test;

namespace {

std::vector<std::string> Lines(const TStrings& s)
{
    std::vector<std::string> out;
    for (int i = 0; i < s.Count(); ++i)
        out.push_back(s.Strings(i));
    return out;
}

// The message ESPIInvalidAPI carries for a fixture lacking proc.
std::string InvalidAPIMessage(const std::string& proc, const std::string& variant)
{
    return proc + "は[" + FixturePath(variant) + "]では使えないSusie Plugin APIです";
}

// Runs make, expects ESPIInvalidAPI naming proc, and that the fixture is not left loaded.
template <class Make>
void ExpectRejected(Make make, const std::string& variant, const std::string& proc)
{
    SCOPED_TRACE(variant);
    try {
        make(FixturePath(variant));
        ADD_FAILURE() << "no exception for " << variant;
    } catch (const ESPIInvalidAPI& e) {
        EXPECT_EQ(0, CompareTextAscii(InvalidAPIMessage(proc, variant), e.Message)) << e.Message;
    }
    EXPECT_FALSE(IsLoaded(FixturePath(variant)));
}

// A picture module that can lose an export after it was built.
class TForgetfulInSPI : public TInSPI {
public:
    static std::unique_ptr<TForgetfulInSPI> Create(const std::string& FileName)
    {
        return Built(new TForgetfulInSPI(FileName));
    }
    void Forget(const std::string& name)
    {
        for (auto [proc, procName] : {std::pair{&FGetPluginInfo, "GetPluginInfo"}, {&FIsSupported, "IsSupported"},
                                      {&FGetPictureInfo, "GetPictureInfo"}, {&FGetPicture, "GetPicture"},
                                      {&FGetPreview, "GetPreview"}})
            if (name == procName)
                *proc = nullptr;
    }

protected:
    using TInSPI::TInSPI;
};

struct Picture {
    HLOCAL Info = nullptr, Pixels = nullptr;
    ~Picture()
    {
        LocalFree(Info);
        LocalFree(Pixels);
    }
};

}  // namespace

TEST(SPIModule, KindFollowsTheExactAPIVersion)
{
    struct Case {
        const char* Variant;
        TSPIClass Kind;
    } cases[] = {{"in_a", &TInSPI::Class},      {"am", &TAmSPI::Class},       {"xn", &TXnSPI::Class},
                 {"in_lower", &TSPI::Class},    {"in_blank", &TSPI::Class},   {"no_version", &TSPI::Class}};
    for (const Case& c : cases) {
        std::unique_ptr<TSPI> spi = CreateSPI(FixturePath(c.Variant));
        ASSERT_TRUE(spi) << c.Variant;
        EXPECT_STREQ(c.Kind->ClassName, spi->ClassType()->ClassName) << c.Variant;
    }
    std::unique_ptr<TSPI> in = CreateSPI(FixturePath("in_a"));
    EXPECT_NE(nullptr, dynamic_cast<TInSPI*>(in.get()));
    EXPECT_TRUE(InheritsFrom(in->ClassType(), &TLoaderSPI::Class));
    EXPECT_FALSE(InheritsFrom(in->ClassType(), &TAmSPI::Class));
}

TEST(SPIModule, ReadsVersionNameAndFormatPairs)
{
    std::unique_ptr<TSPI> spi = CreateSPI(FixturePath("in_three"));
    ASSERT_TRUE(spi);
    EXPECT_EQ("00IN", spi->APIVersion());
    EXPECT_EQ("Fixture IN three", spi->PluginName());
    EXPECT_EQ(std::vector<std::string>({"*.fx1;*.fx2;*.fx3", "*.fx4"}), Lines(spi->Extensions()));
    EXPECT_EQ(std::vector<std::string>({"Fixture 123", "Fixture 4"}), Lines(spi->Descriptions()));
    EXPECT_EQ(0, CompareTextAscii(FixturePath("in_three"), spi->FileName())) << spi->FileName();
    EXPECT_EQ(GetModuleHandleA(FixturePath("in_three").c_str()), spi->Handle());
}

TEST(SPIModule, FormatPairsStopAtTheFirstIncompletePair)
{
    std::unique_ptr<TSPI> odd = CreateSPI(FixturePath("in_odd"));
    EXPECT_EQ(std::vector<std::string>({"*.fxo"}), Lines(odd->Extensions()));
    EXPECT_EQ(std::vector<std::string>({"Fixture O"}), Lines(odd->Descriptions()));

    std::unique_ptr<TSPI> none = CreateSPI(FixturePath("in_none"));
    EXPECT_EQ(0, none->Extensions().Count());
    EXPECT_EQ(0, none->Descriptions().Count());

    std::unique_ptr<TSPI> unversioned = CreateSPI(FixturePath("no_version"));
    EXPECT_EQ("", unversioned->APIVersion());
    EXPECT_EQ("Fixture without version", unversioned->PluginName());
    EXPECT_EQ(1, unversioned->Extensions().Count());
}

TEST(SPIModule, PluginsThatSayTooMuchAreCutOff)
{
    std::unique_ptr<TSPI> spi = CreateSPI(FixturePath("in_all"));
    ASSERT_TRUE(spi);
    EXPECT_EQ(TSPI::MaxFormats, spi->Extensions().Count());
    EXPECT_EQ(TSPI::MaxFormats, spi->Descriptions().Count());
    // 300 bytes written where 255 were offered: the text ends at 255.
    std::unique_ptr<TSPI> longName = CreateSPI(FixturePath("in_long_info"));
    ASSERT_TRUE(longName);
    EXPECT_EQ(std::string(255, 'L'), longName->PluginName());
}

TEST(SPIModule, FilesThatAreNoModuleGiveNothing)
{
    TempDir dir;
    const std::string text = dir.Write("text.spi", "not a module");
    const std::string missing = dir.Path() + "missing.spi";
    dir.Sub("x.spi");
    for (const std::string& path : {text, missing, dir.Path() + "x.spi"}) {
        EXPECT_EQ(nullptr, CreateSPI(path)) << path;
        try {
            TSPI::Create(path);
            ADD_FAILURE() << "no exception for " << path;
        } catch (const ESPIFOpenErrorSPI& e) {
            EXPECT_EQ(path + ":Susie Pluginがロードできませんでした", e.Message);
        }
    }
}

TEST(SPIModule, ABareNameNeverReachesTheSystemsModuleSearch)
{
    // The system would find this one beside the program; the host looks in the current
    // directory only.
    PlacedFile app("in_a", ProgramDir(), "kovaspi_bare.spi");
    ASSERT_TRUE(app.Placed());
    TempDir empty;
    CurrentDir cd(empty.Path());
    EXPECT_EQ(nullptr, CreateSPI("kovaspi_bare.spi"));
    EXPECT_FALSE(IsLoaded(app.Path()));
}

TEST(SPIModule, MissingRequiredExportsRejectTheKind)
{
    ExpectRejected(CreateSPI, "no_plugininfo", "GetPluginInfo");
    ExpectRejected(CreateSPI, "in_no_issupported", "IsSupported");
    ExpectRejected(CreateSPI, "in_no_getpicture", "GetPicture");
    // No archive export is ever called, yet the kind requires them all.
    ExpectRejected(CreateSPI, "am_no_getfile", "GetFile");
}

TEST(SPIModule, EachKindChecksItsOwnExports)
{
    ExpectRejected(TInSPI::Create, "am", "GetPictureInfo");
    ExpectRejected(TAmSPI::Create, "in_a", "GetArchiveInfo");
    ExpectRejected(TLoaderSPI::Create, "no_version", "IsSupported");
    EXPECT_TRUE(TXnSPI::Create(FixturePath("no_version")));
}

TEST(SPIModule, WrappersPassArgumentsAndResults)
{
    std::unique_ptr<TInSPI> spi = TInSPI::Create(FixturePath("in_a"));
    char buf[256] = {};
    EXPECT_EQ(4, spi->GetPluginInfo(0, buf, 255));
    EXPECT_STREQ("00IN", buf);
    EXPECT_EQ(0, spi->GetPluginInfo(9, buf, 255));
    EXPECT_EQ(1, spi->IsSupported("x.fxa", reinterpret_cast<uintptr_t>(buf)));

    Picture pic;
    EXPECT_EQ(0, spi->GetPicture("x.fxa", 0, 0, &pic.Info, &pic.Pixels, nullptr, 0));
    ASSERT_NE(nullptr, pic.Info);
    auto* head = static_cast<BITMAPINFOHEADER*>(LocalLock(pic.Info));
    EXPECT_EQ(2, head->biWidth);
    EXPECT_EQ(24, head->biBitCount);
    LocalUnlock(pic.Info);
}

TEST(SPIModule, GetPreviewIsOptionalButChecked)
{
    std::unique_ptr<TSPI> built = CreateSPI(FixturePath("in_no_getpreview"));
    auto* spi = dynamic_cast<TInSPI*>(built.get());
    ASSERT_NE(nullptr, spi);
    Picture pic;
    try {
        spi->GetPreview("x.fxv", 0, 0, &pic.Info, &pic.Pixels, nullptr, 0);
        ADD_FAILURE() << "GetPreview was called";
    } catch (const ESPIInvalidAPI& e) {
        EXPECT_EQ(0, CompareTextAscii(InvalidAPIMessage("GetPreview", "in_no_getpreview"), e.Message));
    }
    EXPECT_EQ(nullptr, pic.Info);
    EXPECT_EQ(0, spi->GetPicture("x.fxv", 0, 0, &pic.Info, &pic.Pixels, nullptr, 0));
}

TEST(SPIModule, WrappersCheckTheirExportAtEveryCall)
{
    char buf[256] = {};
    TPictureInfo info{};
    using Call = std::function<void(TInSPI&, Picture&)>;
    const std::pair<const char*, Call> calls[] = {
        {"GetPluginInfo", [&](TInSPI& s, Picture&) { s.GetPluginInfo(0, buf, 255); }},
        {"IsSupported", [&](TInSPI& s, Picture&) { s.IsSupported("x.fxa", reinterpret_cast<uintptr_t>(buf)); }},
        {"GetPictureInfo", [&](TInSPI& s, Picture&) { s.GetPictureInfo("x.fxa", 0, 0, &info); }},
        {"GetPicture",
         [](TInSPI& s, Picture& p) { s.GetPicture("x.fxa", 0, 0, &p.Info, &p.Pixels, nullptr, 0); }},
        {"GetPreview",
         [](TInSPI& s, Picture& p) { s.GetPreview("x.fxa", 0, 0, &p.Info, &p.Pixels, nullptr, 0); }},
    };
    for (const auto& [proc, call] : calls) {
        SCOPED_TRACE(proc);
        std::unique_ptr<TForgetfulInSPI> spi = TForgetfulInSPI::Create(FixturePath("in_a"));
        Picture before;
        EXPECT_NO_THROW(call(*spi, before));
        spi->Forget(proc);
        Picture after;
        try {
            call(*spi, after);
            ADD_FAILURE() << "the forgotten export was called";
        } catch (const ESPIInvalidAPI& e) {
            EXPECT_EQ(0, CompareTextAscii(InvalidAPIMessage(proc, "in_a"), e.Message)) << e.Message;
        }
        EXPECT_EQ(nullptr, after.Info);
    }
}

// The head of the thread's chain of SEH records (x86; x64 keeps none there).
const void* SehChainHead()
{
    return reinterpret_cast<NT_TIB*>(NtCurrentTeb())->ExceptionList;
}

TEST(SPIModule, AFaultInsideAPluginCallBecomesAnException)
{
    std::unique_ptr<TSPI> built = CreateSPI(FixturePath("in_fault"));
    auto* spi = dynamic_cast<TInSPI*>(built.get());
    ASSERT_NE(nullptr, spi);
    EXPECT_FALSE(spi->Faulted());
    const void* chain = SehChainHead();
    for (int round = 0; round < 2; ++round) {
        Picture pic;
        try {
            spi->GetPicture("x.fxf", 0, 0, &pic.Info, &pic.Pixels, nullptr, 0);
            ADD_FAILURE() << "the fault went unnoticed";
        } catch (const ESPIFault& e) {
            EXPECT_EQ(0, CompareTextAscii(FixturePath("in_fault") + ":Susie PluginがGetPictureの中で異常終了しました",
                                          e.Message));
        }
    }
    EXPECT_TRUE(spi->Faulted());
    // The guard's record is unlinked again, and the module can still be called.
    EXPECT_EQ(chain, SehChainHead());
    EXPECT_EQ(1, spi->IsSupported("x.fxf", 0));
}

TEST(SPIModule, AFaultWhileReadingEntriesLeavesCreateSPI)
{
    EXPECT_THROW(CreateSPI(FixturePath("info_fault")), ESPIFault);
    EXPECT_FALSE(IsLoaded(FixturePath("info_fault")));
}

TEST(SPIModule, APluginsOwnHandledExceptionIsLeftAlone)
{
    std::unique_ptr<TSPI> built = CreateSPI(FixturePath("in_self_handled"));
    auto* spi = dynamic_cast<TInSPI*>(built.get());
    ASSERT_NE(nullptr, spi);
    Picture pic;
    EXPECT_EQ(0, spi->GetPicture("x.fxh", 0, 0, &pic.Info, &pic.Pixels, nullptr, 0));
    EXPECT_NE(nullptr, pic.Info);
    EXPECT_NE(nullptr, pic.Pixels);
}
