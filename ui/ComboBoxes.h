#pragma once
// The drop-down list combo box (the system COMBOBOX class), plain or owner-drawn with
// items of one fixed height.
#include <cstdint>
#include <functional>
#include <string>

#include "ui/Controls.h"

namespace kova {

// The itemState bits of DRAWITEMSTRUCT (ODS_...).
using TOwnerDrawState = uint16_t;
constexpr TOwnerDrawState odSelected = ODS_SELECTED;
constexpr TOwnerDrawState odFocused = ODS_FOCUS;
constexpr TOwnerDrawState odComboBoxEdit = ODS_COMBOBOXEDIT;

using TDrawItemEvent =
    std::function<void(TWinControl* Control, int Index, const TRect& Rect, TOwnerDrawState State)>;

// A canvas on a DC lent to it for a while (an owner-draw DC); keeps its pen, brush and
// font between loans.
class TControlCanvas : public TCanvas {
public:
    void Attach(HDC dc) { SetHandle(dc); }
    void Detach() { SetHandle(nullptr); }

protected:
    // Outside a loan there is nothing to draw on; the base raises.
    void CreateHandle() override {}
};

class TComboBox;

// The items. Changes made through these members go to the window; the TStrings members
// that these hide would bypass it.
class TComboBoxItems : public TStrings {
public:
    explicit TComboBoxItems(TComboBox* combo) : FCombo(combo) {}
    int Add(const std::string& s);
    void Clear();

private:
    TComboBox* FCombo;
};

enum TComboBoxStyle { csDropDownList, csOwnerDrawFixed };

class TComboBox : public TWinControl {
public:
    explicit TComboBox(TComponent* AOwner);

    TComboBoxItems* Items() { return &FItems; }
    // -1 when no item is selected. Setting it raises no OnChange.
    int ItemIndex() const;
    void SetItemIndex(int v);
    TComboBoxStyle Style() const { return FStyle; }
    // Takes effect when the window is made.
    void SetStyle(TComboBoxStyle v) { FStyle = v; }
    int ItemHeight() const { return FItemHeight; }
    void SetItemHeight(int v);
    // The canvas that OnDrawItem draws on.
    TCanvas* Canvas() { return &FCanvas; }

    // The user chose another item.
    TNotifyEvent OnChange;
    // Draws item Index of an owner-drawn list. Before it runs, the canvas has the list's
    // font and colour, or the highlight colours for a selected item; an area without an
    // item is filled without it, and the focus rectangle is drawn after it.
    TDrawItemEvent OnDrawItem;

    bool WantsKey(WPARAM key) override;

protected:
    void CreateParams(TCreateParams& params) override;
    void HandleCreated() override;
    bool ReflectedMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void BoundsChanged(const TRect& oldBounds) override;

private:
    friend class TComboBoxItems;
    // Rows of the dropped-down list, beyond the selection field.
    int DropDownHeight() const { return FItemHeight * 8 + 2; }
    void DrawItem(const DRAWITEMSTRUCT& item);

    TComboBoxItems FItems{this};
    TComboBoxStyle FStyle = csDropDownList;
    int FItemHeight = 16;
    int FItemIndex = -1;
    TControlCanvas FCanvas;
};

}  // namespace kova
