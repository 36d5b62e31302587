#pragma once
// The image control and the timer.
#include "ui/Controls.h"

namespace kova {

// Shows a picture at its top-left corner (or centred, or scaled into the control).
class TImage : public TGraphicControl {
public:
    explicit TImage(TComponent* AOwner);
    ~TImage() override;

    // Changes to the picture (and drawing on its bitmap) repaint the control.
    TPicture* Picture() { return &FPicture; }
    // The canvas of the picture's bitmap. An empty picture first gets a white bitmap of
    // the control's size; a picture with another kind of graphic raises EInvalidOperation.
    TCanvas* Canvas();

    // Sized to its picture (0 by 0 when empty) whenever the picture changes and whenever
    // its size is set while the program runs, not while the form description loads.
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool v);
    bool Stretch() const { return FStretch; }
    void SetStretch(bool v);
    // With Stretch: scaled keeping the aspect ratio.
    bool Proportional() const { return FProportional; }
    void SetProportional(bool v);
    bool Center() const { return FCenter; }
    void SetCenter(bool v);

    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
    void Paint(TCanvas* canvas) override;
    bool Opaque() const override;

    // Where the picture is drawn, in the control's coordinates.
    TRect DestRect() const;

private:
    void PictureChanged();

    TPicture FPicture;
    bool FAutoSize = false;
    bool FStretch = false;
    bool FProportional = false;
    bool FCenter = false;
};

// Raises OnTimer every Interval milliseconds while enabled, from the thread's message loop.
// It starts disabled; enabling it again starts the interval anew.
class TTimer : public TComponent {
public:
    explicit TTimer(TComponent* AOwner);
    ~TTimer() override;

    unsigned Interval() const { return FInterval; }
    void SetInterval(unsigned v);
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool v);

    TNotifyEvent OnTimer;

private:
    static LRESULT CALLBACK WndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
    void Update();

    HWND FWindow = nullptr;  // a message-only window: its WM_TIMER go when it goes
    unsigned FInterval = 1000;
    bool FEnabled = false;
};

}  // namespace kova
