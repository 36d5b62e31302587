#include "ui/Application.h"

#include <exception>

#include "base/Exceptions.h"
#include "ui/Forms.h"

namespace kova {

namespace {

TApplication TheApplication(nullptr);

const char* const ApplicationClassName = "KovaApplication";

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
    if (FHandle)
        DestroyWindow(FHandle);
}

HWND TApplication::Handle()
{
    if (FHandle)
        return FHandle;
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = instance;
    wc.lpszClassName = ApplicationClassName;
    if (!RegisterClassA(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        throw EOutOfResources("ウィンドウクラスの作成エラー");
    FHandle = CreateWindowExA(0, ApplicationClassName, FTitle.c_str(),
                              WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, 0, 0, 0, 0,
                              nullptr, nullptr, instance, nullptr);
    if (!FHandle)
        throw EOutOfResources("ウィンドウの作成エラー");
    return FHandle;
}

void TApplication::SetTitle(const std::string& title)
{
    FTitle = title;
    SetWindowTextA(Handle(), FTitle.c_str());
}

void TApplication::Initialize() { Handle(); }

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
    if (form == FMainForm)
        FMainForm = nullptr;
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
