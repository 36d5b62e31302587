#pragma once
// The main window: the sheet and its layers, the menu tree and the item table.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/Diagram.h"
#include "app/History.h"
#include "app/Render.h"
#include "pendialog/APenDlg.h"
#include "plugins/SPIs.h"
#include "surface/Graphics.h"
#include "ui/Dialogs.h"
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "ui/Menus.h"
#include "ui/StdCtrls.h"

namespace kova {

class TRecovery;

// One slot of the item table.
struct TDateItem {
    int32_t X = 0;
    int32_t Y = 0;
    std::string Text;
    std::unique_ptr<TFont> Font;
    std::unique_ptr<TPen> Pen;
    TColor BrushColor = 0;
    bool HasEllipse = false;
    bool Deleted = false;
    bool HasShadow = false;
    int32_t LinkCount = 0;
    std::vector<int32_t> Links;
};

constexpr int32_t ItemSlots = 1000;
constexpr int32_t LinkSlots = 100;

class TForm1 : public TForm {
public:
    explicit TForm1(TComponent* AOwner);

    // Components, in declaration order.
    TImage* Image1 = nullptr;
    TEdit* Edit1 = nullptr;
    TMainMenu* MainMenu1 = nullptr;
    TMenuItem* File1 = nullptr;
    TMenuItem* N1 = nullptr;
    TMenuItem* Save1 = nullptr;
    TMenuItem* Print1 = nullptr;
    TPrintDialog* PrintDialog1 = nullptr;
    TSaveDialog* SaveDialog1 = nullptr;
    TMenuItem* N2 = nullptr;
    TMenuItem* N3 = nullptr;
    TMenuItem* N4 = nullptr;
    TMenuItem* Exit1 = nullptr;
    TMenuItem* N5 = nullptr;
    TMenuItem* New1 = nullptr;
    TOpenDialog* OpenDialog1 = nullptr;
    TPopupMenu* PopupMenu1 = nullptr;
    TMenuItem* N6 = nullptr;
    TImage* Image2 = nullptr;
    TMenuItem* Edit2 = nullptr;
    TMenuItem* UNDO1 = nullptr;
    TImage* Image3 = nullptr;
    TMenuItem* N7 = nullptr;
    TMenuItem* Refresh1 = nullptr;
    TImage* Image4 = nullptr;
    TImage* Image5 = nullptr;
    TMenuItem* Show1 = nullptr;
    TMenuItem* N8 = nullptr;
    TMenuItem* N9 = nullptr;
    TMenuItem* N10 = nullptr;
    TSPIs* SPIs1 = nullptr;
    TMemo* Memo1 = nullptr;
    TMenuItem* N11 = nullptr;
    TPenDialog* PenDialog1 = nullptr;
    TMenuItem* blur1 = nullptr;
    TMenuItem* N12 = nullptr;

    // Event handlers.
    void Image1MouseMove(TObject* Sender, TShiftState Shift, int X, int Y);
    void Image1MouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void FormCreate(TObject* Sender);
    void Image1MouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void Image1DblClick(TObject* Sender);
    void Image1Click(TObject* Sender);
    void Print1Click(TObject* Sender);
    void Save1Click(TObject* Sender);
    void Exit1Click(TObject* Sender);
    void N1Click(TObject* Sender);
    void N6Click(TObject* Sender);
    void New1Click(TObject* Sender);
    void UNDO1Click(TObject* Sender);
    void Refresh1Click(TObject* Sender);
    void FontCopy(TFont* Source, TFont* Dest);
    void PenCopy(TPen* Source, TPen* Dest);
    void N8Click(TObject* Sender);
    void N11Click(TObject* Sender);
    void blur1Click(TObject* Sender);
    void N12Click(TObject* Sender);
    // Ctrl+C.
    void CopySheet();

    // Window fields: the editing state and the item table.
    int32_t MouseX = 0, MouseY = 0;
    int32_t Mode = 0;
    int32_t ItemCount = 0;
    int32_t ItemCapacity = ItemSlots;
    int32_t HoverItem = -1;
    int32_t LinkSource = -1;
    int32_t EditItem = -1;
    int32_t DragOffsetX = 0, DragOffsetY = 0;
    int32_t MoveItem = -1;
    bool AutoEllipse = false;
    bool Shadow = false;
    std::vector<TDateItem> DateItems;

    // Item table operations (Items.cpp).
    void InitItems();
    void CommitNewItem();
    void CommitItem(int32_t i);
    void ToggleLink(int32_t source, int32_t target);
    void MoveItemTo(int32_t i, int x, int y);
    void ClearItems();

    // The diagram document (DiagramFile.cpp). Save writes the sheet's picture with the diagram
    // after it. Opening reads a saved diagram, or hands a plain picture to OnOpenPicture.
    // False when nothing was written, since the sheet was never drawn.
    bool SaveDiagram(const std::string& fileName);
    diagram::Document DiagramDocument();
    // The diagram in the file, or nothing for a plain picture; raises EDiagramError, naming
    // the file, for a diagram that cannot be opened.
    std::optional<diagram::Document> ReadDiagram(const std::string& fileName);
    // Replaces the item table and the free-hand layer, ends any edit or drag, and redraws.
    void OpenDocument(const diagram::Document& doc);
    void OpenFile(const std::string& fileName);
    void OpenFileClick();
    std::function<void(const std::string&)> OnOpenPicture;
    // Opening a diagram closes the one shown, so it may ask to save it first.
    void OpenDiagram(const diagram::Document& doc);

    // Undo and redo (Undo.cpp). Each user action ends with Checkpoint, which makes one step of
    // what it changed, or none.
    void Checkpoint();
    void UndoStep();
    void RedoStep();
    // The diagram differs from the one last saved or opened, or from the start's.
    bool Modified() const { return FHistory.State() != FSavedState; }
    // Asks whether to save the changes before the diagram is closed; true when it may go.
    bool SaveChangesFirst();
    void FormClose(TObject* Sender, TCloseAction& Action);
    const diagram::History& History() const { return FHistory; }

    // Recovery copies (Recovery.cpp): given by the program entry, none without one.
    TRecovery* Recovery = nullptr;
    // Offers the copies of instances that ended without saving, newest first.
    void OfferRecovery();
    void WriteRecoveryCopy(bool now);

private:
    void Describe();
    // After the diagram's state changed: the recovery copy follows it.
    void StateChanged();
    std::vector<uint8_t> SheetFile();
    std::string OpenDialogFilter() const;
    // Pointer handling (Pointer.cpp).
    void Stamp();

    TSheetRenderer FRenderer{*this};
    diagram::History FHistory;
    uint64_t FSavedState = 0;
    TTimer* FCopyTimer = nullptr;    // the recovery copy is written when it fires
};

extern TForm1* Form1;

}  // namespace kova
