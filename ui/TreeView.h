#pragma once
// The tree view (SysTreeView32), with nodes on its top level.
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/Controls.h"

namespace kova {

class TTreeView;

class TTreeNode {
public:
    const std::string& Text() const { return FText; }
    HTREEITEM ItemId() const { return FItem; }

private:
    friend class TTreeNodes;
    friend class TTreeView;
    explicit TTreeNode(std::string text) : FText(std::move(text)) {}
    std::string FText;
    HTREEITEM FItem = nullptr;
};

class TTreeNodes {
public:
    explicit TTreeNodes(TTreeView* tree) : FTree(tree) {}
    TTreeNodes(const TTreeNodes&) = delete;
    TTreeNodes& operator=(const TTreeNodes&) = delete;

    // A new node at the end of the top level.
    TTreeNode* Add(const std::string& text);
    int Count() const { return static_cast<int>(FNodes.size()); }
    // Raises EListError for an index outside 0 .. Count-1.
    TTreeNode* Item(int index) const;

private:
    friend class TTreeView;
    void Insert(TTreeNode* node);
    TTreeView* FTree;
    std::vector<std::unique_ptr<TTreeNode>> FNodes;
};

using TTVChangedEvent = std::function<void(TObject* Sender, TTreeNode* Node)>;

// OnClick runs after a left press has done its work (the node under it selected); a press
// anywhere on the control counts. OnChange follows every change of the selection.
class TTreeView : public TWinControl {
public:
    explicit TTreeView(TComponent* AOwner);

    TTreeNodes* Items() { return &FItems; }
    TTreeNode* Selected();
    void SetSelected(TTreeNode* node);
    int Indent() const { return FIndent; }
    void SetIndent(int v);

    TTVChangedEvent OnChange;

protected:
    void CreateParams(TCreateParams& params) override;
    void HandleCreated() override;
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    bool ReflectedMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    TTreeNode* NodeOf(HTREEITEM item) const;

    TTreeNodes FItems{this};
    int FIndent = 19;
};

}  // namespace kova
