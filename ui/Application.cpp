#include "ui/Application.h"

#include <exception>
#include <utility>

#include <ole2.h>

#include "base/Exceptions.h"
#include "ui/Forms.h"
#include "ui/Resources.h"

namespace kova {

namespace {

TApplication TheApplication(nullptr);

const char* const ApplicationClassName = "KovaApplication";

// Posted to the application window when it got the focus, to pass it on once the
// activation is over.
constexpr UINT WM_PASSFOCUS = WM_APP;

BOOL CALLBACK CollectVisible(HWND wnd, LPARAM param)
{
    if (IsWindowVisible(wnd))
        reinterpret_cast<std::vector<HWND>*>(param)->push_back(wnd);
    return TRUE;
}

// Message boxes belong to the active window of this thread, or to the application window.
HWND MessageOwner()
{
    HWND active = GetActiveWindow();
    return active ? active : Application->Handle();
}

}  // namespace

TApplication* Application = &TheApplication;

TApplication::TApplication(TComponent* AOwner) : TComponent(AOwner) {}

TApplication::~TApplication()
{
    // The forms go first, while they can still tell the application about it.
    while (ComponentCount() > 0)
        delete Components(ComponentCount() - 1);
    if (FHandle) {
        SetWindowLongPtrA(FHandle, GWLP_USERDATA, 0);
        DestroyWindow(FHandle);
    }
}

HWND TApplication::Handle()
{
    if (FHandle)
        return FHandle;
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA wc{};
    wc.lpfnWndProc = WndProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(KOVA_ICON));
    wc.lpszClassName = ApplicationClassName;
    if (!RegisterClassA(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        throw EOutOfResources("ウィンドウクラスの作成エラー");
    // A caption and a system menu give the button its title and its menu.
    FHandle = CreateWindowExA(0, ApplicationClassName, FTitle.c_str(),
                              WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, 0, 0, 0, 0, nullptr, nullptr,
                              instance, this);
    if (!FHandle)
        throw EOutOfResources("ウィンドウの作成エラー");
    // A window with no area is neither moved nor sized: the button's menu restores,
    // minimizes and closes.
    HMENU menu = GetSystemMenu(FHandle, FALSE);
    for (UINT command : {SC_MOVE, SC_SIZE, SC_MAXIMIZE})
        DeleteMenu(menu, command, MF_BYCOMMAND);
    return FHandle;
}

LRESULT CALLBACK TApplication::WndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_NCCREATE) {
        auto* self = static_cast<TApplication*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        self->FHandle = wnd;
        SetWindowLongPtrA(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<TApplication*>(GetWindowLongPtrA(wnd, GWLP_USERDATA));
    if (!self)
        return DefWindowProcA(wnd, msg, wParam, lParam);
    LRESULT result = 0;
    self->Guard([&] { result = self->Dispatch(msg, wParam, lParam); });
    return result;
}

LRESULT TApplication::Dispatch(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_MINIMIZE) {
            Minimize();
            return 0;
        }
        if ((wParam & 0xFFF0) == SC_RESTORE) {
            Restore();
            return 0;
        }
        break;
    case WM_WINDOWPOSCHANGED:
        // A restore may come as ShowWindow or SetWindowPlacement as well as SC_RESTORE.
        if (!IsIconic(FHandle))
            ShowMinimizedWindows();
        break;
    case WM_CLOSE:
        // Closing the button closes the main form as its own close box does.
        if (FMainForm)
            FMainForm->Close();
        return 0;
    case WM_SETFOCUS:
        PostMessageA(FHandle, WM_PASSFOCUS, 0, 0);
        break;
    case WM_PASSFOCUS:
        // The button shows nothing of its own: activating it activates the program.
        if (GetFocus() == FHandle && !IsIconic(FHandle))
            if (HWND target = ActiveTarget())
                SetForegroundWindow(target);
        return 0;
    default:
        break;
    }
    return DefWindowProcA(FHandle, msg, wParam, lParam);
}

void TApplication::ShowButton()
{
    if (!IsWindowVisible(Handle()))
        ShowWindow(FHandle, SW_SHOWNOACTIVATE);
}

void TApplication::Minimize()
{
    if (IsIconic(Handle()))
        return;
    FMinimizedWindows.clear();
    for (HWND w : VisibleThreadWindows())
        if (w != FHandle)
            FMinimizedWindows.push_back(w);
    // Hidden without WM_SHOWWINDOW: for the forms this is no new showing.
    for (HWND w : FMinimizedWindows)
        SetWindowPos(w, nullptr, 0, 0, 0, 0,
                     SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(FHandle, SW_MINIMIZE);
}

void TApplication::Restore()
{
    if (!IsIconic(Handle()))
        return;
    // Its WM_WINDOWPOSCHANGED shows the forms; the main form is activated once the button's
    // own restore is done.
    ShowWindow(FHandle, SW_SHOWNOACTIVATE);
    if (HWND target = ActiveTarget())
        SetForegroundWindow(target);
}

void TApplication::ShowMinimizedWindows()
{
    if (FMinimizedWindows.empty())
        return;
    const std::vector<HWND> windows = std::exchange(FMinimizedWindows, {});
    // Bottom first: a window manager stacks each window it maps on top.
    for (auto it = windows.rbegin(); it != windows.rend(); ++it)
        if (IsWindow(*it))
            SetWindowPos(*it, nullptr, 0, 0, 0, 0,
                         SWP_SHOWWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (HWND target = ActiveTarget())
        SetForegroundWindow(target);
}

HWND TApplication::ActiveTarget() const
{
    if (FMainForm && IsWindowVisible(FMainForm->Handle()) && IsWindowEnabled(FMainForm->Handle()))
        return FMainForm->Handle();
    for (HWND w : VisibleThreadWindows())
        if (w != FHandle && IsWindowEnabled(w))
            return w;
    return nullptr;
}

void TApplication::SetTitle(const std::string& title)
{
    FTitle = title;
    SetWindowTextA(Handle(), FTitle.c_str());
}

void TApplication::Initialize()
{
    // One single-threaded apartment for the program, as the common dialogs and drag-and-drop
    // need; a plug-in that initialises COM then only counts a reference, and its decoders
    // stay loaded between calls.
    if (!FOleInitialized)
        FOleInitialized = SUCCEEDED(OleInitialize(nullptr));
    Handle();
}

void TApplication::Run()
{
    if (FMainForm && !FMainForm->Visible())
        Guard([this] { FMainForm->Show(); });
    FRunning = true;
    MSG msg;
    while (!FTerminated && FMainForm && GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (HandleDialogKey(msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    FRunning = false;
    FTerminated = true;
    while (ComponentCount() > 0)
        delete Components(ComponentCount() - 1);
    if (std::exchange(FOleInitialized, false))
        OleUninitialize();
}

void TApplication::Terminate()
{
    FTerminated = true;
    // Outside Run nobody waits for the quit message; it would end a later message loop.
    if (FRunning)
        PostQuitMessage(0);
}

void TApplication::ProcessMessages()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            FTerminated = true;
            return;
        }
        if (HandleDialogKey(msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

void TApplication::HandleException(TObject* /*Sender*/)
{
    std::exception_ptr current = std::current_exception();
    if (!current)
        return;
    try {
        std::rethrow_exception(current);
    } catch (const EAbort&) {
    } catch (const Exception& e) {
        ShowException(e.Message);
    } catch (const std::exception& e) {
        ShowException(e.what());
    } catch (...) {
        ShowException("不明な例外が発生しました");
    }
}

void TApplication::Guard(const std::function<void()>& handler)
{
    try {
        handler();
    } catch (...) {
        HandleException(nullptr);
    }
}

void TApplication::ShowException(const std::string& message)
{
    if (OnShowException) {
        OnShowException(message);
        return;
    }
    MessageBoxA(MessageOwner(), message.c_str(), FTitle.c_str(), MB_ICONSTOP | MB_OK);
}

void TApplication::FormDestroyed(TForm* form)
{
    if (form != FMainForm)
        return;
    FMainForm = nullptr;
    // The button goes with the main form.
    if (FHandle)
        ShowWindow(FHandle, SW_HIDE);
}

std::vector<HWND> VisibleThreadWindows()
{
    std::vector<HWND> windows;
    EnumThreadWindows(GetCurrentThreadId(), CollectVisible, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

void ShowMessage(const std::string& message)
{
    if (Application->OnShowMessage) {
        Application->OnShowMessage(message);
        return;
    }
    MessageBoxA(MessageOwner(), message.c_str(), Application->Title().c_str(), MB_OK);
}

void Beep()
{
    if (Application->OnBeep) {
        Application->OnBeep();
        return;
    }
    MessageBeep(0);
}

}  // namespace kova
