// The plug-in collection: one instance, its list, format registration, GetSPIs and the
// search over real directories and a test-owned registry value.
#include <gtest/gtest.h>

#include <algorithm>

#include "base/Cp932.h"
#include "plugins/SPIs.h"
#include "tests/plugins/PluginTest.h"

using namespace kova;
using namespace kova::test;

namespace {

const TGraphicClassInfo kPluginGraphic = {"TPluginGraphic", nullptr, nullptr};
const TGraphicClassInfo kOtherGraphic = {"TOtherGraphic", nullptr, nullptr};

using Names = std::vector<std::string>;

Names Sorted(Names n)
{
    std::sort(n.begin(), n.end());
    return n;
}

Names FileNames(const Names& paths)
{
    Names out;
    for (const std::string& p : paths)
        out.push_back(ExtractFileName(p));
    return out;
}

Names ModuleNames(const TSPIs& spis)
{
    Names out;
    for (int i = 0; i < spis.Count(); ++i)
        out.push_back(ExtractFileName(spis.Items(i)->FileName()));
    return out;
}

Names ModuleNames(const std::vector<TSPI*>& list)
{
    Names out;
    for (TSPI* spi : list)
        out.push_back(spi->PluginName());
    return out;
}

class SPIsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(nullptr, SPIsInstance());
        TSPIs::SetDefaultGraphicClass(&kPluginGraphic);
        FFormatsBefore = TPicture::FileFormats().size();
    }
    void TearDown() override
    {
        TPicture::UnregisterGraphicClass(&kPluginGraphic);
        TPicture::UnregisterGraphicClass(&kOtherGraphic);
        TSPIs::SetDefaultGraphicClass(nullptr);
    }

    // Formats registered since the test began, as "extension|description|class".
    Names NewFormats() const
    {
        Names out;
        const auto& formats = TPicture::FileFormats();
        for (size_t i = FFormatsBefore; i < formats.size(); ++i)
            out.push_back(formats[i].Extension + "|" + formats[i].Description + "|" +
                          formats[i].GraphicClass->ClassName);
        return out;
    }

    // Adds the fixture as a module of its own kind.
    TSPI* AddFixture(TSPIs& spis, const std::string& variant)
    {
        std::unique_ptr<TSPI> spi = CreateSPI(FixturePath(variant));
        spis.Add(spi.get());
        return spi.release();
    }

    // Records what the search finds and builds.
    void Record(TSPIs& spis)
    {
        spis.OnSearching = [this](TObject*, const std::string& f, bool&) { Searching.push_back(f); };
        spis.OnSearch = [this](TObject*, TSPI* spi, bool&) { Built.push_back(spi->FileName()); };
    }

    Names Searching, Built;

private:
    size_t FFormatsBefore = 0;
};

}  // namespace

TEST_F(SPIsTest, DefaultsAndTheOneInstance)
{
    TComponent owner(nullptr);
    auto* spis = new TSPIs(&owner);
    EXPECT_EQ(spis, SPIsInstance());
    EXPECT_TRUE(spis->MacBinary());
    EXPECT_FALSE(spis->GraphicPreview());
    EXPECT_TRUE(spis->AutoSearch());
    EXPECT_EQ(TSPISearchOptions({spsSusieDir, spsAppDir}), spis->SearchOptions());
    EXPECT_EQ(3, spis->SearchOptions().Bits());
    EXPECT_EQ(0, spis->Count());
    EXPECT_EQ(0, TSPIs::MacBinaryOffsets[0]);
    EXPECT_EQ(128, TSPIs::MacBinaryOffsets[1]);

    try {
        TSPIs second(&owner);
        ADD_FAILURE() << "a second collection was made";
    } catch (const ESPIDupCreateSPIs& e) {
        EXPECT_EQ("TSPIs は複数生成できません", e.Message);
    }
    EXPECT_EQ(spis, SPIsInstance());
    EXPECT_EQ(1, owner.ComponentCount());

    delete spis;
    EXPECT_EQ(nullptr, SPIsInstance());
}

TEST_F(SPIsTest, ListOperationsOwnAndFreeModules)
{
    TSPIs spis(nullptr);
    EXPECT_THROW(spis.Items(0), EListError);
    EXPECT_THROW(spis.Delete(0), EListError);

    std::unique_ptr<TSPI> outside = CreateSPI(FixturePath("xn"));
    EXPECT_THROW(spis.Insert(1, outside.get()), EListError);
    EXPECT_EQ(0, spis.Count());

    AddFixture(spis, "am");
    spis.Insert(0, outside.release());
    EXPECT_EQ("Fixture XN", spis.Items(0)->PluginName());
    EXPECT_EQ("Fixture AM", spis.Items(1)->PluginName());

    std::string upper = spis.Items(1)->FileName();
    std::transform(upper.begin(), upper.end(), upper.begin(), [](char c) { return c >= 'a' && c <= 'z' ? c - 32 : c; });
    EXPECT_EQ(1, spis.IndexOf(upper));
    EXPECT_EQ(-1, spis.IndexOf(FixturePath("in_a")));

    spis.Delete(0);
    EXPECT_FALSE(IsLoaded(FixturePath("xn")));
    spis.Clear();
    EXPECT_EQ(0, spis.Count());
    EXPECT_FALSE(IsLoaded(FixturePath("am")));
}

TEST_F(SPIsTest, PictureModulesRegisterEachPatternLastFirst)
{
    TSPIs spis(nullptr);
    AddFixture(spis, "in_two");
    AddFixture(spis, "in_three");
    // Modules of the other kinds stay in the list and register nothing.
    for (const char* other : {"am", "xn", "in_lower"})
        AddFixture(spis, other);
    AddFixture(spis, "in_trailing");
    EXPECT_EQ(6, spis.Count());
    EXPECT_EQ(Names({"fxc|Fixture BC|TPluginGraphic", "fxb|Fixture BC|TPluginGraphic",
                     "fx3|Fixture 123|TPluginGraphic", "fx2|Fixture 123|TPluginGraphic",
                     "fx1|Fixture 123|TPluginGraphic", "fx4|Fixture 4|TPluginGraphic",
                     "|Fixture T|TPluginGraphic", "fxt|Fixture T|TPluginGraphic", "fxl|Fixture L|TPluginGraphic"}),
              NewFormats());
    EXPECT_EQ(&kPluginGraphic, TPicture::FindFileFormat("fxb"));
    spis.Clear();
    // The formats outlive the modules.
    EXPECT_EQ(&kPluginGraphic, TPicture::FindFileFormat(".fx3"));
}

TEST_F(SPIsTest, PictureRegisterHandlerChangesTheClassForTheRestOfAnEntry)
{
    TSPIs spis(nullptr);
    Names seen;
    spis.OnPictureRegister = [&](TObject* sender, TInSPI* spi, const std::string& ext, const std::string& desc,
                                 TGraphicClass& cls) {
        EXPECT_EQ(&spis, sender);
        EXPECT_EQ("Fixture IN three", spi->PluginName());
        seen.push_back(ext + "|" + desc + "|" + (cls ? cls->ClassName : "nil"));
        if (ext == "fx2")
            cls = nullptr;
        if (ext == "fx4")
            cls = &kOtherGraphic;
    };
    AddFixture(spis, "in_three");
    EXPECT_EQ(Names({"fx3|Fixture 123|TPluginGraphic", "fx2|Fixture 123|TPluginGraphic", "fx1|Fixture 123|nil",
                     "fx4|Fixture 4|TPluginGraphic"}),
              seen);
    EXPECT_EQ(Names({"fx3|Fixture 123|TPluginGraphic", "fx4|Fixture 4|TOtherGraphic"}), NewFormats());
}

TEST_F(SPIsTest, WithoutADefaultClassOnlyTheHandlerCanRegister)
{
    TSPIs::SetDefaultGraphicClass(nullptr);
    TSPIs spis(nullptr);
    AddFixture(spis, "in_two");
    EXPECT_EQ(Names(), NewFormats());
    spis.OnPictureRegister = [](TObject*, TInSPI*, const std::string& ext, const std::string&, TGraphicClass& cls) {
        if (ext == "fxb")
            cls = &kOtherGraphic;
    };
    AddFixture(spis, "in_two");
    EXPECT_EQ(Names({"fxb|Fixture BC|TOtherGraphic"}), NewFormats());
}

TEST_F(SPIsTest, AFailedRegistrationLeavesTheModuleWithTheCaller)
{
    TSPIs spis(nullptr);
    spis.OnPictureRegister = [](TObject*, TInSPI*, const std::string&, const std::string&, TGraphicClass&) {
        throw Exception("refused");
    };
    std::unique_ptr<TSPI> spi = CreateSPI(FixturePath("in_a"));
    EXPECT_THROW(spis.Add(spi.get()), Exception);
    EXPECT_EQ(0, spis.Count());
    EXPECT_TRUE(IsLoaded(FixturePath("in_a")));
}

TEST_F(SPIsTest, GetSPIsPutsModulesNamingTheExtensionFirst)
{
    TSPIs spis(nullptr);
    AddFixture(spis, "in_a");
    AddFixture(spis, "am");
    AddFixture(spis, "in_two");
    TSPI* second = AddFixture(spis, "in_a");
    AddFixture(spis, "in_three");
    AddFixture(spis, "xn");
    const std::string a = "Fixture IN A", two = "Fixture IN two", three = "Fixture IN three";
    auto get = [&](const std::vector<TSPIClass>& classes, const std::string& file) {
        std::vector<TSPI*> list;
        spis.GetSPIs(classes, list, file);
        return list;
    };

    // Matches in reverse list order, then the rest in list order.
    std::vector<TSPI*> both = get({&TInSPI::Class}, "C:\\pics\\x.FXA");
    EXPECT_EQ(Names({a, a, two, three}), ModuleNames(both));
    EXPECT_EQ(second, both[0]);
    EXPECT_EQ(Names({two, a, a, three}), ModuleNames(get({&TInSPI::Class}, "x.fxc")));
    // The first of two patterns in one entry does not count.
    EXPECT_EQ(Names({a, two, a, three}), ModuleNames(get({&TInSPI::Class}, "x.fxb")));
    EXPECT_EQ(Names({three, a, two, a}), ModuleNames(get({&TInSPI::Class}, "x.fx4")));
    EXPECT_EQ(Names({a, two, a, three}), ModuleNames(get({&TInSPI::Class}, "C:\\dir.fxa\\noext")));

    EXPECT_EQ(Names({"Fixture IN A", "Fixture AM", two, a, three}),
              ModuleNames(get({&TLoaderSPI::Class}, "x.none")));
    EXPECT_EQ(6u, get({&TSPI::Class}, "").size());
    // The archive module names .fxz.
    EXPECT_EQ(Names({"Fixture AM", "Fixture XN"}), ModuleNames(get({&TXnSPI::Class, &TAmSPI::Class}, "x.fxz")));
    EXPECT_EQ(0u, get({}, "x.fxa").size());

    // The caller's list keeps what it held.
    std::vector<TSPI*> list = {second};
    spis.GetSPIs({&TXnSPI::Class}, list, "x");
    EXPECT_EQ(Names({a, "Fixture XN"}), ModuleNames(list));
}

TEST_F(SPIsTest, DirectorySearchListsOnlyPlainFilesAndLoadsModules)
{
    TempDir dir;
    dir.Copy("in_a", "a.spi");
    const std::string readOnly = dir.Copy("in_two", "two.spi");
    SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
    const std::string hidden = dir.Copy("in_three", "hidden.spi");
    SetFileAttributesA(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN);
    dir.Copy("am", "am.SPI");
    dir.Write("text.spi", "not a module");
    dir.Copy("in_three", "other.dll");
    dir.Sub("x.spi");

    SusiePathValue susie;
    TempDir elsewhere;
    elsewhere.Copy("xn", "elsewhere.spi");
    susie.Set(elsewhere.Path());
    {
        TSPIs spis(nullptr);
        spis.SetSearchOptions({spsSusieDir, spsAppDir, spsCurrentDir, spsSystemDir, spsWindowsDir});
        Record(spis);
        spis.Search(dir.Path() + "*.spi");
        EXPECT_EQ(Names({"a.spi", "am.SPI", "text.spi", "two.spi"}), Sorted(FileNames(Searching)));
        EXPECT_EQ(Names({"a.spi", "am.SPI", "two.spi"}), Sorted(ModuleNames(spis)));
        for (const std::string& found : Searching)
            EXPECT_EQ(0u, found.rfind(dir.Path(), 0)) << found;
        EXPECT_FALSE(IsLoaded(hidden));

        // Known files are dropped before anything is asked.
        Searching.clear();
        spis.Search(dir.Path() + "*.spi");
        EXPECT_EQ(Names({"text.spi"}), FileNames(Searching));
        EXPECT_EQ(3, spis.Count());
    }
    EXPECT_FALSE(IsLoaded(dir.Path() + "a.spi"));
}

TEST_F(SPIsTest, APathWrittenDifferentlyIsLoadedAgain)
{
    TempDir dir;
    dir.Copy("in_a", "a.spi");
    dir.Sub("sub");
    TSPIs spis(nullptr);
    spis.Search(dir.Path() + "*.spi");
    spis.Search(dir.Path() + "sub\\..\\*.spi");
    ASSERT_EQ(2, spis.Count());
    EXPECT_EQ(0, CompareTextAscii(spis.Items(0)->FileName(), spis.Items(1)->FileName()));
    spis.Delete(0);
    EXPECT_TRUE(IsLoaded(dir.Path() + "a.spi"));
}

TEST_F(SPIsTest, SearchingAndSearchHandlersCanRefuse)
{
    TempDir dir;
    dir.Copy("in_a", "a.spi");
    dir.Copy("in_two", "two.spi");
    dir.Copy("xn", "xn.spi");
    TSPIs spis(nullptr);
    Names built;
    spis.OnSearching = [&](TObject* sender, const std::string& f, bool& accept) {
        EXPECT_EQ(&spis, sender);
        EXPECT_TRUE(accept);
        accept = ExtractFileName(f) != "a.spi";
        if (!accept) {
            EXPECT_FALSE(IsLoaded(f));
        }
    };
    spis.OnSearch = [&](TObject*, TSPI* spi, bool& accept) {
        EXPECT_TRUE(accept);
        built.push_back(ExtractFileName(spi->FileName()));
        accept = spi->ClassType() != &TXnSPI::Class;
    };
    spis.Search(dir.Path() + "*.spi");
    EXPECT_EQ(Names({"two.spi", "xn.spi"}), Sorted(built));
    EXPECT_EQ(Names({"two.spi"}), ModuleNames(spis));
    EXPECT_FALSE(IsLoaded(dir.Path() + "a.spi"));
    EXPECT_FALSE(IsLoaded(dir.Path() + "xn.spi"));
}

TEST_F(SPIsTest, FailuresAfterBuildingAreCaughtAndTheSearchGoesOn)
{
    TempDir dir;
    dir.Copy("in_a", "a.spi");
    dir.Copy("in_two", "two.spi");
    dir.Copy("info_fault", "fault.spi");
    dir.Copy("am", "am.spi");
    TSPIs spis(nullptr);
    spis.OnSearch = [](TObject*, TSPI* spi, bool&) {
        if (spi->PluginName() == "Fixture AM")
            throw Exception("refused in OnSearch");
    };
    spis.OnPictureRegister = [](TObject*, TInSPI* spi, const std::string&, const std::string&, TGraphicClass&) {
        if (spi->PluginName() == "Fixture IN two")
            throw Exception("refused while registering");
    };
    spis.Search(dir.Path() + "*.spi");
    EXPECT_EQ(Names({"a.spi"}), ModuleNames(spis));
    for (const char* gone : {"two.spi", "am.spi"})
        EXPECT_FALSE(IsLoaded(dir.Path() + gone)) << gone;
    EXPECT_EQ(Names({"fxa|Fixture A|TPluginGraphic"}), NewFormats());
}

TEST_F(SPIsTest, AnExceptionFromSearchingEndsTheSearch)
{
    TempDir dir;
    dir.Copy("in_a", "a.spi");
    dir.Copy("in_two", "two.spi");
    dir.Copy("xn", "xn.spi");
    TSPIs spis(nullptr);
    int calls = 0;
    spis.OnSearching = [&](TObject*, const std::string&, bool&) {
        if (++calls == 2)
            throw EAbort();
    };
    EXPECT_THROW(spis.Search(dir.Path() + "*.spi"), EAbort);
    EXPECT_EQ(2, calls);
    EXPECT_EQ(1, spis.Count());
}

TEST_F(SPIsTest, AModuleLackingItsKindsExportEndsTheSearch)
{
    TempDir susieDir, current;
    susieDir.Copy("in_a", "a.spi");
    susieDir.Copy("in_two", "two.spi");
    susieDir.Copy("in_no_getpicture", "broken.spi");
    current.Copy("xn", "later.spi");
    SusiePathValue susie;
    susie.Set(susieDir.Path());
    CurrentDir cd(current.Path());

    TSPIs spis(nullptr);
    spis.SetSearchOptions({spsSusieDir, spsCurrentDir});
    Record(spis);
    try {
        spis.Search("*.spi");
        ADD_FAILURE() << "the broken module was accepted";
    } catch (const ESPIInvalidAPI& e) {
        EXPECT_EQ(0, e.Message.rfind("GetPictureは[", 0)) << e.Message;
    }
    ASSERT_FALSE(Searching.empty());
    EXPECT_EQ("broken.spi", ExtractFileName(Searching.back()));
    // Modules found before it stay; nothing after it is looked at.
    EXPECT_EQ(static_cast<int>(Searching.size()) - 1, spis.Count());
    EXPECT_FALSE(IsLoaded(susieDir.Path() + "broken.spi"));
}

TEST_F(SPIsTest, SearchVisitsTheFiveDirectoriesInOrder)
{
    TempDir susieDir, current;
    susieDir.Copy("in_a", "kovaspi_susie.spi");
    current.Copy("in_a", "kovaspi_current.spi");
    PlacedFile app("in_a", ProgramDir(), "kovaspi_app.spi");
    PlacedFile sys("in_a", SystemDir(), "kovaspi_system.spi");
    PlacedFile win("in_a", WindowsDir(), "kovaspi_windows.spi");
    if (!app.Placed() || !sys.Placed() || !win.Placed())
        GTEST_SKIP() << "cannot place files in the program, system and Windows directories";
    SusiePathValue susie;
    susie.Set(susieDir.Path());
    CurrentDir cd(current.Path());

    const TSPISearchOptions all = {spsSusieDir, spsAppDir, spsCurrentDir, spsSystemDir, spsWindowsDir};
    struct Case {
        TSPISearchOptions Options;
        Names Expected;
    } cases[] = {
        {all,
         {"kovaspi_susie.spi", "kovaspi_app.spi", "kovaspi_current.spi", "kovaspi_system.spi",
          "kovaspi_windows.spi"}},
        {{spsSusieDir, spsAppDir}, {"kovaspi_susie.spi", "kovaspi_app.spi"}},
        {{spsWindowsDir, spsCurrentDir}, {"kovaspi_current.spi", "kovaspi_windows.spi"}},
        {{}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Options.Bits());
        Searching.clear();
        TSPIs spis(nullptr);
        spis.SetSearchOptions(c.Options);
        Record(spis);
        spis.Search("kovaspi_*.spi");
        EXPECT_EQ(c.Expected, FileNames(Searching));
        EXPECT_EQ(c.Expected, ModuleNames(spis));
    }
}

TEST_F(SPIsTest, StartedFromItsOwnDirectoryTheCurrentPassFindsOnlyDuplicates)
{
    PlacedFile app("in_a", ProgramDir(), "kovaspi_app.spi");
    ASSERT_TRUE(app.Placed());
    CurrentDir cd(ProgramDir());
    TSPIs spis(nullptr);
    spis.SetSearchOptions({spsAppDir, spsCurrentDir});
    Record(spis);
    spis.Search("kovaspi_*.spi");
    EXPECT_EQ(Names({"kovaspi_app.spi"}), FileNames(Searching));
    EXPECT_EQ(1, spis.Count());
}

TEST_F(SPIsTest, SusieDirectoryComesFromTheRegistryAsStored)
{
    TempDir base;
    base.Copy("in_a", "kovaspi_a.spi");
    const std::string dbcs = base.Sub("ソ");  // its last byte is 0x5C, a trail byte
    CopyFileA(FixturePath("in_two").c_str(), (dbcs + "kovaspi_b.spi").c_str(), FALSE);
    std::string withoutSlash = base.Path();
    withoutSlash.pop_back();
    SetEnvironmentVariableA("KOVASPI_DIR", withoutSlash.c_str());
    const DWORD number = 1;

    struct Case {
        const char* What;
        std::function<void(SusiePathValue&)> Set;
        Names Expected;
    } cases[] = {
        {"no key", [](SusiePathValue& v) { v.RemoveKey(); }, {}},
        {"empty", [](SusiePathValue& v) { v.Set(""); }, {}},
        {"not a string", [&](SusiePathValue& v) { v.SetRaw(REG_DWORD, reinterpret_cast<const BYTE*>(&number), 4); }, {}},
        {"with backslash", [&](SusiePathValue& v) { v.Set(base.Path()); }, {base.Path() + "kovaspi_a.spi"}},
        {"without backslash", [&](SusiePathValue& v) { v.Set(withoutSlash); }, {base.Path() + "kovaspi_a.spi"}},
        {"expandable", [&](SusiePathValue& v) { v.Set(withoutSlash, REG_EXPAND_SZ); }, {base.Path() + "kovaspi_a.spi"}},
        {"not expanded", [](SusiePathValue& v) { v.Set("%KOVASPI_DIR%", REG_EXPAND_SZ); }, {}},
        {"double-byte name", [&](SusiePathValue& v) { v.Set(dbcs.substr(0, dbcs.size() - 1)); },
         {dbcs + "kovaspi_b.spi"}},
    };
    PlacedFile app("xn", ProgramDir(), "kovaspi_app.spi");
    ASSERT_TRUE(app.Placed());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        SusiePathValue susie;
        c.Set(susie);
        Searching.clear();
        TSPIs spis(nullptr);
        Record(spis);
        spis.Search("kovaspi_*.spi");
        // The program's directory is searched after it in every case.
        Names expected = c.Expected;
        expected.push_back(ProgramDir() + "kovaspi_app.spi");
        EXPECT_EQ(expected, Searching);
    }
    SetEnvironmentVariableA("KOVASPI_DIR", nullptr);
}

TEST_F(SPIsTest, LoadingTheComponentSearchesUnlessAutoSearchIsOff)
{
    TempDir dir;
    dir.Copy("in_a", "a.spi");
    dir.Copy("am", "am.spi");
    SusiePathValue susie;
    susie.Set(dir.Path());
    for (bool autoSearch : {true, false}) {
        TComponent form(nullptr);
        TSPIs* spis = nullptr;
        TComponent::LoadDescription(&form, [&] {
            spis = new TSPIs(&form);
            spis->SetSearchOptions({spsSusieDir});
            spis->SetAutoSearch(autoSearch);
            EXPECT_EQ(0, spis->Count());
        });
        EXPECT_EQ(autoSearch ? 2 : 0, spis->Count());
    }
    EXPECT_FALSE(IsLoaded(dir.Path() + "a.spi"));
}

TEST_F(SPIsTest, ABrokenModuleFailsTheLoadingOfItsForm)
{
    TempDir dir;
    dir.Copy("in_no_issupported", "broken.spi");
    SusiePathValue susie;
    susie.Set(dir.Path());
    TComponent form(nullptr);
    EXPECT_THROW(TComponent::LoadDescription(&form,
                                             [&] {
                                                 auto* spis = new TSPIs(&form);
                                                 spis->SetSearchOptions({spsSusieDir});
                                             }),
                 ESPIInvalidAPI);
}
