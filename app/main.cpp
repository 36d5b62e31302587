// The program entry: the application title, the main window, the message loop.
#include <windows.h>

#include <cstdlib>
#include <memory>

#include "app/Recovery.h"
#include "app/Unit1.h"
#include "app/Unit2.h"
#include "plugins/SPIBmp.h"
#include "ui/Application.h"

using namespace kova;

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    InitPluginGraphics();
    Application->Initialize();
    Application->SetTitle("KO-VA");
    // A failure while the main window is loaded is shown, and the program ends.
    try {
        Application->CreateForm(Form1);
    } catch (...) {
        Application->HandleException(nullptr);
        return 1;
    }
    Application->CreateForm(Form2);
    // Copies left by a crash are offered before a file opens over them.
    std::unique_ptr<TRecovery> recovery;
    Application->Guard([&recovery] {
        recovery = std::make_unique<TRecovery>(TRecovery::UserFolder());
        Form1->Recovery = recovery.get();
        Form1->Show();
        Form1->OfferRecovery();
    });
    // kova.exe FILE, as Explorer's "Open with" and a drop onto the program start it.
    if (__argc > 1)
        Application->Guard([] { Form1->OpenFile(__argv[1]); });
    Application->Run();
    return 0;
}
