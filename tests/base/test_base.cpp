#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/Classes.h"
#include "base/Cp932.h"
#include "base/Exceptions.h"
#include "base/Streams.h"

using namespace kova;

namespace {

std::vector<std::string> events;

class Probe : public TComponent {
public:
    Probe(TComponent* owner, std::string name) : TComponent(owner) { Name = std::move(name); }
    ~Probe() override { events.push_back("free " + Name); }
    bool wasLoadingWhenCreated = Loading();

protected:
    void Loaded() override { events.push_back("loaded " + Name + (Loading() ? " (still loading)" : "")); }
};

std::string TempDir()
{
    char dir[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    return dir;
}

std::string ReadAll(const std::string& name)
{
    TMemoryStream m;
    m.LoadFromFile(name);
    return std::string(reinterpret_cast<const char*>(m.Memory()), static_cast<size_t>(m.Size()));
}

void WriteAll(const std::string& name, const std::string& text)
{
    TFileStream f(name, TFileMode::fmCreate);
    f.WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
}

}  // namespace

TEST(Locale, AnsiCodePageIsJapanese) { EXPECT_EQ(932u, GetACP()); }

TEST(Components, OwnerFreesOwnedComponentsNewestFirst)
{
    events.clear();
    auto* root = new Probe(nullptr, "root");
    new Probe(root, "a");
    auto* b = new Probe(root, "b");
    new Probe(b, "b1");
    EXPECT_EQ(2, root->ComponentCount());
    EXPECT_EQ(b, root->FindComponent("b"));
    delete root;
    // Each destructor body runs before its owned components are freed.
    EXPECT_EQ((std::vector<std::string>{"free root", "free b", "free b1", "free a"}), events);
}

TEST(Components, FreedComponentLeavesItsOwner)
{
    Probe root(nullptr, "root");
    delete new Probe(&root, "gone");
    EXPECT_EQ(0, root.ComponentCount());
}

TEST(Components, LoadedFollowsTheDescriptionInCreationOrder)
{
    events.clear();
    Probe root(nullptr, "form");
    Probe* first = nullptr;
    TComponent::LoadDescription(&root, [&] {
        first = new Probe(&root, "first");
        new Probe(&root, "second");
        events.push_back("described");
    });
    EXPECT_TRUE(first->wasLoadingWhenCreated);
    EXPECT_FALSE(first->Loading());
    EXPECT_EQ((std::vector<std::string>{"described", "loaded first", "loaded second", "loaded form"}), events);
    EXPECT_FALSE((new Probe(&root, "later"))->wasLoadingWhenCreated);
}

TEST(Strings, IndexOutOfRangeRaisesTheListError)
{
    TStringList list;
    list.Add("a");
    EXPECT_EQ("a", list.Strings(0));
    try {
        list.Strings(1);
        FAIL() << "no exception";
    } catch (const EListError& e) {
        EXPECT_EQ("リストのインデックスが範囲を超えています (1)", e.Message);
    }
    EXPECT_THROW(list.Strings(-1), EListError);
    EXPECT_THROW(list.Delete(1), EListError);
    EXPECT_THROW(list.Insert(2, "x"), EListError);
    list.Insert(1, "b");
    EXPECT_EQ("a\r\nb\r\n", list.Text());
}

TEST(Strings, TextSplitsAtEveryLineEnd)
{
    TStringList list;
    list.SetText("one\r\ntwo\nthree\rfour");
    ASSERT_EQ(4, list.Count());
    EXPECT_EQ("four", list.Strings(3));
    EXPECT_EQ(2, list.IndexOf("three"));
    EXPECT_EQ(-1, list.IndexOf("Three"));
}

TEST(Streams, MemoryStreamReadsWritesAndSeeks)
{
    TMemoryStream m;
    m.WriteBuffer("abcdef", 6);
    EXPECT_EQ(6, m.Size());
    m.SetPosition(2);
    char buf[8] = {};
    EXPECT_EQ(4, m.Read(buf, 8));
    EXPECT_STREQ("cdef", buf);
    EXPECT_EQ(0, m.Read(buf, 1));
    m.SetPosition(4);
    EXPECT_THROW(m.ReadBuffer(buf, 3), EReadError);
    m.Seek(-1, TSeekOrigin::soEnd);
    m.WriteBuffer("XY", 2);
    EXPECT_EQ(7, m.Size());
    EXPECT_EQ(0, std::memcmp(m.Memory(), "abcdeXY", 7));
}

TEST(Streams, FileErrorsNameTheFile)
{
    std::string missing = TempDir() + "kova-no-such-dir\\x.bmp";
    try {
        TFileStream f(missing, TFileMode::fmOpenRead);
        FAIL();
    } catch (const EFOpenError& e) {
        EXPECT_EQ("ファイル " + missing + " は開けません", e.Message);
    }
    try {
        TFileStream f(missing, TFileMode::fmCreate);
        FAIL();
    } catch (const EFCreateError& e) {
        EXPECT_EQ("ファイル " + missing + " を作成できません", e.Message);
    }
}

TEST(Streams, SaveFileReplacingKeepsTheOldFileWhenTheWriteFails)
{
    std::string name = TempDir() + "kova-replace.bin";
    WriteAll(name, "old contents");
    EXPECT_THROW(SaveFileReplacing(name, [](TStream& out) {
                     out.WriteBuffer("new", 3);
                     throw EWriteError("disk full");
                 }),
                 EFCreateError);
    EXPECT_EQ("old contents", ReadAll(name));

    SaveFileReplacing(name, [](TStream& out) { out.WriteBuffer("new", 3); });
    EXPECT_EQ("new", ReadAll(name));
    DeleteFileA(name.c_str());

    // No temporary file is left behind either way.
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((TempDir() + "kov*.tmp").c_str(), &fd);
    EXPECT_EQ(INVALID_HANDLE_VALUE, h);
    if (h != INVALID_HANDLE_VALUE)
        FindClose(h);
}

TEST(Cp932, WideConversion)
{
    EXPECT_EQ(L"ソフト", Cp932ToWide("ソフト"));
    EXPECT_EQ("ソフト", WideToCp932(L"ソフト"));
}
