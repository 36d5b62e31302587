// Recovery copies: which copy is whose between two instances, the check of a copy left behind,
// and moving a damaged one aside.
#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <fstream>
#include <memory>

#include "app/Recovery.h"
#include "tests/app/AppFixture.h"
#include "tests/ui/DialogAnswer.h"

using namespace kova;

namespace {

class Recovery : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        folder = std::string(temp) + "kova_recovery_" + std::to_string(GetCurrentProcessId()) + "\\";
    }
    void TearDown() override
    {
        std::string from = folder.substr(0, folder.size() - 1) + '\0';
        SHFILEOPSTRUCTA remove{nullptr, FO_DELETE, from.c_str(), nullptr, FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOERRORUI, FALSE, nullptr, nullptr};
        SHFileOperationA(&remove);
        MainWindowTest::TearDown();
    }
    void Offer(TRecovery& recovery, int button)
    {
        form->Recovery = &recovery;
        test::Answering({"", button}, [this] { form->OfferRecovery(); });
        form->Recovery = nullptr;
    }
    std::vector<std::string> Files(const std::string& pattern)
    {
        std::vector<std::string> names;
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((folder + pattern).c_str(), &found);
        for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileA(search, &found))
            names.push_back(found.cFileName);
        FindClose(search);
        return names;
    }
    std::string folder;
};

}  // namespace

TEST_F(Recovery, ACopyIsOfferedOnlyOnceItsInstanceEndedAndDamagedOnesMoveAside)
{
    form->Image5->Canvas()->LineTo(300, 200);
    form->Checkpoint();
    form->Refresh1Click(nullptr);
    const diagram::Document drawn = form->DiagramDocument();
    TMemoryStream sheet;
    form->Image1->Picture()->Graphic()->SaveToStream(sheet);
    const std::vector<uint8_t> picture(sheet.Memory(), sheet.Memory() + sheet.Size());

    auto first = std::make_unique<TRecovery>(folder);
    first->WriteNow(picture, drawn);
    const std::string copy = first->CopyName();
    TRecovery second(folder);
    EXPECT_TRUE(second.Leftovers().empty()) << "a running instance's copy is its own";
    std::ofstream(folder + "junk.bmp") << "BM not a bitmap";
    std::vector<uint8_t> cut = picture;
    diagram::Embed(cut, drawn);
    cut.resize(cut.size() - 100);
    std::ofstream(folder + "cut.bmp", std::ios::binary).write(reinterpret_cast<const char*>(cut.data()), cut.size());
    first.reset();  // ended without a word, as a crash ends it

    form->New1Click(nullptr);
    Offer(second, IDYES);
    EXPECT_TRUE(drawn == form->DiagramDocument());
    EXPECT_TRUE(form->Modified()) << "restored as an unsaved diagram";
    EXPECT_EQ(copy, second.CopyName()) << "the copy is the new instance's own";
    EXPECT_EQ(2u, messages.size());
    std::sort(messages.begin(), messages.end());
    EXPECT_NE(std::string::npos, messages[0].find(folder + "Damaged\\cut.bmp"));
    EXPECT_EQ((std::vector<std::string>{"cut.bmp", "junk.bmp"}), Files("Damaged\\*.bmp"));
    TRecovery third(folder);
    EXPECT_TRUE(third.Leftovers().empty()) << "the adopted copy is held";

    // Discard deletes the instance's own copy; No deletes one left behind.
    second.Discard();
    EXPECT_TRUE(Files("*.bmp").empty());
    TRecovery(folder).WriteNow(picture, drawn);
    TRecovery fourth(folder);
    Offer(fourth, IDNO);
    EXPECT_TRUE(Files("*.bmp").empty());
}
