#include "toolkit/menus.h"

#include "toolkit/application.h"
#include "toolkit/error.h"

#include <unordered_map>

namespace tk {
namespace {

struct Registry {
    std::unordered_map<UINT, MenuItem*> items;
    UINT nextId = 100;
};

Registry& R() {
    static Registry r;
    return r;
}

void Redraw(HMENU parent) {
    HWND main = Application::MainWindow();
    if (main != nullptr && GetMenu(main) == parent) {
        DrawMenuBar(main);
    }
}

} // namespace

// ---- Menu

Menu::Menu(Menu&& other) noexcept : menu_(other.menu_) {
    other.menu_ = nullptr;
}

Menu& Menu::operator=(Menu&& other) noexcept {
    if (this != &other) {
        if (menu_ != nullptr) {
            DestroyMenu(menu_);
        }
        menu_ = other.menu_;
        other.menu_ = nullptr;
    }
    return *this;
}

Menu::~Menu() {
    if (menu_ != nullptr) {
        DestroyMenu(menu_);
    }
}

Menu Menu::CreateBar() {
    Menu m;
    m.menu_ = CreateMenu();
    if (m.menu_ == nullptr) {
        ThrowLastError();
    }
    return m;
}

Menu Menu::CreatePopup() {
    Menu m;
    m.menu_ = CreatePopupMenu();
    if (m.menu_ == nullptr) {
        ThrowLastError();
    }
    return m;
}

HMENU Menu::Detach() noexcept {
    HMENU m = menu_;
    menu_ = nullptr;
    return m;
}

void Menu::AddSeparator() {
    AppendMenuW(menu_, MF_SEPARATOR, 0, nullptr);
}

// ---- MenuItem

MenuItem::~MenuItem() {
    if (id_ != 0) {
        R().items.erase(id_);
    }
    // A hidden pop-up entry is out of its parent, so its submenu is still this item's.
    if (!visible_ && submenu_ != nullptr) {
        DestroyMenu(submenu_);
    }
}

void MenuItem::Create(HMENU parent, const std::wstring& caption, std::function<void()> onClick) {
    parent_ = parent;
    caption_ = caption;
    id_ = R().nextId++;
    R().items[id_] = this;
    if (onClick) {
        OnClick = std::move(onClick);
    }
    if (!AppendMenuW(parent, MF_STRING, id_, caption_.c_str())) {
        ThrowLastError();
    }
}

void MenuItem::CreateSubmenu(HMENU parent, const std::wstring& caption, int position) {
    parent_ = parent;
    caption_ = caption;
    submenu_ = CreatePopupMenu();
    if (submenu_ == nullptr) {
        ThrowLastError();
    }
    // Pop-up entries get a command id too, so that they can be found by it.
    id_ = R().nextId++;
    R().items[id_] = this;
    MENUITEMINFOW mii{};
    mii.cbSize = sizeof(mii);
    mii.fMask = MIIM_STRING | MIIM_SUBMENU | MIIM_ID;
    mii.wID = id_;
    mii.hSubMenu = submenu_;
    mii.dwTypeData = const_cast<wchar_t*>(caption_.c_str());
    int at = position >= 0 ? position : GetMenuItemCount(parent);
    if (!InsertMenuItemW(parent, static_cast<UINT>(at), TRUE, &mii)) {
        HMENU s = submenu_;
        submenu_ = nullptr;
        DestroyMenu(s);
        ThrowLastError();
    }
}

int MenuItem::PositionInParent() const {
    int n = GetMenuItemCount(parent_);
    for (int i = 0; i < n; ++i) {
        if (GetMenuItemID(parent_, i) == id_ ||
            (submenu_ != nullptr && GetSubMenu(parent_, i) == submenu_)) {
            return i;
        }
    }
    return -1;
}

void MenuItem::SetChecked(bool checked) {
    checked_ = checked;
    if (parent_ != nullptr && visible_) {
        CheckMenuItem(parent_, id_, MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
    }
}

void MenuItem::SetEnabled(bool enabled) {
    enabled_ = enabled;
    if (parent_ != nullptr && visible_) {
        EnableMenuItem(parent_, id_, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
        Redraw(parent_);
    }
}

void MenuItem::SetVisible(bool visible) {
    if (visible == visible_ || parent_ == nullptr) {
        return;
    }
    if (!visible) {
        order_ = PositionInParent();
        if (order_ >= 0) {
            RemoveMenu(parent_, static_cast<UINT>(order_), MF_BYPOSITION);
        }
        visible_ = false;
    } else {
        MENUITEMINFOW mii{};
        mii.cbSize = sizeof(mii);
        mii.fMask = MIIM_STRING | MIIM_ID | MIIM_STATE | (submenu_ != nullptr ? MIIM_SUBMENU : 0);
        mii.wID = id_;
        mii.hSubMenu = submenu_;
        mii.fState = (checked_ ? MFS_CHECKED : 0) | (enabled_ ? 0 : MFS_GRAYED);
        mii.dwTypeData = const_cast<wchar_t*>(caption_.c_str());
        int count = GetMenuItemCount(parent_);
        UINT pos = static_cast<UINT>(order_ < 0 || order_ > count ? count : order_);
        if (!InsertMenuItemW(parent_, pos, TRUE, &mii)) {
            ThrowLastError();
        }
        visible_ = true;
    }
    Redraw(parent_);
}

void MenuItem::Click() {
    if (enabled_ && OnClick) {
        OnClick();
    }
}

bool MenuItem::Dispatch(UINT id) {
    MenuItem* item = FromCommand(id);
    if (item == nullptr || item->submenu_ != nullptr) {
        return false;
    }
    item->Click();
    return true;
}

MenuItem* MenuItem::FromCommand(UINT id) {
    auto it = R().items.find(id);
    return it == R().items.end() ? nullptr : it->second;
}

} // namespace tk
