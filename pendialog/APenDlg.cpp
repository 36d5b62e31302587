// The pen dialog component and the event handlers of its window.
#include "pendialog/APenDlg.h"

#include <algorithm>

#include "ui/Application.h"

namespace kova {

namespace {

// The style list: item index to pen style.
constexpr TPenStyle ListStyles[] = {psSolid, psDash, psDot, psDashDot, psDashDotDot};
constexpr int ListStyleCount = static_cast<int>(std::size(ListStyles));

// Every style that the list does not show reads as solid.
int StyleIndex(TPenStyle style)
{
    for (int i = 1; i < ListStyleCount; ++i)
        if (ListStyles[i] == style)
            return i;
    return 0;
}

// Sample lines wider than this would not fit an entry.
constexpr int MaxSampleWidth = 10;

}  // namespace

// ---------------------------------------------------------------- TPenDialog

TPenDialog::TPenDialog(TComponent* AOwner) : TComponent(AOwner)
{
    FDialogCaption = "線の設定";
    FMaxWidth = 10;
    SetOptions({poSetStyle, poSetColor, poSetWidth});
    FPen = std::make_unique<TPen>();
}

void TPenDialog::SetOptions(TPenDialogOptions v)
{
    if (!v.Contains(poSetStyle) && !v.Contains(poSetColor) && !v.Contains(poSetWidth)) {
        Beep();
        ShowMessage("poSetColor, poSetWidth, poSetStyleを同時にFalseにすることはできません");
        return;
    }
    FOptions = v;
}

bool TPenDialog::Execute()
{
    // The window goes on every path, also when a step or a handler raises.
    std::unique_ptr<TfrmPenDialog> form(new TfrmPenDialog(Application));
    FForm = form.get();
    struct Forget {
        TfrmPenDialog*& Form;
        ~Forget() { Form = nullptr; }
    } forget{FForm};

    FForm->SetPen(FPen.get());
    FForm->SetCaption(FDialogCaption);
    FForm->cmbPenWidth->Items()->Clear();
    for (int width = 1; width <= FMaxWidth; ++width)
        FForm->cmbPenWidth->Items()->Add(std::to_string(width));
    FForm->ColorDialog->Options = FColorOptons;
    if (OnShow)
        OnShow(this);
    const bool result = FForm->ShowWithOptions(FOptions);
    if (result)
        FPen->Assign(FForm->Pen());
    if (OnClose)
        OnClose(this);
    return result;
}

// ---------------------------------------------------------------- TfrmPenDialog

TfrmPenDialog::TfrmPenDialog(TComponent* AOwner) : TForm(AOwner)
{
    LoadForm([this] { Describe(); });
}

TfrmPenDialog::~TfrmPenDialog() { Destroying(); }

void TfrmPenDialog::SetPen(TPen* pen) { FPen->Assign(pen); }

bool TfrmPenDialog::ShowWithOptions(TPenDialogOptions options)
{
    FOptions = options;
    // The caption colour keeps the white of the description.
    pnlColor->SetColor(FPen->Color());
    cmbPenStyle->SetItemIndex(StyleIndex(FPen->Style()));
    // The list stays enabled until the user changes the width.
    ForceSolid();
    cmbPenWidth->SetItemIndex(FPen->Width() - 1);
    return ShowModal() == mrOk;
}

bool TfrmPenDialog::ForceSolid()
{
    if (FPen->Width() <= 1 || !FOptions.Contains(poAutoDisableDashes))
        return false;
    cmbPenStyle->SetItemIndex(0);
    FPen->SetStyle(psSolid);
    return true;
}

void TfrmPenDialog::RepaintLists()
{
    cmbPenStyle->Repaint();
    cmbPenWidth->Repaint();
}

void TfrmPenDialog::FormCreate(TObject* /*Sender*/) { FPen = std::make_unique<TPen>(); }

void TfrmPenDialog::FormDestroy(TObject* /*Sender*/) { FPen.reset(); }

void TfrmPenDialog::FormShow(TObject* /*Sender*/)
{
    pnlColorPanel->SetVisible(FOptions.Contains(poSetColor));
    pnlWidthPanel->SetVisible(FOptions.Contains(poSetWidth));
    pnlStylePanel->SetVisible(FOptions.Contains(poSetStyle));
}

void TfrmPenDialog::btnOKClick(TObject* /*Sender*/) { SetModalResult(mrOk); }

void TfrmPenDialog::btnCancelClick(TObject* /*Sender*/) { SetModalResult(mrCancel); }

void TfrmPenDialog::pnlColorClick(TObject* /*Sender*/)
{
    if (!ColorDialog->Execute())
        return;
    const TColor color = ColorDialog->Color;
    pnlColor->SetColor(color);
    FPen->SetColor(color);
    // A white panel needs a dark caption.
    pnlColor->Font()->SetColor(color == clWhite ? clBlack : clWhite);
    RepaintLists();
}

void TfrmPenDialog::cmbPenStyleChange(TObject* /*Sender*/)
{
    const int index = cmbPenStyle->ItemIndex();
    if (index >= 0 && index < ListStyleCount)
        FPen->SetStyle(ListStyles[index]);
    RepaintLists();
}

void TfrmPenDialog::cmbPenWidthChange(TObject* /*Sender*/)
{
    FPen->SetWidth(cmbPenWidth->ItemIndex() + 1);
    cmbPenStyle->SetEnabled(!ForceSolid());
    RepaintLists();
}

void TfrmPenDialog::cmbPenStyleDrawItem(TWinControl* /*Control*/, int Index, const TRect& Rect,
                                        TOwnerDrawState /*State*/)
{
    if (Index >= 0 && Index < ListStyleCount)
        cmbPenStyle->Canvas()->Pen()->SetStyle(ListStyles[Index]);
    DrawEntry(cmbPenStyle, Rect, FPen->Width(), cmbPenStyle->Items()->Strings(Index));
}

void TfrmPenDialog::cmbPenWidthDrawItem(TWinControl* /*Control*/, int Index, const TRect& Rect,
                                        TOwnerDrawState /*State*/)
{
    cmbPenWidth->Canvas()->Pen()->SetStyle(FPen->Style());
    DrawEntry(cmbPenWidth, Rect, Index + 1, std::to_string(Index + 1) + "pixel");
}

void TfrmPenDialog::DrawEntry(TComboBox* list, const TRect& rect, int width, const std::string& label)
{
    TCanvas* canvas = list->Canvas();
    // A line in the list's own background colour would not show.
    TColor color = FPen->Color();
    if (ColorToRGB(color) == ColorToRGB(clWindow))
        color = clWindowText;
    canvas->Pen()->SetColor(color);
    canvas->Pen()->SetWidth(std::min(width, MaxSampleWidth));
    canvas->FillRect(rect);
    canvas->TextRect(rect, 125, rect.Top + 2, label);
    const int y = (rect.Top + rect.Bottom) / 2;
    canvas->MoveTo(5, y);
    canvas->LineTo(120, y);
}

}  // namespace kova
