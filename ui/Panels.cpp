#include "ui/Panels.h"

#include <commctrl.h>

#include <algorithm>

#include "base/Exceptions.h"

namespace kova {

namespace {

void BevelColors(TPanelBevel bevel, TColor& top, TColor& bottom)
{
    top = bevel == bvLowered ? clBtnShadow : clBtnHighlight;
    bottom = bevel == bvLowered ? clBtnHighlight : clBtnShadow;
}

void FillStrip(TCanvas* canvas, TColor color, const TRect& r)
{
    canvas->Brush()->SetColor(color);
    canvas->FillRect(r);
}

}  // namespace

void Frame3D(TCanvas* canvas, TRect& r, TColor top, TColor bottom, int width)
{
    canvas->Brush()->SetStyle(bsSolid);
    for (int i = 0; i < width && r.Width() > 0 && r.Height() > 0; ++i) {
        FillStrip(canvas, top, Rect(r.Left, r.Top, r.Right - 1, r.Top + 1));
        FillStrip(canvas, top, Rect(r.Left, r.Top, r.Left + 1, r.Bottom - 1));
        FillStrip(canvas, bottom, Rect(r.Right - 1, r.Top, r.Right, r.Bottom));
        FillStrip(canvas, bottom, Rect(r.Left, r.Bottom - 1, r.Right, r.Bottom));
        r = Rect(r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1);
    }
}

// ---------------------------------------------------------------- TPanel

TPanel::TPanel(TComponent* AOwner) : TWinControl(AOwner)
{
    FWidth = 185;
    FHeight = 41;
    FColor = clBtnFace;
}

void TPanel::SetBevelInner(TPanelBevel v)
{
    FBevelInner = v;
    FrameChanged();
}

void TPanel::SetBevelOuter(TPanelBevel v)
{
    FBevelOuter = v;
    FrameChanged();
}

void TPanel::SetBevelWidth(int v)
{
    FBevelWidth = std::max(v, 1);
    FrameChanged();
}

void TPanel::SetBorderWidth(int v)
{
    FBorderWidth = std::max(v, 0);
    FrameChanged();
}

void TPanel::FrameChanged()
{
    Realign();
    Invalidate();
}

void TPanel::AdjustClientRect(TRect& r)
{
    int inset = FBorderWidth;
    if (FBevelOuter != bvNone)
        inset += FBevelWidth;
    if (FBevelInner != bvNone)
        inset += FBevelWidth;
    r = Rect(r.Left + inset, r.Top + inset, r.Right - inset, r.Bottom - inset);
}

void TPanel::PaintWindow(TCanvas* canvas)
{
    TRect r = ClientRect();
    TColor top, bottom;
    if (FBevelOuter != bvNone) {
        BevelColors(FBevelOuter, top, bottom);
        Frame3D(canvas, r, top, bottom, FBevelWidth);
    }
    // The border is the background, already filled in the panel's colour.
    r = Rect(r.Left + FBorderWidth, r.Top + FBorderWidth, r.Right - FBorderWidth, r.Bottom - FBorderWidth);
    if (FBevelInner != bvNone) {
        BevelColors(FBevelInner, top, bottom);
        Frame3D(canvas, r, top, bottom, FBevelWidth);
    }
    const std::string caption = Caption();
    if (caption.empty())
        return;
    canvas->Font()->Assign(Font());
    canvas->Brush()->SetStyle(bsClear);
    RECT rc = r.ToRECT();
    DrawTextA(canvas->Handle(), caption.c_str(), static_cast<int>(caption.size()), &rc,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_EXPANDTABS);
}

void TPanel::TextChanged()
{
    TWinControl::TextChanged();
    Invalidate();
}

// ---------------------------------------------------------------- TPageControl

TPageControl::TPageControl(TComponent* AOwner) : TWinControl(AOwner)
{
    FWidth = 289;
    FHeight = 193;
    SetTabStop(true);
}

TPageControl::~TPageControl()
{
    for (TTabSheet* page : FPages)
        page->FPageControl = nullptr;
}

TTabSheet* TPageControl::Pages(int index) const
{
    if (index < 0 || index >= PageCount())
        throw EListError(index);
    return FPages[static_cast<size_t>(index)];
}

void TPageControl::SetActivePage(TTabSheet* page)
{
    if (page && page->FPageControl != this)
        return;
    FActivePage = page;
    for (TTabSheet* p : FPages)
        if (p != page)
            p->SetVisible(false);
    if (page) {
        page->SetVisible(true);
        if (HandleAllocated())
            SendMessageA(Handle(), TCM_SETCURSEL, static_cast<WPARAM>(page->PageIndex()), 0);
    }
}

void TPageControl::CreateParams(TCreateParams& params)
{
    static const bool registered = [] {
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_TAB_CLASSES};
        return InitCommonControlsEx(&icc) != FALSE;
    }();
    if (!registered)
        throw EOutOfResources("ウィンドウクラスの作成エラー");
    TWinControl::CreateParams(params);
    params.WinClassName = WC_TABCONTROLA;
}

void TPageControl::HandleCreated() { UpdateTabs(); }

void TPageControl::AdjustClientRect(TRect& r)
{
    if (!HandleAllocated())
        return;
    RECT rc = r.ToRECT();
    SendMessageA(Handle(), TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&rc));
    r = Rect(rc.left, rc.top, rc.right, rc.bottom);
}

bool TPageControl::ReflectedMessage(UINT msg, WPARAM /*wParam*/, LPARAM lParam, LRESULT& result)
{
    if (msg != WM_NOTIFY || reinterpret_cast<NMHDR*>(lParam)->code != static_cast<UINT>(TCN_SELCHANGE))
        return false;
    int index = static_cast<int>(SendMessageA(Handle(), TCM_GETCURSEL, 0, 0));
    if (index >= 0 && index < PageCount())
        SetActivePage(FPages[static_cast<size_t>(index)]);
    result = 0;
    return true;
}

void TPageControl::FontChanged()
{
    TWinControl::FontChanged();
    Realign();
}

void TPageControl::InsertPage(TTabSheet* page)
{
    FPages.push_back(page);
    UpdateTabs();
}

void TPageControl::RemovePage(TTabSheet* page)
{
    FPages.erase(std::remove(FPages.begin(), FPages.end(), page), FPages.end());
    if (FActivePage == page)
        FActivePage = nullptr;
    UpdateTabs();
}

void TPageControl::UpdateTabs()
{
    if (!HandleAllocated())
        return;
    HWND wnd = Handle();
    SendMessageA(wnd, TCM_DELETEALLITEMS, 0, 0);
    for (size_t i = 0; i < FPages.size(); ++i) {
        std::string text = FPages[i]->Caption();
        TCITEMA item{};
        item.mask = TCIF_TEXT;
        item.pszText = text.data();
        SendMessageA(wnd, TCM_INSERTITEMA, i, reinterpret_cast<LPARAM>(&item));
    }
    if (FActivePage)
        SendMessageA(wnd, TCM_SETCURSEL, static_cast<WPARAM>(FActivePage->PageIndex()), 0);
    // The display area moves when the tabs come or go.
    Realign();
}

// ---------------------------------------------------------------- TTabSheet

TTabSheet::TTabSheet(TComponent* AOwner) : TWinControl(AOwner)
{
    FVisible = false;
    FColor = clBtnFace;
    SetAlign(alClient);
}

TTabSheet::~TTabSheet()
{
    if (FPageControl)
        FPageControl->RemovePage(this);
}

void TTabSheet::SetPageControl(TPageControl* control)
{
    if (control == FPageControl)
        return;
    if (FPageControl)
        FPageControl->RemovePage(this);
    FPageControl = control;
    SetParent(control);
    if (control)
        control->InsertPage(this);
}

int TTabSheet::PageIndex() const
{
    if (!FPageControl)
        return -1;
    const auto& pages = FPageControl->FPages;
    return static_cast<int>(std::find(pages.begin(), pages.end(), this) - pages.begin());
}

void TTabSheet::TextChanged()
{
    TWinControl::TextChanged();
    if (FPageControl)
        FPageControl->UpdateTabs();
}

}  // namespace kova
