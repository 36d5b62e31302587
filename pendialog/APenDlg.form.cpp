// Form description of the pen dialog's window: its components in creation order and their
// stored properties. Handlers live in APenDlg.cpp.
#include "pendialog/APenDlg.h"

namespace kova {

namespace {

TLabel* NewLabel(TComponent* owner, TWinControl* parent, const char* name, int left, int top,
                 const char* caption)
{
    auto* label = new TLabel(owner);
    label->Name = name;
    label->SetParent(parent);
    label->SetLeft(left);
    label->SetTop(top);
    label->SetCaption(caption);
    return label;
}

TComboBox* NewList(TComponent* owner, TWinControl* parent, const char* name)
{
    auto* list = new TComboBox(owner);
    list->Name = name;
    list->SetStyle(csOwnerDrawFixed);
    list->SetParent(parent);
    list->SetBounds(40, 19, 201, 22);
    list->SetItemHeight(16);
    return list;
}

}  // namespace

void TfrmPenDialog::Describe()
{
    Name = "frmPenDialog";
    SetLeft(354);
    SetTop(254);
    SetAutoSize(true);
    SetBorderStyle(bsDialog);
    SetCaption("線の設定");
    SetClientWidth(277);
    SetClientHeight(211);
    SetColor(clBtnFace);
    SetStoredFormFont(Font(), clWindowText);
    SetPosition(poDesktopCenter);
    SetPixelsPerInch(96);
    OnCreate = [this](TObject* s) { FormCreate(s); };
    OnDestroy = [this](TObject* s) { FormDestroy(s); };
    OnShow = [this](TObject* s) { FormShow(s); };

    pnlSpacer = NewControl<TPanel>(this, this, "pnlSpacer", 0, 0, 277, 170);
    pnlSpacer->SetAlign(alTop);
    pnlSpacer->SetAutoSize(true);
    pnlSpacer->SetBevelInner(bvLowered);
    pnlSpacer->SetBevelOuter(bvNone);
    pnlSpacer->SetBorderWidth(8);
    pnlSpacer->SetTabOrder(0);

    pnlColorPanel = NewControl<TPanel>(this, pnlSpacer, "pnlColorPanel", 9, 9, 259, 55);
    pnlColorPanel->SetAlign(alTop);
    pnlColorPanel->SetBevelOuter(bvNone);
    pnlColorPanel->SetVisible(false);
    pnlColorPanel->SetTabOrder(0);

    lblColor = NewLabel(this, pnlColorPanel, "lblColor", 16, 8, "線の色");

    pnlColor = NewControl<TPanel>(this, pnlColorPanel, "pnlColor", 40, 22, 201, 22);
    pnlColor->SetBevelWidth(2);
    pnlColor->SetCaption("クリックして設定");
    pnlColor->SetColor(clBlack);
    SetStoredFormFont(pnlColor->Font(), clWhite);
    pnlColor->OnClick = [this](TObject* s) { pnlColorClick(s); };

    pnlStylePanel = NewControl<TPanel>(this, pnlSpacer, "pnlStylePanel", 9, 64, 259, 48);
    pnlStylePanel->SetAlign(alTop);
    pnlStylePanel->SetBevelOuter(bvNone);
    pnlStylePanel->SetVisible(false);
    pnlStylePanel->SetTabOrder(1);

    lblPenStyle = NewLabel(this, pnlStylePanel, "lblPenStyle", 16, 5, "線の形");

    cmbPenStyle = NewList(this, pnlStylePanel, "cmbPenStyle");
    for (const char* item : {"実線", "破線", "点線", "一点鎖線", "二点鎖線"})
        cmbPenStyle->Items()->Add(item);
    cmbPenStyle->OnChange = [this](TObject* s) { cmbPenStyleChange(s); };
    cmbPenStyle->OnDrawItem = [this](TWinControl* c, int i, const TRect& r, TOwnerDrawState st) {
        cmbPenStyleDrawItem(c, i, r, st);
    };

    pnlWidthPanel = NewControl<TPanel>(this, pnlSpacer, "pnlWidthPanel", 9, 112, 259, 49);
    pnlWidthPanel->SetAlign(alTop);
    pnlWidthPanel->SetBevelOuter(bvNone);
    pnlWidthPanel->SetVisible(false);
    pnlWidthPanel->SetTabOrder(2);

    lblWidth = NewLabel(this, pnlWidthPanel, "lblWidth", 16, 5, "線の幅");

    cmbPenWidth = NewList(this, pnlWidthPanel, "cmbPenWidth");
    cmbPenWidth->OnChange = [this](TObject* s) { cmbPenWidthChange(s); };
    cmbPenWidth->OnDrawItem = [this](TWinControl* c, int i, const TRect& r, TOwnerDrawState st) {
        cmbPenWidthDrawItem(c, i, r, st);
    };

    pnlOKCancel = NewControl<TPanel>(this, this, "pnlOKCancel", 0, 170, 277, 41);
    pnlOKCancel->SetAlign(alTop);
    pnlOKCancel->SetBevelOuter(bvNone);
    pnlOKCancel->SetTabOrder(1);

    btnOK = NewControl<TButton>(this, pnlOKCancel, "btnOK", 192, 8, 75, 25);
    btnOK->SetCaption("&OK");
    btnOK->SetDefault(true);
    btnOK->SetTabOrder(0);
    btnOK->OnClick = [this](TObject* s) { btnOKClick(s); };

    btnCancel = NewControl<TButton>(this, pnlOKCancel, "btnCancel", 104, 8, 83, 25);
    btnCancel->SetCaption("キャンセル(&C)");
    btnCancel->SetCancel(true);
    btnCancel->SetTabOrder(1);
    btnCancel->OnClick = [this](TObject* s) { btnCancelClick(s); };

    ColorDialog = new TColorDialog(this);
    ColorDialog->Name = "ColorDialog";
}

}  // namespace kova
