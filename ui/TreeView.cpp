#include "ui/TreeView.h"

#include "base/Exceptions.h"
#include "ui/Application.h"

namespace kova {

// ---------------------------------------------------------------- TTreeNodes

TTreeNode* TTreeNodes::Add(const std::string& text)
{
    FNodes.push_back(std::unique_ptr<TTreeNode>(new TTreeNode(text)));
    TTreeNode* node = FNodes.back().get();
    if (FTree->HandleAllocated())
        Insert(node);
    return node;
}

TTreeNode* TTreeNodes::Item(int index) const
{
    if (index < 0 || index >= Count())
        throw EListError(index);
    return FNodes[static_cast<size_t>(index)].get();
}

void TTreeNodes::Insert(TTreeNode* node)
{
    TVINSERTSTRUCTA insert{};
    insert.hParent = TVI_ROOT;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT;
    insert.item.pszText = node->FText.data();
    node->FItem = reinterpret_cast<HTREEITEM>(
        SendMessageA(FTree->Handle(), TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
    if (!node->FItem)
        throw EOutOfResources("ツリーの項目を追加できません");
}

// ---------------------------------------------------------------- TTreeView

TTreeView::TTreeView(TComponent* AOwner) : TWinControl(AOwner)
{
    FWidth = 121;
    FHeight = 97;
    SetTabStop(true);
}

TTreeNode* TTreeView::Selected()
{
    if (!HandleAllocated())
        return nullptr;
    auto item = reinterpret_cast<HTREEITEM>(SendMessageA(Handle(), TVM_GETNEXTITEM, TVGN_CARET, 0));
    return NodeOf(item);
}

void TTreeView::SetSelected(TTreeNode* node)
{
    SendMessageA(Handle(), TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(node ? node->FItem : nullptr));
}

void TTreeView::SetIndent(int v)
{
    FIndent = v;
    if (HandleAllocated())
        SendMessageA(Handle(), TVM_SETINDENT, static_cast<WPARAM>(v), 0);
}

void TTreeView::CreateParams(TCreateParams& params)
{
    static const bool registered = [] {
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_TREEVIEW_CLASSES};
        return InitCommonControlsEx(&icc) != FALSE;
    }();
    if (!registered)
        throw EOutOfResources("ウィンドウクラスの作成エラー");
    TWinControl::CreateParams(params);
    params.WinClassName = WC_TREEVIEWA;
    params.Style |= TVS_HASLINES | TVS_HASBUTTONS | TVS_LINESATROOT;
    params.ExStyle |= WS_EX_CLIENTEDGE;
}

void TTreeView::HandleCreated()
{
    SetIndent(FIndent);
    for (auto& node : FItems.FNodes)
        FItems.Insert(node.get());
}

LRESULT TTreeView::WndProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = TWinControl::WndProc(msg, wParam, lParam);
    // The system handles the press and its release inside this message.
    if (msg == WM_LBUTTONDOWN)
        Click();
    return result;
}

bool TTreeView::ReflectedMessage(UINT msg, WPARAM /*wParam*/, LPARAM lParam, LRESULT& result)
{
    if (msg != WM_NOTIFY)
        return false;
    const auto* notify = reinterpret_cast<const NMTREEVIEWA*>(lParam);
    if (notify->hdr.code != TVN_SELCHANGEDA && notify->hdr.code != TVN_SELCHANGEDW)
        return false;
    if (OnChange) {
        TTreeNode* node = NodeOf(notify->itemNew.hItem);
        Application->Guard([&] { OnChange(this, node); });
    }
    result = 0;
    return true;
}

TTreeNode* TTreeView::NodeOf(HTREEITEM item) const
{
    if (!item)
        return nullptr;
    for (const auto& node : FItems.FNodes)
        if (node->FItem == item)
            return node.get();
    return nullptr;
}

}  // namespace kova
