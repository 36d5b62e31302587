#pragma once
// The pen dialog component: it holds a pen and lets the user edit its colour, style and
// width in a modal window made for each Execute.
#include <memory>
#include <string>

#include "surface/Graphics.h"
#include "ui/Buttons.h"
#include "ui/ColorFontDialogs.h"
#include "ui/ComboBoxes.h"
#include "ui/Forms.h"
#include "ui/Panels.h"

namespace kova {

enum TPenDialogOption { poSetStyle, poSetColor, poSetWidth, poAutoDisableDashes };
using TPenDialogOptions = TByteSet<TPenDialogOption>;

class TfrmPenDialog;

class TPenDialog : public TComponent {
public:
    explicit TPenDialog(TComponent* AOwner);

    // True when the user closed the window with OK; Pen then holds the edited pen.
    bool Execute();

    // The pen itself: callers may set it before Execute and copy it after.
    TPen* Pen() { return FPen.get(); }

    TPenDialogOptions Options() const { return FOptions; }
    // A set without poSetStyle, poSetColor and poSetWidth is refused: a beep, a message,
    // and the old value stays.
    void SetOptions(TPenDialogOptions v);
    TColorDialogOptions ColorOptons() const { return FColorOptons; }
    void SetColorOptons(TColorDialogOptions v) { FColorOptons = v; }
    int MaxWidth() const { return FMaxWidth; }
    void SetMaxWidth(int v) { FMaxWidth = v; }
    const std::string& DialogCaption() const { return FDialogCaption; }
    void SetDialogCaption(const std::string& v) { FDialogCaption = v; }

    // Raised by Execute before the window is shown and after it has closed.
    TNotifyEvent OnShow;
    TNotifyEvent OnClose;

private:
    std::unique_ptr<TPen> FPen;
    TPenDialogOptions FOptions;
    TColorDialogOptions FColorOptons;
    int FMaxWidth = 10;
    std::string FDialogCaption;
    TfrmPenDialog* FForm = nullptr;  // while Execute runs
};

class TfrmPenDialog : public TForm {
public:
    explicit TfrmPenDialog(TComponent* AOwner);
    ~TfrmPenDialog() override;

    TColorDialog* ColorDialog = nullptr;
    TPanel* pnlSpacer = nullptr;
    TPanel* pnlOKCancel = nullptr;
    TButton* btnCancel = nullptr;
    TButton* btnOK = nullptr;
    TPanel* pnlWidthPanel = nullptr;
    TLabel* lblWidth = nullptr;
    TComboBox* cmbPenWidth = nullptr;
    TPanel* pnlStylePanel = nullptr;
    TLabel* lblPenStyle = nullptr;
    TComboBox* cmbPenStyle = nullptr;
    TPanel* pnlColorPanel = nullptr;
    TLabel* lblColor = nullptr;
    TPanel* pnlColor = nullptr;

    // Copies all of the pen's attributes into the working pen.
    void SetPen(TPen* pen);
    // The working pen.
    TPen* Pen() { return FPen.get(); }
    // Prepares the controls, shows the window modally; true when it closed with OK.
    bool ShowWithOptions(TPenDialogOptions options);

    void FormCreate(TObject* Sender);
    void FormDestroy(TObject* Sender);
    void FormShow(TObject* Sender);
    void btnOKClick(TObject* Sender);
    void btnCancelClick(TObject* Sender);
    void pnlColorClick(TObject* Sender);
    void cmbPenStyleChange(TObject* Sender);
    void cmbPenWidthChange(TObject* Sender);
    void cmbPenStyleDrawItem(TWinControl* Control, int Index, const TRect& Rect, TOwnerDrawState State);
    void cmbPenWidthDrawItem(TWinControl* Control, int Index, const TRect& Rect, TOwnerDrawState State);

private:
    void Describe();
    // Forces the solid style when the pen is wider than one pixel and the options ask.
    bool ForceSolid();
    void RepaintLists();
    // The sample line and label of one entry, on the list's canvas.
    void DrawEntry(TComboBox* list, const TRect& rect, int width, const std::string& label);

    std::unique_ptr<TPen> FPen;
    TPenDialogOptions FOptions;
};

}  // namespace kova
