// The open dialog's filter, built from the plug-in modules when the main window is created.
#include <gtest/gtest.h>

#include "app/Unit1.h"
#include "tests/app/AppFixture.h"
#include "ui/Application.h"

using namespace kova;

namespace {

class Filter : public MainWindowTest {
protected:
    void AddModule(const char* name)
    {
        std::unique_ptr<TSPI> module = CreateSPI(std::string(KOVA_SPI_FIXTURES) + "\\" + name + ".spi");
        ASSERT_TRUE(module) << name;
        form->SPIs1->Add(module.get());
        module.release();
    }

    // The window's creation event again, with the filter as the form description stores it.
    void Create()
    {
        form->OpenDialog1->Filter = "ビットマップ|*.bmp";
        Application->Guard([this] { form->FormCreate(form); });
    }
};

}  // namespace

TEST_F(Filter, WithoutPluginsOnlyTheBitmapEntry)
{
    form->SPIs1->Clear();
    Create();
    EXPECT_EQ("ビットマップ|*.bmp|", form->OpenDialog1->Filter);
}

TEST_F(Filter, EachModuleAddsItsFirstFormatWhateverItsKind)
{
    form->SPIs1->Clear();
    AddModule("in_two");
    AddModule("in_three");
    AddModule("am");
    Create();
    EXPECT_EQ("ビットマップ|*.bmp|Fixture BC|*.fxb;*.fxc|Fixture 123|*.fx1;*.fx2;*.fx3|Fixture archive|*.fxz",
              form->OpenDialog1->Filter);
    EXPECT_TRUE(errors.empty());
}

TEST_F(Filter, AModuleWithoutFormatsShowsTheListErrorAndKeepsTheStoredFilter)
{
    form->SPIs1->Clear();
    AddModule("in_a");
    AddModule("in_none");
    form->Edit1->SetLeft(0);
    form->DateItems.clear();
    Create();
    ASSERT_EQ(1u, errors.size());
    EXPECT_EQ("リストのインデックスが範囲を超えています (0)", errors[0]);
    EXPECT_EQ("ビットマップ|*.bmp", form->OpenDialog1->Filter);
    // Everything before the filter was set up all the same.
    EXPECT_EQ(-200, form->Edit1->Left());
    EXPECT_EQ(1000u, form->DateItems.size());
}
