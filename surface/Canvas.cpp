// The canvas: one pen, brush and font selected into a DC on demand.
#include "surface/Graphics.h"

#include "base/Exceptions.h"

namespace kova {

TCanvas::TCanvas()
{
    FPen.OnChange = [this](TObject*) {
        ObjectChanged(FPen.HandleAllocated() ? FPen.Handle() : nullptr, FSelectedPen, FOldPen);
    };
    FBrush.OnChange = [this](TObject*) {
        ObjectChanged(FBrush.HandleAllocated() ? FBrush.Handle() : nullptr, FSelectedBrush, FOldBrush);
    };
    FFont.OnChange = [this](TObject*) {
        ObjectChanged(FFont.HandleAllocated() ? FFont.Handle() : nullptr, FSelectedFont, FOldFont);
    };
}

TCanvas::~TCanvas() { SetHandle(nullptr); }

void TCanvas::SetHandle(HDC dc)
{
    if (dc == FHandle)
        return;
    DeselectObjects();
    FHandle = dc;
    if (FHandle)
        MoveToEx(FHandle, FPenPos.x, FPenPos.y, nullptr);
}

void TCanvas::Changed()
{
    if (OnChange)
        OnChange(this);
}

HDC TCanvas::Handle() { return RequiredState(NeedAll); }

HDC TCanvas::RequiredState(uint8_t needs)
{
    NeedHandle();
    if (!FHandle)
        throw EInvalidOperation("キャンバスに描画できません");
    if (needs & NeedPen) {
        Select(FPen.Handle(), FSelectedPen, FOldPen);
        SetROP2(FHandle, FPen.Rop2());
    }
    if (needs & NeedBrush) {
        Select(FBrush.Handle(), FSelectedBrush, FOldBrush);
        const COLORREF brushColor = ColorToRGB(FBrush.Color());
        if (FBrush.Style() == bsSolid) {
            SetBkColor(FHandle, brushColor);
            SetBkMode(FHandle, OPAQUE);
        } else {
            // Hatches vanish when the background colour equals the brush colour.
            SetBkColor(FHandle, ~brushColor & 0xFFFFFF);
            SetBkMode(FHandle, TRANSPARENT);
        }
    }
    if (needs & NeedFont) {
        Select(FFont.Handle(), FSelectedFont, FOldFont);
        SetTextColor(FHandle, ColorToRGB(FFont.Color()));
    }
    return FHandle;
}

void TCanvas::Select(HGDIOBJ obj, HGDIOBJ& selected, HGDIOBJ& old)
{
    if (obj == selected)
        return;
    HGDIOBJ previous = SelectObject(FHandle, obj);
    if (!previous)
        throw EOutOfResources("描画オブジェクトを選択できません");
    if (!old)
        old = previous;
    selected = obj;
}

void TCanvas::Deselect(HGDIOBJ& selected, HGDIOBJ& old)
{
    if (!selected)
        return;
    SelectObject(FHandle, old);
    selected = old = nullptr;
}

void TCanvas::DeselectObjects()
{
    Deselect(FSelectedPen, FOldPen);
    Deselect(FSelectedBrush, FOldBrush);
    Deselect(FSelectedFont, FOldFont);
}

void TCanvas::ObjectChanged(HGDIOBJ current, HGDIOBJ& selected, HGDIOBJ& old)
{
    // A changed object gives up its handle; it must not be deleted while we hold it.
    if (current != selected)
        Deselect(selected, old);
}

void TCanvas::MoveTo(int x, int y)
{
    FPenPos = {x, y};
    if (FHandle)
        MoveToEx(FHandle, x, y, nullptr);
}

void TCanvas::LineTo(int x, int y)
{
    ::LineTo(RequiredState(NeedPen | NeedBrush), x, y);  // the brush colours the gaps of a styled pen
    FPenPos = {x, y};
    Changed();
}

void TCanvas::Ellipse(int x1, int y1, int x2, int y2)
{
    ::Ellipse(RequiredState(NeedPen | NeedBrush), x1, y1, x2, y2);
    Changed();
}

void TCanvas::FillRect(const TRect& r)
{
    const RECT rc = r.ToRECT();
    HDC dc = RequiredState(NeedBrush);
    ::FillRect(dc, &rc, FBrush.Handle());
    Changed();
}

void TCanvas::CopyRect(const TRect& dest, TCanvas* source, const TRect& sourceRect)
{
    // The colours count where a monochrome bitmap is copied.
    HDC src = source->RequiredState(NeedBrush);
    HDC dc = RequiredState(NeedFont | NeedBrush);
    StretchBlt(dc, dest.Left, dest.Top, dest.Width(), dest.Height(), src, sourceRect.Left, sourceRect.Top,
               sourceRect.Width(), sourceRect.Height(), FCopyMode);
    Changed();
}

void TCanvas::Draw(int x, int y, TGraphic* graphic)
{
    if (!graphic || graphic->Empty())
        return;
    graphic->Draw(this, Rect(x, y, x + graphic->Width(), y + graphic->Height()));
    Changed();
}

void TCanvas::StretchDraw(const TRect& r, TGraphic* graphic)
{
    if (!graphic || graphic->Empty())
        return;
    graphic->Draw(this, r);
    Changed();
}

void TCanvas::TextOut(int x, int y, const std::string& text)
{
    HDC dc = RequiredState(NeedFont | NeedBrush);
    ExtTextOutA(dc, x, y, 0, nullptr, text.data(), static_cast<UINT>(text.size()), nullptr);
    SIZE size{0, 0};
    GetTextExtentPoint32A(dc, text.data(), static_cast<int>(text.size()), &size);
    MoveTo(x + size.cx, y);
    Changed();
}

void TCanvas::TextRect(const TRect& r, int x, int y, const std::string& text)
{
    const RECT rc = r.ToRECT();
    HDC dc = RequiredState(NeedFont | NeedBrush);
    const UINT options = ETO_CLIPPED | (FBrush.Style() != bsClear ? ETO_OPAQUE : 0);
    ExtTextOutA(dc, x, y, options, &rc, text.data(), static_cast<UINT>(text.size()), nullptr);
    Changed();
}

SIZE TCanvas::TextExtent(const std::string& text)
{
    SIZE size{0, 0};
    GetTextExtentPoint32A(RequiredState(NeedFont), text.data(), static_cast<int>(text.size()), &size);
    return size;
}

TColor TCanvas::Pixel(int x, int y) { return static_cast<TColor>(GetPixel(RequiredState(0), x, y)); }

}  // namespace kova
