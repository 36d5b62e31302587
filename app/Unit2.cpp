// The settings sub-window's handlers: each one writes into the main window.
#include "app/Unit2.h"

#include "app/Unit1.h"
#include "ui/Application.h"

namespace kova {

TForm2* Form2 = nullptr;

TForm2::TForm2(TComponent* AOwner) : TForm(AOwner)
{
    Form2 = this;
    LoadForm([this] { Describe(); });
}

void TForm2::FormCreate(TObject* /*Sender*/)
{
    Show();
    Form1->AutoEllipse = CheckBox1->Checked();
    Form1->OnOpenPicture = [this](const std::string& fileName) { LoadPicture(fileName); };
    AcceptFiles([](const std::string& fileName) { Form1->OpenFile(fileName); });
}

void TForm2::Button4Click(TObject* /*Sender*/)
{
    if (!PenDialog1->Execute())
        return;
    Form1->Image5->Canvas()->Pen()->Assign(PenDialog1->Pen());
    Form1->Image1->Canvas()->Pen()->Assign(PenDialog1->Pen());
}

void TForm2::Button2Click(TObject* /*Sender*/)
{
    if (!FontDialog1->Execute())
        return;
    Form1->Image1->Canvas()->Font()->Assign(FontDialog1->Font());
}

void TForm2::CheckBox1Click(TObject* /*Sender*/) { Form1->AutoEllipse = CheckBox1->Checked(); }

// Each load replaces its picture only when it succeeds, so a failure stops the steps
// that follow and leaves what is not yet loaded as it was.
void TForm2::LoadPicture(const std::string& fileName)
{
    Form1->Image2->Picture()->LoadFromFile(fileName);
    Image1->Picture()->LoadFromFile(fileName);
    TreeView1->Items()->Add(fileName);
}

void TForm2::Button3Click(TObject* /*Sender*/)
{
    if (Form1->OpenDialog1->Execute())
        LoadOrOpen(Form1->OpenDialog1->FileName);
}

// A file that carries a diagram may open as the diagram instead.
void TForm2::LoadOrOpen(const std::string& fileName)
{
    if (std::optional<diagram::Document> doc = Form1->ReadDiagram(fileName)) {
        switch (MessageBoxA(Handle(), "この画像には KOVA の図が入っています。図として開きますか？",
                            Application->Title().c_str(), MB_YESNOCANCEL | MB_ICONQUESTION)) {
        case IDYES:
            Form1->OpenDiagram(*doc);
            return;
        case IDNO:
            break;
        default:
            return;
        }
    }
    LoadPicture(fileName);
}

void TForm2::TreeView1Click(TObject* /*Sender*/)
{
    TTreeNode* node = TreeView1->Selected();
    if (!node)
        return;
    Image1->Picture()->LoadFromFile(node->Text());
    Form1->Image2->Picture()->LoadFromFile(node->Text());
}

void TForm2::Button1Click(TObject* /*Sender*/)
{
    if (!ColorDialog1->Execute())
        return;
    const TColor color = ColorDialog1->Color;
    Form1->Image1->Canvas()->Pen()->SetColor(color);
    Panel1->SetColor(color);
    Form1->Image5->Canvas()->Pen()->SetColor(color);
}

void TForm2::CheckBox2Click(TObject* /*Sender*/) { Form1->Shadow = CheckBox2->Checked(); }

}  // namespace kova
