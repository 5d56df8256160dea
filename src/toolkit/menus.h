// Menus: a menu bar or pop-up menu owned by its object, and command items with check marks.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace tk {

class Menu {
public:
    Menu() = default;
    Menu(Menu&& other) noexcept;
    Menu& operator=(Menu&& other) noexcept;
    Menu(const Menu&) = delete;
    Menu& operator=(const Menu&) = delete;
    ~Menu();

    static Menu CreateBar();
    static Menu CreatePopup();
    HMENU Handle() const { return menu_; }
    // Gives up ownership (a window or a parent menu destroys it from now on).
    HMENU Detach() noexcept;

    void AddSeparator();

private:
    HMENU menu_ = nullptr;
};

// One command item (or a pop-up entry when it has a submenu). Command ids are unique in the
// process; Dispatch runs the item's OnClick.
class MenuItem {
public:
    MenuItem() = default;
    MenuItem(const MenuItem&) = delete;
    MenuItem& operator=(const MenuItem&) = delete;
    ~MenuItem();

    // Appends a command item to parent. The caption may carry "\t" and the shortcut's text.
    void Create(HMENU parent, const std::wstring& caption, std::function<void()> onClick = {});
    // Appends a pop-up entry to parent whose submenu the item owns (until parent is destroyed);
    // with a position of 0 or more the entry is inserted there instead.
    void CreateSubmenu(HMENU parent, const std::wstring& caption, int position = -1);

    UINT Command() const { return id_; }
    HMENU Parent() const { return parent_; }
    HMENU Submenu() const { return submenu_; }
    const std::wstring& Caption() const { return caption_; }

    bool Checked() const { return checked_; }
    void SetChecked(bool checked);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    // A hidden item is taken out of its menu and put back at its place when shown.
    bool Visible() const { return visible_; }
    void SetVisible(bool visible);

    // Runs OnClick (when enabled).
    void Click();
    std::function<void()> OnClick;

    // Runs the item with this command id; false when there is none.
    static bool Dispatch(UINT id);
    static MenuItem* FromCommand(UINT id);

private:
    int PositionInParent() const;

    HMENU parent_ = nullptr;
    HMENU submenu_ = nullptr;
    UINT id_ = 0;
    std::wstring caption_;
    bool checked_ = false;
    bool enabled_ = true;
    bool visible_ = true;
    // Index among the siblings created before it, kept for showing it again.
    int order_ = 0;
};

} // namespace tk
