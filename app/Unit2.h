#pragma once
// The settings sub-window: pen, font, automatic ellipse and the stamp pictures, written
// straight into the main window.
#include "pendialog/APenDlg.h"
#include "ui/Buttons.h"
#include "ui/ColorFontDialogs.h"
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "ui/Panels.h"
#include "ui/TreeView.h"

namespace kova {

class TForm2 : public TForm {
public:
    explicit TForm2(TComponent* AOwner);

    // Components, in declaration order.
    TPageControl* PageControl1 = nullptr;
    TTabSheet* TabSheet1 = nullptr;
    TColorDialog* ColorDialog1 = nullptr;
    TButton* Button1 = nullptr;
    TFontDialog* FontDialog1 = nullptr;
    TButton* Button2 = nullptr;
    TCheckBox* CheckBox1 = nullptr;
    TPanel* Panel1 = nullptr;
    TButton* Button3 = nullptr;
    TImage* Image1 = nullptr;
    TTreeView* TreeView1 = nullptr;
    TCheckBox* CheckBox2 = nullptr;
    TButton* Button4 = nullptr;
    TPenDialog* PenDialog1 = nullptr;

    // Event handlers.
    void Button1Click(TObject* Sender);
    void Button2Click(TObject* Sender);
    void CheckBox1Click(TObject* Sender);
    void FormCreate(TObject* Sender);
    void Button3Click(TObject* Sender);
    void TreeView1Click(TObject* Sender);
    void CheckBox2Click(TObject* Sender);
    void Button4Click(TObject* Sender);

    // The stamp picture loads the file, the preview shows it, and the tree lists it.
    void LoadPicture(const std::string& fileName);
    // What 画像読み込み does with the chosen file: asks whether a diagram in it opens as the
    // diagram; No loads it as the stamp picture, Cancel does nothing.
    void LoadOrOpen(const std::string& fileName);

private:
    void Describe();
};

extern TForm2* Form2;

}  // namespace kova
