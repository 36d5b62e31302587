// The pointer event order: real mouse messages posted to a form, pumped, and the events
// that reach its controls compared with declarative tables.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "base/Exceptions.h"
#include "ui/Application.h"
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"

namespace kova {
namespace {

struct Event {
    std::string Control;
    std::string Kind;  // down, up, move, click, dblclick
    int Button = -1;
    int X = 0, Y = 0;
    bool Captured = false;  // the form held the capture when the event ran
    bool operator==(const Event&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Event& e)
{
    return os << e.Control << " " << e.Kind << " b" << e.Button << " (" << e.X << "," << e.Y << ")"
              << (e.Captured ? " captured" : "");
}

struct Message {
    UINT Msg;
    WPARAM Keys;
    int X, Y;  // form client coordinates
};

class PointerOrder : public ::testing::Test {
protected:
    void SetUp() override
    {
        Application->OnShowException = [this](const std::string& m) { Shown.push_back(m); };
        Form = std::make_unique<TForm>(nullptr);
        Form->SetBounds(0, 0, 300, 200);
        Lower = AddImage("Lower", 0, 0, 200, 150);
        Image = AddImage("Image", 10, 20, 100, 50);
        Form->Show();
        Application->ProcessMessages();
        Events.clear();
    }
    void TearDown() override
    {
        Form.reset();
        Application->OnShowException = nullptr;
    }

    TImage* AddImage(const char* name, int x, int y, int w, int h)
    {
        auto* image = new TImage(Form.get());
        image->Name = name;
        image->SetParent(Form.get());
        image->SetBounds(x, y, w, h);
        Record(image);
        return image;
    }

    void Record(TControl* c)
    {
        auto add = [this, c](const char* kind, int button, int x, int y) {
            Events.push_back({c->Name, kind, button, x, y, GetCapture() == Form->Handle()});
        };
        c->OnMouseDown = [add](TObject*, TMouseButton b, TShiftState, int x, int y) { add("down", b, x, y); };
        c->OnMouseUp = [add](TObject*, TMouseButton b, TShiftState, int x, int y) { add("up", b, x, y); };
        c->OnMouseMove = [add](TObject*, TShiftState, int x, int y) { add("move", -1, x, y); };
        c->OnClick = [add](TObject*) { add("click", -1, 0, 0); };
        c->OnDblClick = [add](TObject*) { add("dblclick", -1, 0, 0); };
    }

    void Post(const std::vector<Message>& messages)
    {
        for (const Message& m : messages)
            PostMessageA(Form->Handle(), m.Msg, m.Keys, MAKELPARAM(static_cast<WORD>(m.X), static_cast<WORD>(m.Y)));
        Application->ProcessMessages();
    }

    void Expect(const std::vector<Event>& expected)
    {
        ASSERT_EQ(expected.size(), Events.size()) << ::testing::PrintToString(Events);
        for (size_t i = 0; i < expected.size(); ++i)
            EXPECT_EQ(expected[i], Events[i]) << "event " << i;
    }

    std::unique_ptr<TForm> Form;
    TImage* Lower = nullptr;
    TImage* Image = nullptr;
    std::vector<Event> Events;
    std::vector<std::string> Shown;
};

TEST_F(PointerOrder, SingleClickCapturesThenClicksBeforeMouseUp)
{
    Post({{WM_LBUTTONDOWN, MK_LBUTTON, 30, 40}, {WM_MOUSEMOVE, MK_LBUTTON, 31, 41}, {WM_LBUTTONUP, 0, 31, 41}});
    Expect({
        {"Image", "down", mbLeft, 20, 20, true},
        {"Image", "move", -1, 21, 21, true},
        {"Image", "click", -1, 0, 0, false},
        {"Image", "up", mbLeft, 21, 21, false},
    });
}

TEST_F(PointerOrder, DoubleClickBringsDblClickBeforeTheSecondDownAndNoSecondClick)
{
    Post({{WM_LBUTTONDOWN, MK_LBUTTON, 30, 40},
          {WM_LBUTTONUP, 0, 30, 40},
          {WM_LBUTTONDBLCLK, MK_LBUTTON, 30, 40},
          {WM_LBUTTONUP, 0, 30, 40}});
    Expect({
        {"Image", "down", mbLeft, 20, 20, true},
        {"Image", "click", -1, 0, 0, false},
        {"Image", "up", mbLeft, 20, 20, false},
        {"Image", "dblclick", -1, 0, 0, true},
        {"Image", "down", mbLeft, 20, 20, true},
        {"Image", "up", mbLeft, 20, 20, false},
    });
}

TEST_F(PointerOrder, CapturedDragFollowsThePointerOutsideAndReleasesWithoutClick)
{
    // Over the lower image, outside the window, back: all go to the pressed control.
    Post({{WM_LBUTTONDOWN, MK_LBUTTON, 30, 40},
          {WM_MOUSEMOVE, MK_LBUTTON, 150, 100},
          {WM_MOUSEMOVE, MK_LBUTTON, -20, -30},
          {WM_LBUTTONUP, 0, -20, -30},
          {WM_MOUSEMOVE, 0, 150, 100}});
    Expect({
        {"Image", "down", mbLeft, 20, 20, true},
        {"Image", "move", -1, 140, 80, true},
        {"Image", "move", -1, -30, -50, true},
        {"Image", "up", mbLeft, -30, -50, false},
        {"Lower", "move", -1, 150, 100, false},
    });
}

TEST_F(PointerOrder, RightAndMiddleButtonsNeitherCaptureNorClick)
{
    Post({{WM_RBUTTONDOWN, MK_RBUTTON, 30, 40},
          {WM_RBUTTONUP, 0, 30, 40},
          {WM_MBUTTONDOWN, MK_MBUTTON, 150, 100},
          {WM_MBUTTONUP, 0, 150, 100},
          {WM_RBUTTONDBLCLK, MK_RBUTTON, 30, 40}});
    Expect({
        {"Image", "down", mbRight, 20, 20, false},
        {"Image", "up", mbRight, 20, 20, false},
        {"Lower", "down", mbMiddle, 150, 100, false},
        {"Lower", "up", mbMiddle, 150, 100, false},
        {"Image", "down", mbRight, 20, 20, false},
    });
}

TEST_F(PointerOrder, TheTopmostVisibleEnabledControlGetsThePointer)
{
    Image->SetVisible(false);
    Post({{WM_MOUSEMOVE, 0, 30, 40}});
    Image->SetVisible(true);
    Image->SetEnabled(false);
    Post({{WM_MOUSEMOVE, 0, 31, 41}});
    Image->SetEnabled(true);
    Post({{WM_MOUSEMOVE, 0, 32, 42}});
    Form->Name = "Form";
    Record(Form.get());
    Post({{WM_MOUSEMOVE, 0, 250, 170}});
    Expect({
        {"Lower", "move", -1, 30, 40, false},
        {"Lower", "move", -1, 31, 41, false},
        {"Image", "move", -1, 22, 22, false},
        {"Form", "move", -1, 250, 170, false},
    });
}

TEST_F(PointerOrder, AFailingHandlerIsShownAndTheEventsAfterItStillRun)
{
    Image->OnClick = [](TObject*) { throw Exception("クリック失敗"); };
    Post({{WM_LBUTTONDOWN, MK_LBUTTON, 30, 40}, {WM_LBUTTONUP, 0, 30, 40}});
    Expect({
        {"Image", "down", mbLeft, 20, 20, true},
        {"Image", "up", mbLeft, 20, 20, false},
    });
    EXPECT_EQ(std::vector<std::string>{"クリック失敗"}, Shown);
}

TEST_F(PointerOrder, AControlDestroyedWhileItHoldsTheCaptureGetsNoMoreEvents)
{
    Post({{WM_LBUTTONDOWN, MK_LBUTTON, 30, 40}});
    delete Image;
    Post({{WM_MOUSEMOVE, MK_LBUTTON, 31, 41}, {WM_LBUTTONUP, 0, 31, 41}});
    Expect({
        {"Image", "down", mbLeft, 20, 20, true},
        {"Lower", "move", -1, 31, 41, true},
        {"Lower", "up", mbLeft, 31, 41, false},
    });
}

}  // namespace
}  // namespace kova
