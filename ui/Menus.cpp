#include "ui/Menus.h"

#include <algorithm>

#include "base/Exceptions.h"
#include "ui/Application.h"
#include "ui/Forms.h"

namespace kova {

namespace {

HMENU CheckedMenu(HMENU menu)
{
    if (!menu)
        throw EOutOfResources("メニューを作成できません");
    return menu;
}

}  // namespace

// ---------------------------------------------------------------- TMenuItem

TMenuItem::TMenuItem(TComponent* AOwner) : TComponent(AOwner) {}

TMenuItem::~TMenuItem()
{
    for (TMenuItem* item : FItems)
        item->FParent = nullptr;
    FItems.clear();
    if (FParent)
        FParent->Remove(this);
}

void TMenuItem::SetCaption(const std::string& v)
{
    if (v == FCaption)
        return;
    FCaption = v;
    Changed();
}

void TMenuItem::SetChecked(bool v)
{
    if (v == FChecked)
        return;
    FChecked = v;
    Changed();
}

void TMenuItem::SetVisible(bool v)
{
    if (v == FVisible)
        return;
    FVisible = v;
    Changed();
}

void TMenuItem::SetEnabled(bool v)
{
    if (v == FEnabled)
        return;
    FEnabled = v;
    Changed();
}

void TMenuItem::Add(TMenuItem* item)
{
    if (item->FParent)
        item->FParent->Remove(item);
    FItems.push_back(item);
    item->FParent = this;
    Changed();
}

void TMenuItem::Remove(TMenuItem* item)
{
    auto it = std::find(FItems.begin(), FItems.end(), item);
    if (it == FItems.end())
        return;
    FItems.erase(it);
    item->FParent = nullptr;
    Changed();
}

TMenuItem* TMenuItem::Items(int index) const
{
    if (index < 0 || index >= Count())
        throw EListError(index);
    return FItems[static_cast<size_t>(index)];
}

void TMenuItem::Click()
{
    if (FEnabled && OnClick)
        Application->Guard([this] { OnClick(this); });
}

void TMenuItem::Changed()
{
    if (TMenu* menu = Menu())
        menu->MenuChanged();
}

TMenu* TMenuItem::Menu() const
{
    const TMenuItem* root = this;
    while (root->FParent)
        root = root->FParent;
    return root->FMenu;
}

void TMenuItem::AppendTo(HMENU menu, std::vector<TMenuItem*>& commands) const
{
    for (TMenuItem* item : FItems) {
        if (!item->FVisible)
            continue;
        if (item->IsLine()) {
            AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
            continue;
        }
        UINT flags = MF_STRING | (item->FChecked ? MF_CHECKED : 0) | (item->FEnabled ? 0 : MF_GRAYED);
        if (item->Count() > 0) {
            MenuHandle sub(CheckedMenu(CreatePopupMenu()));
            item->AppendTo(sub.get(), commands);
            if (AppendMenuA(menu, flags | MF_POPUP, reinterpret_cast<UINT_PTR>(sub.get()), item->FCaption.c_str()))
                sub.release();  // now part of menu
        } else {
            commands.push_back(item);
            AppendMenuA(menu, flags, commands.size(), item->FCaption.c_str());
        }
    }
}

// ---------------------------------------------------------------- TMenu

TMenu::TMenu(TComponent* AOwner) : TComponent(AOwner) { FItems.FMenu = this; }

TMenu::~TMenu() { FItems.FMenu = nullptr; }

bool TMenu::DispatchCommand(UINT id)
{
    if (id < 1 || id > FCommands.size())
        return false;
    TMenuItem* item = FCommands[id - 1];
    item->Click();
    return true;
}

void TMenu::Build(HMENU menu)
{
    FCommands.clear();
    FItems.AppendTo(menu, FCommands);
}

// ---------------------------------------------------------------- TMainMenu

TMainMenu::~TMainMenu()
{
    if (FForm)
        FForm->SetMenu(nullptr);
}

void TMainMenu::MenuChanged()
{
    if (FForm)
        Rebuild();
}

void TMainMenu::Attach(TForm* form)
{
    FForm = form;
    Rebuild();
}

void TMainMenu::Detach()
{
    if (FForm && FForm->HandleAllocated())
        ::SetMenu(FForm->Handle(), nullptr);
    FForm = nullptr;
    FHandle.reset();
    ClearCommands();
}

void TMainMenu::Rebuild()
{
    MenuHandle bar(CheckedMenu(CreateMenu()));
    Build(bar.get());
    HWND wnd = FForm->Handle();
    ::SetMenu(wnd, bar.get());
    FHandle = std::move(bar);  // the old bar is destroyed after the window let go of it
    SetWindowPos(wnd, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    DrawMenuBar(wnd);
}

// ---------------------------------------------------------------- TPopupMenu

void TPopupMenu::Popup(int x, int y)
{
    MenuHandle menu(CheckedMenu(CreatePopupMenu()));
    Build(menu.get());
    HWND owner = GetActiveWindow();
    UINT id = TrackPopupMenu(menu.get(), TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RETURNCMD | TPM_NONOTIFY, x, y, 0,
                             owner ? owner : Application->Handle(), nullptr);
    if (id)
        DispatchCommand(id);
    ClearCommands();
}

}  // namespace kova
