// What a browser window needs from the frame that owns it. The window knows its owner only
// through this interface, so windows can be built and tested without the frame, and the frame
// decides how tabs, the shared history and the view settings are kept.
#pragma once

#include "common/core/line_list.h"

#include <memory>
#include <string>
#include <vector>

namespace tk {
class MDIFrameForm;
}

class TMDIChild;

// Which bars a browser window shows: its navigation button bar, its address cool bar and its
// status bar.
struct TViewSettings {
    bool toolBar1 = true;
    bool coolBar1 = true;
    bool statusBar1 = true;
};

// What a window asks its tab to do.
enum class TTabAction { TabSync = 0, TabRemove = 1, TabAdd = 2, TabRefresh = 3 };

class IBrowserWindowOwner {
public:
    // The MDI frame the windows are children of.
    virtual tk::MDIFrameForm& OwnerFrame() = 0;

    // The shared address history (ANSI lines, most recent first): a new window starts its own
    // list from it; an entered address goes to its top. The snapshot never changes once handed
    // out, so every window can keep the same one until it records an address of its own.
    virtual kv::LineList SharedHistory() const = 0;
    virtual void RecordInSharedHistory(const std::string& address) = 0;
    // The window has just copied the shared history into its list, and later recorded an
    // address in its list itself: an owner whose history is not complete yet follows both, to
    // bring the window's list up to date when it is.
    virtual void HistoryTaken(TMDIChild* /*window*/) {}
    virtual void RecordedInWindow(TMDIChild* /*window*/, const std::string& /*address*/) {}

    // The scale new windows are built for, in dots per inch; 0: the frame's screen as the
    // system reports it.
    virtual unsigned WindowDpi() const { return 0; }

    // The bars a new window is built with, so that it is not laid out again when its tab first
    // applies the same settings.
    virtual TViewSettings ViewSettings() const = 0;

    // Whether pages' requests for new windows are refused without asking.
    virtual bool PopupBlocking() const = 0;

    // Keeps the window's tab in step with it.
    virtual void UpdateWindowTabs(TMDIChild* window, TTabAction action) = 0;

    // Open browser windows.
    virtual int BrowserWindowCount() const = 0;
    // A new browser window with this caption and its tab; it becomes active.
    virtual TMDIChild* OpenBrowserWindow(const std::wstring& caption) = 0;
    // A new browser window for a page's request, captioned after it exists, with its tab.
    virtual TMDIChild* OpenPopupWindow() = 0;

    // The window's page is now at another address (its PageAddress).
    virtual void WindowAddressChanged(TMDIChild* /*window*/) {}

protected:
    ~IBrowserWindowOwner() = default;
};
