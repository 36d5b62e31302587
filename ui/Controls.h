#pragma once
// The control base: windowless (graphic) and windowed controls, their bounds, alignment,
// fonts, painting and pointer events.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/Classes.h"
#include "surface/Graphics.h"

namespace kova {

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
enum TMouseButton { mbLeft = 0, mbRight = 1, mbMiddle = 2 };

enum TShiftStateBit : uint8_t {
    ssShift = 1, ssAlt = 2, ssCtrl = 4, ssLeft = 8, ssRight = 16, ssMiddle = 32, ssDouble = 64
};
using TShiftState = uint8_t;  // a set of TShiftStateBit

using TMouseEvent = std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(TObject* Sender, TShiftState Shift, int X, int Y)>;

// The shift state of a mouse message's key flags (MK_...), with the Alt key read now.
TShiftState MouseShiftState(WPARAM keyFlags);

class TWinControl;

class TControl : public TComponent {
public:
    explicit TControl(TComponent* AOwner);
    ~TControl() override;

    TWinControl* Parent() const { return FParent; }
    virtual void SetParent(TWinControl* AParent);

    // Relative to the parent's client area (forms: the outer window on the screen).
    int Left() const { return FLeft; }
    int Top() const { return FTop; }
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    void SetLeft(int v) { SetBounds(v, FTop, FWidth, FHeight); }
    void SetTop(int v) { SetBounds(FLeft, v, FWidth, FHeight); }
    void SetWidth(int v) { SetBounds(FLeft, FTop, v, FHeight); }
    void SetHeight(int v) { SetBounds(FLeft, FTop, FWidth, v); }
    virtual void SetBounds(int ALeft, int ATop, int AWidth, int AHeight);
    TRect BoundsRect() const { return Rect(FLeft, FTop, FLeft + FWidth, FTop + FHeight); }
    void SetBoundsRect(const TRect& r) { SetBounds(r.Left, r.Top, r.Width(), r.Height()); }
    virtual int ClientWidth() const { return FWidth; }
    virtual int ClientHeight() const { return FHeight; }
    // Sizes the control so that its client area gets this size.
    virtual void SetClientWidth(int v);
    virtual void SetClientHeight(int v);
    TRect ClientRect() const { return Rect(0, 0, ClientWidth(), ClientHeight()); }

    bool Visible() const { return FVisible; }
    virtual void SetVisible(bool v);
    virtual void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    bool Enabled() const { return FEnabled; }
    virtual void SetEnabled(bool v);
    TAlign Align() const { return FAlign; }
    void SetAlign(TAlign v);

    // Follows the parent's font while ParentFont is set; a change of its own clears it.
    TFont* Font() { return &FFont; }
    bool ParentFont() const { return FParentFont; }
    void SetParentFont(bool v);
    TColor Color() const { return FColor; }
    virtual void SetColor(TColor v);

    std::string Caption() const { return GetText(); }
    void SetCaption(const std::string& v) { SetText(v); }
    std::string Text() const { return GetText(); }
    void SetText(const std::string& v);

    // Marks the control for painting; Repaint paints it now.
    virtual void Invalidate();
    virtual void Repaint();

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TMouseEvent OnMouseDown;
    TMouseEvent OnMouseUp;
    TMouseMoveEvent OnMouseMove;

    // Raise the events, each inside the application's guard.
    void Click();
    void DblClick();
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
    void MouseMove(TShiftState Shift, int X, int Y);

protected:
    virtual std::string GetText() const { return FText; }
    virtual void TextChanged() {}
    // Applies a font change (own or inherited) to the control.
    virtual void FontChanged();
    // Moves the control's own display to the stored bounds.
    virtual void BoundsChanged(const TRect& oldBounds);
    virtual void VisibleChanged();
    // Asks the parent to lay out its aligned children again.
    void RequestAlign();

    std::string FText;
    int FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
    bool FVisible = true;
    bool FEnabled = true;
    TColor FColor = clWindow;

private:
    friend class TWinControl;
    void TakeParentFont();

    TWinControl* FParent = nullptr;
    TAlign FAlign = alNone;
    TFont FFont;
    bool FParentFont = true;
    bool FTakingParentFont = false;
    bool FClicked = false;  // a single left press is held
};

// Creation parameters of a window; WinClassName nullptr means our own window class.
struct TCreateParams {
    const char* WinClassName = nullptr;
    DWORD Style = 0;
    DWORD ExStyle = 0;
    int X = 0, Y = 0, Width = 0, Height = 0;
    HWND WndParent = nullptr;
    int Id = 0;  // the control id of a child window
};

// A control with a window. Windows of our own class paint their background, then their
// graphic children in creation order (windowed children lie above them), and turn mouse
// messages into the pointer events of the graphic child under the pointer or of
// themselves. Windows of a system class (EDIT, ...) are subclassed.
class TWinControl : public TControl {
public:
    explicit TWinControl(TComponent* AOwner);
    ~TWinControl() override;

    // Creates the window when it does not exist yet (a child needs a parent).
    HWND Handle();
    bool HandleAllocated() const { return FHandle != nullptr; }
    void SetParent(TWinControl* AParent) override;

    int ControlCount() const { return static_cast<int>(FControls.size()); }
    TControl* Controls(int index) const;
    // Position among the parent's windowed children for keyboard navigation.
    int TabOrder() const;
    void SetTabOrder(int v);
    // Tab and Shift+Tab stop at the control.
    bool TabStop() const { return FTabStop; }
    void SetTabStop(bool v);
    // Appends the visible, enabled tab stops inside the control, in tab order, each
    // container's own stops right after it.
    void GetTabOrderList(std::vector<TWinControl*>& list) const;

    int ClientWidth() const override;
    int ClientHeight() const override;
    void SetEnabled(bool v) override;
    void Invalidate() override;
    void Repaint() override;
    // Lays out the aligned children in the client area.
    void Realign();
    // Once loaded, the control is sized after each alignment so that the aligned area
    // just holds its visible children.
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool v);

    // A key offered by the form before the focused control sees it: Enter or Esc
    // (WM_KEYDOWN) or an Alt+character (WM_SYSCHAR). True when this control or one of its
    // children took it (default and cancel buttons, "&" letters).
    virtual bool DialogKey(UINT msg, WPARAM key);
    // True when the control, having the focus, uses the key itself.
    virtual bool WantsKey(WPARAM /*key*/) { return false; }

    // The control whose window this is, or nullptr.
    static TWinControl* FromHandle(HWND wnd);

protected:
    virtual void CreateParams(TCreateParams& params);
    // The window exists; its children's windows do not yet.
    virtual void HandleCreated() {}
    // Shrinks the client rectangle to the part in which aligned children are laid out.
    virtual void AdjustClientRect(TRect& /*r*/) {}
    void CreateHandle();
    void DestroyHandle();
    virtual LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT DefaultHandler(UINT msg, WPARAM wParam, LPARAM lParam);
    // A child's notification (WM_COMMAND, WM_NOTIFY, WM_DRAWITEM, ...) sent to its
    // parent is handed back to the child here; true when handled.
    virtual bool ReflectedMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // Paints the control itself, after its background and before its graphic children.
    virtual void PaintWindow(TCanvas* /*canvas*/) {}

    std::string GetText() const override;
    void TextChanged() override;
    void FontChanged() override;
    void BoundsChanged(const TRect& oldBounds) override;
    void VisibleChanged() override;
    void Loaded() override;
    // Reads the bounds from the window after the system moved or sized it.
    void UpdateBounds();

private:
    friend class TControl;
    static LRESULT CALLBACK StaticWndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
    bool OwnClass() const { return FDefWndProc == nullptr; }
    void InsertControl(TControl* c);
    void RemoveControl(TControl* c);
    TControl* ControlAtPos(int x, int y) const;
    void PaintHandler(HDC dc, const RECT& update);
    bool MouseMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    void MousePress(TMouseButton button, bool doubleClick, WPARAM wParam, int x, int y);
    void MouseRelease(TMouseButton button, WPARAM wParam, int x, int y);
    TControl* MouseTarget(int x, int y) const;
    bool JoinDoubleByteChar(WPARAM wParam, LPARAM lParam, LRESULT& result);
    void AdjustSize();

    HWND FHandle = nullptr;
    WNDPROC FDefWndProc = nullptr;  // the system class's procedure of a subclassed window
    WNDPROC FDefWndProcW = nullptr;  // the same procedure as a Unicode one
    char FLeadByte = 0;             // first byte of a double-byte character being typed
    std::vector<TControl*> FControls;
    std::vector<TWinControl*> FTabList;
    TControl* FMouseControl = nullptr;  // holds the capture after a left press
    bool FAligning = false;
    bool FAutoSize = false;
    bool FTabStop = false;
};

// A windowless control, painted by its parent into the parent's DC.
class TGraphicControl : public TControl {
public:
    using TControl::TControl;
    ~TGraphicControl() override;
    void Invalidate() override;
    void Repaint() override;

    // Paints with the origin at the control's top-left, clipped to the control.
    virtual void Paint(TCanvas* canvas) = 0;
    // True when Paint covers every pixel of the control (the parent need not fill under it).
    virtual bool Opaque() const { return false; }

protected:
    void BoundsChanged(const TRect& oldBounds) override;
    void VisibleChanged() override;

private:
    friend class TWinControl;
    void InvalidateRect(const TRect& r);
    bool FInvalidated = false;  // its area is already in the parent's update region
};

// A canvas on a DC that someone else owns (a paint DC); releases it when destroyed.
class TDCCanvas : public TCanvas {
public:
    explicit TDCCanvas(HDC dc) { SetHandle(dc); }
    ~TDCCanvas() override { SetHandle(nullptr); }

protected:
    void CreateHandle() override;
};

// A control of a form description: created with its owner, named, and placed in its parent.
template <class T>
T* NewControl(TComponent* owner, TWinControl* parent, const char* name, int left, int top, int width, int height)
{
    auto* control = new T(owner);
    control->Name = name;
    control->SetParent(parent);
    control->SetBounds(left, top, width, height);
    return control;
}

}  // namespace kova
