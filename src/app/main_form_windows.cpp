// The frame's browser windows and the tab strip that follows them: opening a window, the shared
// address history, the tabs' captions and selection, and the view settings of the active window.
#include "app/core/tab_caption.h"
#include "app/main_form.h"
#include "browser_window/mdi_child.h"
#include "common/core/history.h"
#include "toolkit/system_codec.h"

#include <algorithm>

TMDIChild* TMainForm::OpenBrowserWindow(const std::wstring& caption) {
    TMDIChild* w = new TMDIChild(*this, caption);
    w->SetCaption(caption);
    UpdateWindowTabs(w, TTabAction::TabAdd);
    return w;
}

TMDIChild* TMainForm::OpenPopupWindow() {
    TMDIChild* w = new TMDIChild(*this);
    try {
        // Counted after the new window exists.
        w->SetCaption(kv::WindowCaption(kv::kWindowCaptionPrefix, BrowserWindowCount()));
        UpdateWindowTabs(w, TTabAction::TabAdd);
    } catch (...) {
        w->Close();
        throw;
    }
    return w;
}

int TMainForm::BrowserWindowCount() const {
    return MDIChildCount();
}

TMDIChild* TMainForm::ActiveBrowserWindow() const {
    tk::MDIChildForm* c = ActiveMDIChild();
    return c == nullptr || c->Closing() ? nullptr : static_cast<TMDIChild*>(c);
}

std::vector<TMDIChild*> TMainForm::TabWindows() const {
    std::vector<TMDIChild*> v;
    v.reserve(tabs_.size());
    for (const Tab& t : tabs_) {
        v.push_back(t.window);
    }
    return v;
}

void TMainForm::UpdateWindowTabs(TMDIChild* window, TTabAction action) {
    const kv::AnsiCodec& codec = tk::SystemCodec();
    TMDIChild* active = ActiveBrowserWindow();
    if (window != nullptr) {
        auto it = std::find_if(tabs_.begin(), tabs_.end(),
                               [window](const Tab& t) { return t.window == window; });
        if (it != tabs_.end()) {
            int index = static_cast<int>(it - tabs_.begin());
            if (action == TTabAction::TabRemove) {
                UnlinkFavoritesMenu(window);
                tabs_.erase(it);
                TabControl1.DeleteTab(index);
                // The program's end asks every window too; those windows are not closed ones.
                if (!exitQuery_) {
                    if (kv::IsRestorable(window->PageAddress(), {})) {
                        closedWindows_.Push(window->PageAddress());
                    }
                    SessionChanged();
                }
            } else if (action == TTabAction::TabRefresh) {
                it->source = window->Caption();
                it->text = kv::ShortTabCaption(it->source, codec);
                TabControl1.SetTabText(index, it->text);
            }
        } else if (action == TTabAction::TabAdd) {
            Tab t{window, {}, window->Caption()};
            t.text = kv::ShortTabCaption(t.source, codec);
            TabControl1.AddTab(t.text);
            tabs_.push_back(std::move(t));
            SessionChanged();
            if (tabs_.size() == 1) {
                // The control selects a first tab by itself; the strip selects it below, as
                // any other, so that the view settings reach its window.
                TabControl1.SetTabIndex(-1);
            }
        }
    }
    int selected = TabControl1.TabIndex();
    for (size_t i = 0; i < tabs_.size(); ++i) {
        Tab& t = tabs_[i];
        std::wstring caption = t.window->Caption();
        // The text is only made again when the caption changed, and only set when it differs.
        if (caption != t.source) {
            std::wstring text = kv::ShortTabCaption(caption, codec);
            t.source = std::move(caption);
            if (text != t.text) {
                t.text = std::move(text);
                TabControl1.SetTabText(static_cast<int>(i), t.text);
            }
        }
        if (t.window == active && selected != static_cast<int>(i)) {
            TabControl1.SetTabIndex(static_cast<int>(i));
            selected = static_cast<int>(i);
            ApplyViewSettings(active);
            SessionChanged(); // another window is the active one
        }
        if (t.window == active) {
            LinkFavoritesMenu(active);
        }
    }
}

TViewSettings TMainForm::ViewSettings() const {
    return TViewSettings{N9.Checked(), N11.Checked(), S1.Checked()};
}

void TMainForm::ApplyViewSettings(TMDIChild* window) {
    if (window != nullptr) {
        TViewSettings v = ViewSettings();
        window->SetBarsVisible(v.toolBar1, v.coolBar1, v.statusBar1);
    }
}

void TMainForm::TabControl1Change() {
    int index = TabControl1.TabIndex();
    if (index >= 0 && static_cast<size_t>(index) < tabs_.size()) {
        tabs_[static_cast<size_t>(index)].window->Activate();
    }
}

void TMainForm::TabControl1MouseUp(int, int, int) {
    int selected = TabControl1.TabIndex();
    if (kv::IsTabDoubleClick(selected, LastTabIndex, Now(), LastTabTime) &&
        static_cast<size_t>(selected) < tabs_.size()) {
        tabs_[static_cast<size_t>(selected)].window->Close();
    }
    LastTabIndex = TabControl1.TabIndex();
    LastTabTime = Now();
}

void TMainForm::ActionList1Update() {
    UpdateWindowTabs(nullptr, TTabAction::TabSync);
}

void TMainForm::SetSiteItems(const std::vector<std::string>& items) {
    ComboBox1.SetItems(kv::LineList(items));
}

const kv::LineList& TMainForm::SiteItems() const {
    return ComboBox1.Items();
}
