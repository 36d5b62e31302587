#pragma once
// The application object: the application window (the program's task-bar button, with the
// title, owner of every form), the main form, the message loop and the default display of
// exceptions; and the plain message box and the system beep.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "base/Classes.h"

namespace kova {

class TForm;

class TApplication : public TComponent {
public:
    explicit TApplication(TComponent* AOwner);
    ~TApplication() override;

    // The application window, created on first use: unowned, with no area.
    HWND Handle();
    // Shows the application window: the program's task-bar button, which comes with the
    // main form.
    void ShowButton();
    // Minimizing hides every window of the program and leaves the button minimized;
    // restoring shows them again where they were, the main form active.
    void Minimize();
    void Restore();
    std::string Title() const { return FTitle; }
    void SetTitle(const std::string& title);

    // Initialises OLE on the calling thread, the program's one UI thread, until Run ends.
    void Initialize();
    // ref = new F(this); the first form created becomes the main form.
    template <class F>
    void CreateForm(F*& ref)
    {
        ref = new F(this);
        if (!FMainForm)
            FMainForm = ref;
    }
    TForm* MainForm() const { return FMainForm; }

    // Shows the main form unless visible, runs the message loop until the main form is
    // closed or destroyed (or Terminate), then destroys the forms it owns.
    // Terminate ends the loop; outside Run it only sets Terminated (modal loops end on it).
    void Run();
    void Terminate();
    bool Terminated() const { return FTerminated; }
    // Dispatches every message that is pending.
    void ProcessMessages();

    // Inside a catch block: EAbort shows nothing, any other exception its message.
    void HandleException(TObject* Sender);
    // Runs an event handler; nothing it throws leaves.
    void Guard(const std::function<void()>& handler);
    void ShowException(const std::string& message);

    // Test seams: when set, they receive what would be shown in a message box.
    std::function<void(const std::string&)> OnShowException;
    std::function<void(const std::string&)> OnShowMessage;
    std::function<void()> OnBeep;

private:
    friend class TForm;
    void FormDestroyed(TForm* form);
    static LRESULT CALLBACK WndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT Dispatch(UINT msg, WPARAM wParam, LPARAM lParam);
    // The window that should be active: the main form, or while it is disabled the
    // topmost enabled window of the program (a modal one).
    HWND ActiveTarget() const;
    // Shows what Minimize hid, once the application window is no longer iconic.
    void ShowMinimizedWindows();

    HWND FHandle = nullptr;
    std::vector<HWND> FMinimizedWindows;  // hidden by Minimize, topmost first
    std::string FTitle;
    TForm* FMainForm = nullptr;
    bool FTerminated = false;
    bool FRunning = false;
    bool FOleInitialized = false;
};

extern TApplication* Application;

// The visible top-level windows of this thread, topmost first.
std::vector<HWND> VisibleThreadWindows();

// A plain message box with the application title and an OK button.
void ShowMessage(const std::string& message);
// The default system sound (MessageBeep(0)).
void Beep();

}  // namespace kova
