#pragma once
// Panels with bevels, and the page control with its pages (SysTabControl32).
#include <vector>

#include "ui/Controls.h"

namespace kova {

enum TPanelBevel { bvNone, bvLowered, bvRaised };

// A frame drawn as Frame3D does: the top and left edges in top, the bottom and right
// edges in bottom, width rings inward; r shrinks by width on each side.
void Frame3D(TCanvas* canvas, TRect& r, TColor top, TColor bottom, int width);

// A panel paints its outer bevel, a border of BorderWidth in its colour, its inner bevel
// and its caption centred. Aligned children go inside the bevels and the border.
class TPanel : public TWinControl {
public:
    explicit TPanel(TComponent* AOwner);

    TPanelBevel BevelInner() const { return FBevelInner; }
    void SetBevelInner(TPanelBevel v);
    TPanelBevel BevelOuter() const { return FBevelOuter; }
    void SetBevelOuter(TPanelBevel v);
    int BevelWidth() const { return FBevelWidth; }
    void SetBevelWidth(int v);
    int BorderWidth() const { return FBorderWidth; }
    void SetBorderWidth(int v);

protected:
    void AdjustClientRect(TRect& r) override;
    void PaintWindow(TCanvas* canvas) override;
    void TextChanged() override;

private:
    void FrameChanged();

    TPanelBevel FBevelInner = bvNone;
    TPanelBevel FBevelOuter = bvRaised;
    int FBevelWidth = 1;
    int FBorderWidth = 0;
};

class TTabSheet;

// Tabs of its pages; the active page fills the display area and the others are hidden.
class TPageControl : public TWinControl {
public:
    explicit TPageControl(TComponent* AOwner);
    ~TPageControl() override;

    int PageCount() const { return static_cast<int>(FPages.size()); }
    TTabSheet* Pages(int index) const;
    TTabSheet* ActivePage() const { return FActivePage; }
    void SetActivePage(TTabSheet* page);

protected:
    void CreateParams(TCreateParams& params) override;
    void HandleCreated() override;
    void AdjustClientRect(TRect& r) override;
    bool ReflectedMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void FontChanged() override;

private:
    friend class TTabSheet;
    void InsertPage(TTabSheet* page);
    void RemovePage(TTabSheet* page);
    // Writes the tabs to the window from the pages.
    void UpdateTabs();

    std::vector<TTabSheet*> FPages;
    TTabSheet* FActivePage = nullptr;
};

class TTabSheet : public TWinControl {
public:
    explicit TTabSheet(TComponent* AOwner);
    ~TTabSheet() override;

    TPageControl* PageControl() const { return FPageControl; }
    // Becomes the last page of the control (and its child).
    void SetPageControl(TPageControl* control);
    int PageIndex() const;

protected:
    void TextChanged() override;

private:
    friend class TPageControl;
    TPageControl* FPageControl = nullptr;
};

}  // namespace kova
