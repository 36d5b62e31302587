#include "ui/ExtCtrls.h"

#include <algorithm>

#include "base/Exceptions.h"
#include "ui/Application.h"

namespace kova {

namespace {

bool IsBitmap(const TGraphic* g) { return g && InheritsFrom(g->ClassType(), &TBitmap::Class); }

}  // namespace

TImage::TImage(TComponent* AOwner) : TGraphicControl(AOwner)
{
    FWidth = 105;
    FHeight = 105;
    FPicture.OnChange = [this](TObject*) { PictureChanged(); };
}

TImage::~TImage() { FPicture.OnChange = nullptr; }

TCanvas* TImage::Canvas()
{
    if (!FPicture.Graphic())
        FPicture.Bitmap()->SetSize(FWidth, FHeight);
    TGraphic* g = FPicture.Graphic();
    if (!IsBitmap(g))
        throw EInvalidOperation("ビットマップを持っている時のみイメージの変更が可能です");
    return static_cast<TBitmap*>(g)->Canvas();
}

void TImage::SetAutoSize(bool v)
{
    FAutoSize = v;
    if (v && !Loading())
        SetBounds(FLeft, FTop, FWidth, FHeight);
}

void TImage::SetStretch(bool v)
{
    FStretch = v;
    Invalidate();
}

void TImage::SetProportional(bool v)
{
    FProportional = v;
    Invalidate();
}

void TImage::SetCenter(bool v)
{
    FCenter = v;
    Invalidate();
}

void TImage::SetBounds(int ALeft, int ATop, int AWidth, int AHeight)
{
    if (FAutoSize && !Loading()) {
        AWidth = FPicture.Width();
        AHeight = FPicture.Height();
    }
    TGraphicControl::SetBounds(ALeft, ATop, AWidth, AHeight);
}

void TImage::PictureChanged()
{
    if (FAutoSize)
        TGraphicControl::SetBounds(FLeft, FTop, FPicture.Width(), FPicture.Height());
    Invalidate();
}

TRect TImage::DestRect() const
{
    int pw = FPicture.Width(), ph = FPicture.Height();
    int w = pw, h = ph;
    if (FStretch) {
        w = FWidth;
        h = FHeight;
        if (FProportional && pw > 0 && ph > 0) {
            if (static_cast<int64_t>(FWidth) * ph <= static_cast<int64_t>(FHeight) * pw)
                h = MulDiv(ph, FWidth, pw);
            else
                w = MulDiv(pw, FHeight, ph);
        }
    }
    int x = FCenter ? (FWidth - w) / 2 : 0;
    int y = FCenter ? (FHeight - h) / 2 : 0;
    return Rect(x, y, x + w, y + h);
}

bool TImage::Opaque() const
{
    const TGraphic* g = FPicture.Graphic();
    if (!IsBitmap(g) || g->Empty())
        return false;
    TRect d = DestRect();
    return d.Left <= 0 && d.Top <= 0 && d.Right >= FWidth && d.Bottom >= FHeight;
}

void TImage::Paint(TCanvas* canvas)
{
    TGraphic* g = FPicture.Graphic();
    if (!g || g->Empty())
        return;
    TRect d = DestRect();
    if (!IsBitmap(g) || d.Width() != g->Width() || d.Height() != g->Height()) {
        canvas->StretchDraw(d, g);
        return;
    }
    // Unscaled: copy only the part that needs painting.
    RECT clip;
    GetClipBox(canvas->Handle(), &clip);
    TRect r = Rect(std::max<int>(clip.left, d.Left), std::max<int>(clip.top, d.Top),
                   std::min<int>(clip.right, d.Right), std::min<int>(clip.bottom, d.Bottom));
    if (r.Width() <= 0 || r.Height() <= 0)
        return;
    TRect source = Rect(r.Left - d.Left, r.Top - d.Top, r.Right - d.Left, r.Bottom - d.Top);
    canvas->CopyRect(r, static_cast<TBitmap*>(g)->Canvas(), source);
}

namespace {

constexpr char TimerClassName[] = "KOVATimer";
constexpr UINT_PTR TimerId = 1;

}  // namespace

TTimer::TTimer(TComponent* AOwner) : TComponent(AOwner)
{
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA wc{};
    wc.lpfnWndProc = WndProc;
    wc.hInstance = instance;
    wc.lpszClassName = TimerClassName;
    if (!RegisterClassA(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        throw EOutOfResources("ウィンドウクラスの作成エラー");
    FWindow = CreateWindowExA(0, TimerClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr);
    if (!FWindow)
        throw EOutOfResources("ウィンドウの作成エラー");
    SetWindowLongPtrA(FWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

TTimer::~TTimer()
{
    SetWindowLongPtrA(FWindow, GWLP_USERDATA, 0);
    DestroyWindow(FWindow);
}

void TTimer::SetInterval(unsigned v)
{
    FInterval = v;
    Update();
}

void TTimer::SetEnabled(bool v)
{
    FEnabled = v;
    Update();
}

void TTimer::Update()
{
    KillTimer(FWindow, TimerId);
    if (FEnabled && FInterval > 0 && !SetTimer(FWindow, TimerId, FInterval, nullptr))
        throw EOutOfResources("タイマーが足りません");
}

LRESULT CALLBACK TTimer::WndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    auto* self = reinterpret_cast<TTimer*>(GetWindowLongPtrA(wnd, GWLP_USERDATA));
    if (msg == WM_TIMER && self && self->OnTimer) {
        Application->Guard([self] { self->OnTimer(self); });
        return 0;
    }
    return DefWindowProcA(wnd, msg, wParam, lParam);
}

}  // namespace kova
