// Form description of the main window: its components in creation order and their stored
// properties. Handlers live in Unit1.cpp.
#include "app/Unit1.h"

namespace kova {

namespace {

TMenuItem* MenuEntry(TComponent* owner, TMenuItem* parent, const char* name, const char* caption)
{
    auto* item = new TMenuItem(owner);
    item->Name = name;
    item->SetCaption(caption);
    parent->Add(item);
    return item;
}

}  // namespace

void TForm1::Describe()
{
    Name = "Form1";
    SetLeft(266);
    SetTop(273);
    SetBorderStyle(bsSingle);
    SetCaption("KOVA　Ver0.5");
    SetClientWidth(544);
    SetClientHeight(383);
    SetColor(clBtnFace);
    SetStoredFormFont(Font());
    SetPixelsPerInch(96);
    OnCreate = [this](TObject* s) { FormCreate(s); };

    Image1 = NewControl<TImage>(this, this, "Image1", 0, 0, 544, 383);
    Image1->SetAlign(alClient);
    Image1->OnClick = [this](TObject* s) { Image1Click(s); };
    Image1->OnDblClick = [this](TObject* s) { Image1DblClick(s); };
    Image1->OnMouseDown = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
        Image1MouseDown(s, b, sh, x, y);
    };
    Image1->OnMouseMove = [this](TObject* s, TShiftState sh, int x, int y) { Image1MouseMove(s, sh, x, y); };
    Image1->OnMouseUp = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
        Image1MouseUp(s, b, sh, x, y);
    };

    Image2 = NewControl<TImage>(this, this, "Image2", 304, 8, 105, 105);
    Image2->SetAutoSize(true);
    Image2->SetVisible(false);

    Image3 = NewControl<TImage>(this, this, "Image3", 0, 8, 433, 273);
    Image3->SetAutoSize(true);

    Image4 = NewControl<TImage>(this, this, "Image4", 0, 0, 657, 300);
    Image4->SetVisible(false);

    Image5 = NewControl<TImage>(this, this, "Image5", 0, 0, 544, 383);
    Image5->SetAlign(alClient);
    Image5->SetVisible(false);

    Edit1 = NewControl<TEdit>(this, this, "Edit1", 0, 120, 561, 20);
    Edit1->SetTabOrder(0);
    Edit1->SetVisible(false);

    Memo1 = NewControl<TMemo>(this, this, "Memo1", 168, 104, 185, 89);
    Memo1->Lines()->SetText("Memo1");
    Memo1->SetTabOrder(1);
    Memo1->SetVisible(false);

    MainMenu1 = new TMainMenu(this);
    MainMenu1->Name = "MainMenu1";
    TMenuItem* bar = MainMenu1->Items();
    File1 = MenuEntry(this, bar, "File1", "ファイル");
    New1 = MenuEntry(this, File1, "New1", "新規作成");
    New1->OnClick = [this](TObject* s) { New1Click(s); };
    N5 = MenuEntry(this, File1, "N5", "-");
    N1 = MenuEntry(this, File1, "N1", "読み込み");
    N1->OnClick = [this](TObject* s) { N1Click(s); };
    N1->SetVisible(false);
    N3 = MenuEntry(this, File1, "N3", "-");
    Save1 = MenuEntry(this, File1, "Save1", "保存");
    Save1->OnClick = [this](TObject* s) { Save1Click(s); };
    N4 = MenuEntry(this, File1, "N4", "-");
    Print1 = MenuEntry(this, File1, "Print1", "印刷");
    Print1->OnClick = [this](TObject* s) { Print1Click(s); };
    Print1->SetVisible(false);
    N2 = MenuEntry(this, File1, "N2", "-");
    Exit1 = MenuEntry(this, File1, "Exit1", "終了");
    Exit1->OnClick = [this](TObject* s) { Exit1Click(s); };
    Edit2 = MenuEntry(this, bar, "Edit2", "編集");
    Edit2->SetVisible(false);
    UNDO1 = MenuEntry(this, Edit2, "UNDO1", "戻す");
    UNDO1->OnClick = [this](TObject* s) { UNDO1Click(s); };
    N7 = MenuEntry(this, Edit2, "N7", "-");
    Refresh1 = MenuEntry(this, Edit2, "Refresh1", "更新");
    Refresh1->OnClick = [this](TObject* s) { Refresh1Click(s); };
    blur1 = MenuEntry(this, Edit2, "blur1", "blur");
    blur1->OnClick = [this](TObject* s) { blur1Click(s); };
    Show1 = MenuEntry(this, bar, "Show1", "表示");
    N8 = MenuEntry(this, Show1, "N8", "自由線");
    N8->SetChecked(true);
    N8->OnClick = [this](TObject* s) { N8Click(s); };
    N12 = MenuEntry(this, Show1, "N12", "項目囲み");
    N12->SetChecked(true);
    N12->OnClick = [this](TObject* s) { N12Click(s); };
    N9 = MenuEntry(this, Show1, "N9", "項目");
    N9->SetChecked(true);
    N9->SetVisible(false);
    N10 = MenuEntry(this, Show1, "N10", "ナビ線");
    N10->SetChecked(true);
    N10->SetVisible(false);
    N11 = MenuEntry(this, Show1, "N11", "アンチエイリアスフォント");
    N11->SetChecked(true);
    N11->OnClick = [this](TObject* s) { N11Click(s); };
    SetMenu(MainMenu1);

    PrintDialog1 = new TPrintDialog(this);
    PrintDialog1->Name = "PrintDialog1";

    SaveDialog1 = new TSaveDialog(this);
    SaveDialog1->Name = "SaveDialog1";
    SaveDialog1->DefaultExt = "bmp";
    SaveDialog1->Filter = "ビットマップ|*.bmp";

    OpenDialog1 = new TOpenDialog(this);
    OpenDialog1->Name = "OpenDialog1";
    OpenDialog1->DefaultExt = "bmp";
    OpenDialog1->Filter = "ビットマップ|*.bmp";

    PopupMenu1 = new TPopupMenu(this);
    PopupMenu1->Name = "PopupMenu1";
    N6 = MenuEntry(this, PopupMenu1->Items(), "N6", "画像");
    N6->OnClick = [this](TObject* s) { N6Click(s); };

    // Searches for plug-ins once the description is loaded.
    SPIs1 = new TSPIs(this);
    SPIs1->Name = "SPIs1";
    SPIs1->SetGraphicPreview(false);
    SPIs1->SetSearchOptions({spsSusieDir, spsAppDir, spsCurrentDir, spsSystemDir, spsWindowsDir});

    PenDialog1 = new TPenDialog(this);
    PenDialog1->Name = "PenDialog1";
    PenDialog1->SetOptions({poSetStyle, poSetColor, poSetWidth});
    PenDialog1->SetColorOptons({cdFullOpen, cdPreventFullOpen, cdShowHelp, cdSolidColor, cdAnyColor});
    PenDialog1->SetDialogCaption("線の設定");
}

}  // namespace kova
