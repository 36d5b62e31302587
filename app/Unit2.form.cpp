// Form description of the settings sub-window: its components in creation order and their
// stored properties. Handlers live in Unit2.cpp.
#include "app/Unit2.h"

namespace kova {

namespace {

TButton* NewButton(TComponent* owner, TWinControl* parent, const char* name, int left, int top, int width,
                   const char* caption)
{
    auto* button = NewControl<TButton>(owner, parent, name, left, top, width, 25);
    button->SetCaption(caption);
    return button;
}

TCheckBox* NewCheckBox(TComponent* owner, TWinControl* parent, const char* name, int top, int height,
                       const char* caption)
{
    auto* box = NewControl<TCheckBox>(owner, parent, name, 88, top, 97, height);
    box->SetCaption(caption);
    return box;
}

}  // namespace

void TForm2::Describe()
{
    Name = "Form2";
    SetBounds(2, 105, 337, 211);
    SetCaption("サブウィンドウ");
    SetColor(clBtnFace);
    SetStoredFormFont(Font());
    SetPixelsPerInch(96);
    OnCreate = [this](TObject* s) { FormCreate(s); };

    PageControl1 = NewControl<TPageControl>(this, this, "PageControl1", 0, 0, 321, 177);

    TabSheet1 = new TTabSheet(this);
    TabSheet1->Name = "TabSheet1";
    TabSheet1->SetPageControl(PageControl1);
    TabSheet1->SetCaption("設定");
    PageControl1->SetActivePage(TabSheet1);

    Button4 = NewButton(this, TabSheet1, "Button4", 8, 8, 65, "ペンの設定");
    Button4->OnClick = [this](TObject* s) { Button4Click(s); };

    Button2 = NewButton(this, TabSheet1, "Button2", 8, 40, 75, "フォント設定");
    Button2->OnClick = [this](TObject* s) { Button2Click(s); };

    CheckBox1 = NewCheckBox(this, TabSheet1, "CheckBox1", 8, 25, "自動円");
    CheckBox1->SetChecked(true);
    CheckBox1->OnClick = [this](TObject* s) { CheckBox1Click(s); };

    Button3 = NewButton(this, TabSheet1, "Button3", 232, 8, 75, "画像読み込み");
    Button3->OnClick = [this](TObject* s) { Button3Click(s); };

    TreeView1 = NewControl<TTreeView>(this, TabSheet1, "TreeView1", 88, 40, 217, 105);
    TreeView1->SetIndent(19);
    TreeView1->OnClick = [this](TObject* s) { TreeView1Click(s); };

    Image1 = NewControl<TImage>(this, TabSheet1, "Image1", 8, 72, 73, 73);
    Image1->SetStretch(true);
    Image1->SetProportional(true);

    Button1 = NewButton(this, TabSheet1, "Button1", 8, 8, 49, "線の色");
    Button1->SetVisible(false);
    Button1->OnClick = [this](TObject* s) { Button1Click(s); };

    Panel1 = NewControl<TPanel>(this, TabSheet1, "Panel1", 56, 8, 25, 25);
    Panel1->SetVisible(false);

    CheckBox2 = NewCheckBox(this, TabSheet1, "CheckBox2", 24, 17, "影");
    CheckBox2->SetChecked(false);
    CheckBox2->SetVisible(false);
    CheckBox2->OnClick = [this](TObject* s) { CheckBox2Click(s); };

    // Tab orders, lowest first, so that each one lands where it is stored.
    Button1->SetTabOrder(0);
    Button2->SetTabOrder(1);
    CheckBox1->SetTabOrder(2);
    Panel1->SetTabOrder(3);
    Button3->SetTabOrder(4);
    TreeView1->SetTabOrder(5);
    CheckBox2->SetTabOrder(6);
    Button4->SetTabOrder(7);

    ColorDialog1 = new TColorDialog(this);
    ColorDialog1->Name = "ColorDialog1";

    FontDialog1 = new TFontDialog(this);
    FontDialog1->Name = "FontDialog1";
    SetStoredFormFont(FontDialog1->Font());
    FontDialog1->MinFontSize = 0;
    FontDialog1->MaxFontSize = 0;
    FontDialog1->Options = {fdEffects};

    PenDialog1 = new TPenDialog(this);
    PenDialog1->Name = "PenDialog1";
    PenDialog1->SetOptions({poSetStyle, poSetColor, poSetWidth});
    PenDialog1->SetColorOptons({});
    PenDialog1->SetDialogCaption("線の設定");
    PenDialog1->SetMaxWidth(10);
}

}  // namespace kova
