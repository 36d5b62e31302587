#pragma once
// Menus: a tree of items, built into Win32 menus. Hidden items are left out of the Win32
// menu; any change to an item rebuilds the menu bar of the form that shows it.
#include <windows.h>

#include <string>
#include <vector>

#include "base/Classes.h"
#include "base/UniqueHandle.h"

namespace kova {

class TMenu;
class TForm;

// Owns a Win32 menu and destroys it (with its sub-menus).
using MenuHandle = UniqueHandle<HMENU, &DestroyMenu>;

class TMenuItem : public TComponent {
public:
    explicit TMenuItem(TComponent* AOwner);
    // Leaves its parent; its sub-items are left without a parent (their owner frees them).
    ~TMenuItem() override;

    // "-" makes a separator.
    const std::string& Caption() const { return FCaption; }
    void SetCaption(const std::string& v);
    bool Checked() const { return FChecked; }
    void SetChecked(bool v);
    bool Visible() const { return FVisible; }
    void SetVisible(bool v);
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool v);

    void Add(TMenuItem* item);
    void Remove(TMenuItem* item);
    int Count() const { return static_cast<int>(FItems.size()); }
    TMenuItem* Items(int index) const;
    TMenuItem* Parent() const { return FParent; }
    bool IsLine() const { return FCaption == "-"; }

    // Raises OnClick inside the application's guard.
    void Click();
    TNotifyEvent OnClick;

private:
    friend class TMenu;
    void Changed();
    TMenu* Menu() const;
    // Appends the visible sub-items to menu; each command id is its index in commands + 1.
    void AppendTo(HMENU menu, std::vector<TMenuItem*>& commands) const;

    std::string FCaption;
    bool FChecked = false;
    bool FVisible = true;
    bool FEnabled = true;
    TMenuItem* FParent = nullptr;
    std::vector<TMenuItem*> FItems;
    TMenu* FMenu = nullptr;  // set on a menu's root item only
};

// A menu's root item and the commands of its last build.
class TMenu : public TComponent {
public:
    explicit TMenu(TComponent* AOwner);
    ~TMenu() override;
    TMenuItem* Items() { return &FItems; }
    // Runs the OnClick of the item with this command id; false when none has it.
    bool DispatchCommand(UINT id);

protected:
    // Fills menu with the visible items; command ids start at 1.
    void Build(HMENU menu);
    // Forgets the commands of the last build once its Win32 menu is gone.
    void ClearCommands() { FCommands.clear(); }
    virtual void MenuChanged() {}

private:
    friend class TMenuItem;
    TMenuItem FItems{nullptr};
    std::vector<TMenuItem*> FCommands;
};

// The menu bar of a form (TForm::SetMenu).
class TMainMenu : public TMenu {
public:
    using TMenu::TMenu;
    ~TMainMenu() override;
    // The Win32 menu bar while attached to a form, else nullptr.
    HMENU Handle() const { return FHandle.get(); }

protected:
    void MenuChanged() override;

private:
    friend class TForm;
    void Attach(TForm* form);
    void Detach();
    void Rebuild();

    TForm* FForm = nullptr;
    MenuHandle FHandle;
};

class TPopupMenu : public TMenu {
public:
    using TMenu::TMenu;
    // Shows the menu at screen point (x, y) and runs the chosen item's OnClick.
    void Popup(int x, int y);
};

}  // namespace kova
