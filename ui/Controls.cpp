#include "ui/Controls.h"

#include <windowsx.h>

#include <algorithm>

#include "base/Exceptions.h"
#include "ui/Application.h"
#include "ui/Resources.h"

namespace kova {

namespace {

const char* const WindowClassName = "KovaWindow";

// Saves a DC's state (clipping, origin, selections) for one scope.
class DCState {
public:
    explicit DCState(HDC dc) : FDC(dc), FSaved(SaveDC(dc)) {}
    DCState(const DCState&) = delete;
    DCState& operator=(const DCState&) = delete;
    ~DCState() { RestoreDC(FDC, FSaved); }

private:
    HDC FDC;
    int FSaved;
};

class PaintDC {
public:
    explicit PaintDC(HWND wnd) : FWnd(wnd) { BeginPaint(wnd, &FPaint); }
    PaintDC(const PaintDC&) = delete;
    PaintDC& operator=(const PaintDC&) = delete;
    ~PaintDC() { EndPaint(FWnd, &FPaint); }
    HDC dc() const { return FPaint.hdc; }
    const RECT& update() const { return FPaint.rcPaint; }

private:
    HWND FWnd;
    PAINTSTRUCT FPaint{};
};

// The window of a child that sends its parent a notification, or nullptr.
HWND NotifyingChild(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_COMMAND:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORLISTBOX:
        return reinterpret_cast<HWND>(lParam);
    case WM_NOTIFY:
        return reinterpret_cast<NMHDR*>(lParam)->hwndFrom;
    case WM_DRAWITEM: {
        auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
        return item->CtlType == ODT_MENU ? nullptr : item->hwndItem;
    }
    default:
        (void)wParam;
        return nullptr;
    }
}

bool Contains(const TRect& r, int x, int y) { return x >= r.Left && y >= r.Top && x < r.Right && y < r.Bottom; }

}  // namespace

TShiftState MouseShiftState(WPARAM keyFlags)
{
    TShiftState s = 0;
    if (keyFlags & MK_SHIFT)
        s |= ssShift;
    if (keyFlags & MK_CONTROL)
        s |= ssCtrl;
    if (keyFlags & MK_LBUTTON)
        s |= ssLeft;
    if (keyFlags & MK_RBUTTON)
        s |= ssRight;
    if (keyFlags & MK_MBUTTON)
        s |= ssMiddle;
    if (GetKeyState(VK_MENU) < 0)
        s |= ssAlt;
    return s;
}

// ---------------------------------------------------------------- TControl

TControl::TControl(TComponent* AOwner) : TComponent(AOwner)
{
    FFont.OnChange = [this](TObject*) {
        if (!FTakingParentFont)
            FParentFont = false;
        FontChanged();
    };
}

TControl::~TControl()
{
    FFont.OnChange = nullptr;
    if (FParent)
        FParent->RemoveControl(this);
}

void TControl::SetParent(TWinControl* AParent)
{
    if (AParent == FParent)
        return;
    if (FParent)
        FParent->RemoveControl(this);
    if (AParent) {
        AParent->InsertControl(this);
        if (FParentFont)
            TakeParentFont();
        Invalidate();
    }
}

void TControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight)
{
    AWidth = std::max(AWidth, 0);
    AHeight = std::max(AHeight, 0);
    if (ALeft == FLeft && ATop == FTop && AWidth == FWidth && AHeight == FHeight)
        return;
    TRect old = BoundsRect();
    FLeft = ALeft;
    FTop = ATop;
    FWidth = AWidth;
    FHeight = AHeight;
    BoundsChanged(old);
    if (FAlign != alNone)
        RequestAlign();
}

void TControl::SetClientWidth(int v) { SetWidth(FWidth - ClientWidth() + v); }

void TControl::SetClientHeight(int v) { SetHeight(FHeight - ClientHeight() + v); }

void TControl::SetVisible(bool v)
{
    if (v == FVisible)
        return;
    FVisible = v;
    VisibleChanged();
    if (FAlign != alNone)
        RequestAlign();
}

void TControl::SetEnabled(bool v)
{
    if (v == FEnabled)
        return;
    FEnabled = v;
    Invalidate();
}

void TControl::SetAlign(TAlign v)
{
    if (v == FAlign)
        return;
    FAlign = v;
    RequestAlign();
}

void TControl::SetParentFont(bool v)
{
    FParentFont = v;
    if (v && FParent)
        TakeParentFont();
}

void TControl::TakeParentFont()
{
    FTakingParentFont = true;
    try {
        FFont.Assign(FParent->Font());
    } catch (...) {
        FTakingParentFont = false;
        throw;
    }
    FTakingParentFont = false;
}

void TControl::SetColor(TColor v)
{
    if (v == FColor)
        return;
    FColor = v;
    Invalidate();
}

void TControl::SetText(const std::string& v)
{
    if (v == GetText())
        return;
    FText = v;
    TextChanged();
}

void TControl::Invalidate() {}

void TControl::Repaint() {}

void TControl::FontChanged() { Invalidate(); }

void TControl::BoundsChanged(const TRect& /*oldBounds*/) {}

void TControl::VisibleChanged() {}

void TControl::RequestAlign()
{
    if (FParent && !FParent->FAligning)
        FParent->Realign();
}

void TControl::Click()
{
    if (OnClick)
        Application->Guard([this] { OnClick(this); });
}

void TControl::DblClick()
{
    if (OnDblClick)
        Application->Guard([this] { OnDblClick(this); });
}

void TControl::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (OnMouseDown)
        Application->Guard([&] { OnMouseDown(this, Button, Shift, X, Y); });
}

void TControl::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (OnMouseUp)
        Application->Guard([&] { OnMouseUp(this, Button, Shift, X, Y); });
}

void TControl::MouseMove(TShiftState Shift, int X, int Y)
{
    if (OnMouseMove)
        Application->Guard([&] { OnMouseMove(this, Shift, X, Y); });
}

// ---------------------------------------------------------------- TWinControl

TWinControl::TWinControl(TComponent* AOwner) : TControl(AOwner) {}

TWinControl::~TWinControl()
{
    // The children's windows go with ours; the children themselves are their owner's.
    for (TControl* c : FControls)
        c->FParent = nullptr;
    FControls.clear();
    FTabList.clear();
    FMouseControl = nullptr;
    DestroyHandle();
}

HWND TWinControl::Handle()
{
    CreateHandle();
    return FHandle;
}

void TWinControl::SetParent(TWinControl* AParent)
{
    TControl::SetParent(AParent);
    if (FHandle) {
        if (AParent && AParent->HandleAllocated())
            ::SetParent(FHandle, AParent->FHandle);
        else
            DestroyHandle();
    } else if (AParent && AParent->HandleAllocated()) {
        CreateHandle();
    }
}

TControl* TWinControl::Controls(int index) const
{
    if (index < 0 || index >= ControlCount())
        throw EListError(index);
    return FControls[static_cast<size_t>(index)];
}

int TWinControl::TabOrder() const
{
    if (!Parent())
        return -1;
    const auto& list = Parent()->FTabList;
    auto it = std::find(list.begin(), list.end(), this);
    return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

void TWinControl::SetTabOrder(int v)
{
    int current = TabOrder();
    if (current < 0)
        return;
    auto& list = Parent()->FTabList;
    v = std::clamp(v, 0, static_cast<int>(list.size()) - 1);
    list.erase(list.begin() + current);
    list.insert(list.begin() + v, this);
}

void TWinControl::SetTabStop(bool v)
{
    FTabStop = v;
    if (FHandle) {
        const LONG style = GetWindowLongA(FHandle, GWL_STYLE);
        SetWindowLongA(FHandle, GWL_STYLE, v ? style | WS_TABSTOP : style & ~WS_TABSTOP);
    }
}

void TWinControl::GetTabOrderList(std::vector<TWinControl*>& list) const
{
    for (TWinControl* c : FTabList) {
        if (!c->FVisible || !c->FEnabled)
            continue;
        if (c->FTabStop)
            list.push_back(c);
        c->GetTabOrderList(list);
    }
}

int TWinControl::ClientWidth() const
{
    if (!FHandle)
        return FWidth;
    RECT r;
    GetClientRect(FHandle, &r);
    return r.right;
}

int TWinControl::ClientHeight() const
{
    if (!FHandle)
        return FHeight;
    RECT r;
    GetClientRect(FHandle, &r);
    return r.bottom;
}

void TWinControl::SetEnabled(bool v)
{
    TControl::SetEnabled(v);
    if (FHandle)
        EnableWindow(FHandle, v);
}

void TWinControl::Invalidate()
{
    if (FHandle)
        InvalidateRect(FHandle, nullptr, TRUE);
}

void TWinControl::Repaint()
{
    Invalidate();
    if (FHandle)
        UpdateWindow(FHandle);
}

void TWinControl::Realign()
{
    if (FAligning)
        return;
    FAligning = true;
    try {
        TRect r = ClientRect();
        AdjustClientRect(r);
        for (TAlign a : {alTop, alBottom, alLeft, alRight, alClient}) {
            for (TControl* c : FControls) {
                if (c->FAlign != a || !c->FVisible)
                    continue;
                switch (a) {
                case alTop:
                    c->SetBounds(r.Left, r.Top, r.Width(), c->FHeight);
                    r.Top += c->FHeight;
                    break;
                case alBottom:
                    c->SetBounds(r.Left, r.Bottom - c->FHeight, r.Width(), c->FHeight);
                    r.Bottom -= c->FHeight;
                    break;
                case alLeft:
                    c->SetBounds(r.Left, r.Top, c->FWidth, r.Height());
                    r.Left += c->FWidth;
                    break;
                case alRight:
                    c->SetBounds(r.Right - c->FWidth, r.Top, c->FWidth, r.Height());
                    r.Right -= c->FWidth;
                    break;
                case alClient:
                    c->SetBounds(r.Left, r.Top, r.Width(), r.Height());
                    break;
                case alNone:
                    break;
                }
            }
        }
    } catch (...) {
        FAligning = false;
        throw;
    }
    FAligning = false;
    if (FAutoSize && !Loading())
        AdjustSize();
}

void TWinControl::SetAutoSize(bool v)
{
    FAutoSize = v;
    if (v)
        Realign();
}

// Targets are absolute, so a nested alignment during the first resize asks for the same.
void TWinControl::AdjustSize()
{
    TRect inner = ClientRect();
    AdjustClientRect(inner);
    bool any = false;
    int right = 0, bottom = 0;
    for (TControl* c : FControls) {
        if (!c->FVisible)
            continue;
        right = any ? std::max(right, c->FLeft + c->FWidth) : c->FLeft + c->FWidth;
        bottom = any ? std::max(bottom, c->FTop + c->FHeight) : c->FTop + c->FHeight;
        any = true;
    }
    if (!any)
        return;
    const int width = right + ClientWidth() - inner.Right;
    const int height = bottom + ClientHeight() - inner.Bottom;
    if (width != ClientWidth())
        SetClientWidth(width);
    if (height != ClientHeight())
        SetClientHeight(height);
}

bool TWinControl::DialogKey(UINT msg, WPARAM key)
{
    for (TControl* c : FControls) {
        auto* w = dynamic_cast<TWinControl*>(c);
        if (w && w->DialogKey(msg, key))
            return true;
    }
    return false;
}

TWinControl* TWinControl::FromHandle(HWND wnd)
{
    if (!wnd || reinterpret_cast<WNDPROC>(GetWindowLongPtrA(wnd, GWLP_WNDPROC)) != StaticWndProc)
        return nullptr;
    return reinterpret_cast<TWinControl*>(GetWindowLongPtrA(wnd, GWLP_USERDATA));
}

void TWinControl::CreateParams(TCreateParams& params)
{
    params.Style = WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    if (FTabStop)
        params.Style |= WS_TABSTOP;
    if (FVisible)
        params.Style |= WS_VISIBLE;
    if (!FEnabled)
        params.Style |= WS_DISABLED;
    params.X = FLeft;
    params.Y = FTop;
    params.Width = FWidth;
    params.Height = FHeight;
    params.WndParent = Parent() ? Parent()->Handle() : nullptr;
    // Ids follow the creation order, so a window can be found from outside the program.
    if (Owner())
        for (int i = 0; i < Owner()->ComponentCount(); ++i)
            if (Owner()->Components(i) == this)
                params.Id = i + 1;
}

void TWinControl::CreateHandle()
{
    if (FHandle)
        return;
    TCreateParams params;
    CreateParams(params);
    if ((params.Style & WS_CHILD) && !params.WndParent)
        throw EInvalidOperation(Format("コントロール '%s' に親ウィンドウがありません", Name.c_str()));
    HINSTANCE instance = GetModuleHandleA(nullptr);
    const char* className = params.WinClassName;
    if (!className) {
        static const bool registered = [instance] {
            WNDCLASSA wc{};
            wc.style = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
            wc.lpfnWndProc = StaticWndProc;
            wc.hInstance = instance;
            // The forms' captions show the program's icon; child windows ignore it.
            wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(KOVA_ICON));
            wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
            wc.lpszClassName = WindowClassName;
            return RegisterClassA(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
        }();
        if (!registered)
            throw EOutOfResources("ウィンドウクラスの作成エラー");
        className = WindowClassName;
    }
    // Our own class takes `this` on WM_NCCREATE; a system class is subclassed after.
    HMENU id = (params.Style & WS_CHILD) ? reinterpret_cast<HMENU>(static_cast<INT_PTR>(params.Id)) : nullptr;
    HWND wnd = CreateWindowExA(params.ExStyle, className, FText.c_str(), params.Style, params.X, params.Y,
                               params.Width, params.Height, params.WndParent, id, instance,
                               params.WinClassName ? nullptr : this);
    if (!wnd)
        throw EOutOfResources("ウィンドウの作成エラー");
    if (params.WinClassName) {
        FHandle = wnd;
        SetWindowLongPtrA(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        FDefWndProcW = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(wnd, GWLP_WNDPROC));
        FDefWndProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(StaticWndProc)));
    }
    SendMessageA(FHandle, WM_SETFONT, reinterpret_cast<WPARAM>(Font()->Handle()), FALSE);
    UpdateBounds();
    HandleCreated();
    for (TControl* c : FControls)
        if (auto* w = dynamic_cast<TWinControl*>(c))
            w->CreateHandle();
}

void TWinControl::DestroyHandle()
{
    if (!FHandle)
        return;
    HWND wnd = FHandle;
    // Detach first: no message of the dying window reaches a half-destroyed object.
    if (FDefWndProc)
        SetWindowLongPtrA(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FDefWndProc));
    SetWindowLongPtrA(wnd, GWLP_USERDATA, 0);
    FHandle = nullptr;
    FDefWndProc = nullptr;
    DestroyWindow(wnd);
}

LRESULT CALLBACK TWinControl::StaticWndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_NCCREATE) {
        auto* self = static_cast<TWinControl*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        if (self) {
            self->FHandle = wnd;
            SetWindowLongPtrA(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        }
    }
    auto* self = reinterpret_cast<TWinControl*>(GetWindowLongPtrA(wnd, GWLP_USERDATA));
    if (!self)
        return DefWindowProcA(wnd, msg, wParam, lParam);
    try {
        return self->WndProc(msg, wParam, lParam);
    } catch (...) {
        Application->HandleException(self);
        return 0;
    }
}

LRESULT TWinControl::WndProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_PAINT:
        if (OwnClass()) {
            PaintDC paint(FHandle);
            PaintHandler(paint.dc(), paint.update());
            return 0;
        }
        break;
    case WM_PRINTCLIENT:
        if (OwnClass()) {
            RECT r;
            GetClientRect(FHandle, &r);
            PaintHandler(reinterpret_cast<HDC>(wParam), r);
            return 0;
        }
        break;
    case WM_ERASEBKGND:
        // The background is filled while painting, around the opaque children.
        if (OwnClass())
            return 1;
        break;
    case WM_MOVE:
        UpdateBounds();
        break;
    case WM_SIZE: {
        LRESULT result = DefaultHandler(msg, wParam, lParam);
        UpdateBounds();
        if (wParam != SIZE_MINIMIZED)
            Realign();
        return result;
    }
    case WM_CHAR: {
        LRESULT result = 0;
        if (FDefWndProc && JoinDoubleByteChar(wParam, lParam, result))
            return result;
        break;
    }
    case WM_CAPTURECHANGED:
        if (FMouseControl)
            FMouseControl->FClicked = false;
        FMouseControl = nullptr;
        break;
    case WM_NCDESTROY: {
        LRESULT result = DefaultHandler(msg, wParam, lParam);
        FHandle = nullptr;
        FDefWndProc = nullptr;
        return result;
    }
    default:
        if (HWND child = NotifyingChild(msg, wParam, lParam)) {
            TWinControl* control = FromHandle(child);
            LRESULT result = 0;
            if (control && control != this && control->ReflectedMessage(msg, wParam, lParam, result))
                return result;
        } else if (OwnClass() && MouseMessage(msg, wParam, lParam)) {
            return 0;
        }
        break;
    }
    return DefaultHandler(msg, wParam, lParam);
}

// A typed double-byte character reaches an ANSI window as two WM_CHAR bytes, and Wine's
// system controls would take each byte as a character of its own: the pair is joined and
// handed to the control's Unicode procedure whole.
bool TWinControl::JoinDoubleByteChar(WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    const char byte = static_cast<char>(wParam & 0xFF);
    if (FLeadByte) {
        const char both[2] = {FLeadByte, byte};
        FLeadByte = 0;
        wchar_t wide = 0;
        if (MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, both, 2, &wide, 1) != 1)
            return false;
        result = CallWindowProcW(FDefWndProcW, FHandle, WM_CHAR, wide, lParam);
        return true;
    }
    if (wParam <= 0xFF && IsDBCSLeadByte(static_cast<BYTE>(byte))) {
        FLeadByte = byte;
        return true;
    }
    return false;
}

LRESULT TWinControl::DefaultHandler(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (FDefWndProc)
        return CallWindowProcA(FDefWndProc, FHandle, msg, wParam, lParam);
    return DefWindowProcA(FHandle, msg, wParam, lParam);
}

bool TWinControl::ReflectedMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

std::string TWinControl::GetText() const
{
    if (!FHandle)
        return FText;
    std::string text(static_cast<size_t>(GetWindowTextLengthA(FHandle)) + 1, '\0');
    int n = GetWindowTextA(FHandle, text.data(), static_cast<int>(text.size()));
    text.resize(static_cast<size_t>(std::max(n, 0)));
    return text;
}

void TWinControl::TextChanged()
{
    if (FHandle)
        SetWindowTextA(FHandle, FText.c_str());
}

void TWinControl::FontChanged()
{
    if (FHandle)
        SendMessageA(FHandle, WM_SETFONT, reinterpret_cast<WPARAM>(Font()->Handle()), TRUE);
    Invalidate();
    for (TControl* c : FControls)
        if (c->FParentFont)
            c->TakeParentFont();
}

void TWinControl::BoundsChanged(const TRect& /*oldBounds*/)
{
    if (FHandle)
        SetWindowPos(FHandle, nullptr, FLeft, FTop, FWidth, FHeight, SWP_NOZORDER | SWP_NOACTIVATE);
}

void TWinControl::VisibleChanged()
{
    if (FHandle)
        ShowWindow(FHandle, FVisible ? SW_SHOW : SW_HIDE);
}

void TWinControl::Loaded()
{
    TControl::Loaded();
    Realign();
}

void TWinControl::UpdateBounds()
{
    if (!FHandle)
        return;
    RECT r;
    if (IsIconic(FHandle)) {
        WINDOWPLACEMENT placement{};
        placement.length = sizeof placement;
        GetWindowPlacement(FHandle, &placement);
        r = placement.rcNormalPosition;
    } else {
        GetWindowRect(FHandle, &r);
        if (Parent() && Parent()->FHandle)
            MapWindowPoints(HWND_DESKTOP, Parent()->FHandle, reinterpret_cast<POINT*>(&r), 2);
    }
    FLeft = r.left;
    FTop = r.top;
    FWidth = r.right - r.left;
    FHeight = r.bottom - r.top;
}

void TWinControl::InsertControl(TControl* c)
{
    FControls.push_back(c);
    c->FParent = this;
    if (auto* w = dynamic_cast<TWinControl*>(c))
        FTabList.push_back(w);
    if (c->FAlign != alNone)
        Realign();
}

void TWinControl::RemoveControl(TControl* c)
{
    if (FMouseControl == c)
        FMouseControl = nullptr;
    FControls.erase(std::remove(FControls.begin(), FControls.end(), c), FControls.end());
    FTabList.erase(std::remove_if(FTabList.begin(), FTabList.end(),
                                  [c](TWinControl* w) { return static_cast<TControl*>(w) == c; }),
                   FTabList.end());
    c->FParent = nullptr;
    if (c->FAlign != alNone)
        Realign();
}

TControl* TWinControl::ControlAtPos(int x, int y) const
{
    for (auto it = FControls.rbegin(); it != FControls.rend(); ++it) {
        TControl* c = *it;
        if (dynamic_cast<TGraphicControl*>(c) && c->FVisible && c->FEnabled && Contains(c->BoundsRect(), x, y))
            return c;
    }
    return nullptr;
}

void TWinControl::PaintHandler(HDC dc, const RECT& update)
{
    // BeginPaint validated the whole update region, which holds every pending child.
    for (TControl* c : FControls)
        if (auto* g = dynamic_cast<TGraphicControl*>(c))
            g->FInvalidated = false;
    {
        DCState state(dc);
        for (TControl* c : FControls) {
            auto* g = dynamic_cast<TGraphicControl*>(c);
            if (g && g->FVisible && g->Opaque())
                ExcludeClipRect(dc, g->FLeft, g->FTop, g->FLeft + g->FWidth, g->FTop + g->FHeight);
        }
        TDCCanvas canvas(dc);
        canvas.Brush()->SetColor(FColor);
        canvas.FillRect(Rect(update.left, update.top, update.right, update.bottom));
    }
    {
        TDCCanvas canvas(dc);
        PaintWindow(&canvas);
    }
    for (TControl* c : FControls) {
        auto* g = dynamic_cast<TGraphicControl*>(c);
        if (!g || !g->FVisible)
            continue;
        RECT bounds = g->BoundsRect().ToRECT();
        RECT visible;
        if (!IntersectRect(&visible, &bounds, &update))
            continue;
        DCState state(dc);
        OffsetViewportOrgEx(dc, g->FLeft, g->FTop, nullptr);
        IntersectClipRect(dc, 0, 0, g->FWidth, g->FHeight);
        TDCCanvas canvas(dc);
        g->Paint(&canvas);
    }
}

bool TWinControl::MouseMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
    switch (msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        MousePress(mbLeft, msg == WM_LBUTTONDBLCLK, wParam, x, y);
        return true;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
        MousePress(mbRight, msg == WM_RBUTTONDBLCLK, wParam, x, y);
        return true;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
        MousePress(mbMiddle, msg == WM_MBUTTONDBLCLK, wParam, x, y);
        return true;
    case WM_LBUTTONUP:
        MouseRelease(mbLeft, wParam, x, y);
        return true;
    case WM_RBUTTONUP:
        MouseRelease(mbRight, wParam, x, y);
        return true;
    case WM_MBUTTONUP:
        MouseRelease(mbMiddle, wParam, x, y);
        return true;
    case WM_MOUSEMOVE: {
        TControl* target = MouseTarget(x, y);
        int ox = target == this ? 0 : target->FLeft, oy = target == this ? 0 : target->FTop;
        target->MouseMove(MouseShiftState(wParam), x - ox, y - oy);
        return true;
    }
    default:
        return false;
    }
}

TControl* TWinControl::MouseTarget(int x, int y) const
{
    if (FMouseControl)
        return FMouseControl;
    TControl* c = ControlAtPos(x, y);
    return c ? c : const_cast<TWinControl*>(this);
}

void TWinControl::MousePress(TMouseButton button, bool doubleClick, WPARAM wParam, int x, int y)
{
    TControl* target = MouseTarget(x, y);
    int ox = target == this ? 0 : target->FLeft, oy = target == this ? 0 : target->FTop;
    TShiftState shift = MouseShiftState(wParam) | (doubleClick ? ssDouble : 0);
    if (button == mbLeft) {
        SetCapture(FHandle);
        FMouseControl = target;
        target->FClicked = !doubleClick;
        if (doubleClick)
            target->DblClick();
    }
    target->MouseDown(button, shift, x - ox, y - oy);
}

void TWinControl::MouseRelease(TMouseButton button, WPARAM wParam, int x, int y)
{
    TControl* target = MouseTarget(x, y);
    int cx = x - (target == this ? 0 : target->FLeft), cy = y - (target == this ? 0 : target->FTop);
    if (button == mbLeft) {
        bool clicked = target->FClicked;
        target->FClicked = false;
        if (GetCapture() == FHandle)
            ReleaseCapture();
        FMouseControl = nullptr;
        if (clicked && Contains(target->ClientRect(), cx, cy))
            target->Click();
    }
    target->MouseUp(button, MouseShiftState(wParam), cx, cy);
}

// ---------------------------------------------------------------- TGraphicControl

TGraphicControl::~TGraphicControl()
{
    if (FVisible)
        InvalidateRect(BoundsRect());
}

void TGraphicControl::Invalidate()
{
    if (!FVisible || FInvalidated || !Parent() || !Parent()->HandleAllocated())
        return;
    FInvalidated = true;
    InvalidateRect(BoundsRect());
}

void TGraphicControl::Repaint()
{
    Invalidate();
    if (Parent() && Parent()->HandleAllocated())
        UpdateWindow(Parent()->Handle());
}

void TGraphicControl::BoundsChanged(const TRect& oldBounds)
{
    if (!FVisible)
        return;
    InvalidateRect(oldBounds);
    InvalidateRect(BoundsRect());
}

void TGraphicControl::VisibleChanged() { InvalidateRect(BoundsRect()); }

void TGraphicControl::InvalidateRect(const TRect& r)
{
    if (!Parent() || !Parent()->HandleAllocated())
        return;
    RECT rc = r.ToRECT();
    ::InvalidateRect(Parent()->Handle(), &rc, FALSE);
}

// ---------------------------------------------------------------- TDCCanvas

// Nothing to create: the base raises when a released canvas is drawn on.
void TDCCanvas::CreateHandle() {}

}  // namespace kova
