// Forms: the MDI frame with its client window and the MDI child forms it holds.
//
// Closing a form runs its close query (which may refuse) and then its close action. A child
// whose action is Free is destroyed through a posted release message, after the messages
// already queued for it, and never while CanRelease() says no (for example while one of its
// controls is delivering an event that would return into the freed object).
#pragma once

#include "toolkit/window.h"

#include <functional>
#include <string>
#include <vector>

namespace tk {

enum class CloseAction { None, Hide, Free, Minimize };

class Form : public Window {
public:
    std::wstring Caption() const { return caption_; }
    void SetCaption(const std::wstring& caption);
    HFONT FontHandle() const { return font_.Handle(); }

    // The normal close: close query, then the close action. Returns true when it was allowed.
    bool Close();
    // True once the form has been allowed to close and waits for its destruction.
    bool Closing() const { return closing_; }

    // Watchers told of each window activated above this form (WM_ACTIVATE, WA_INACTIVE), with
    // that window. Cheaper than a hook on the window, which would cost every message.
    int AddDeactivationWatcher(std::function<void(HWND activated)> watcher);
    void RemoveDeactivationWatcher(int id) noexcept;

protected:
    virtual void DoCloseQuery(bool& canClose);
    virtual void DoClose(CloseAction& action);
    // Carries out a close action that was allowed.
    virtual void CloseAllowed(CloseAction action) = 0;
    // Puts caption_ on the window.
    virtual void ShowCaption();

    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

    std::wstring caption_;
    Font font_;
    bool closing_ = false;

private:
    std::vector<std::pair<int, std::function<void(HWND)>>> deactivationWatchers_;
    int nextWatcherId_ = 1;
};

class MDIChildForm;

class MDIFrameForm : public Form {
public:
    MDIFrameForm();
    ~MDIFrameForm() override;

    HWND ClientHandle() const { return client_; }
    // Children in creation order, including those waiting for their release.
    const std::vector<MDIChildForm*>& Children() const { return children_; }
    // Children that are not closing.
    int MDIChildCount() const;
    MDIChildForm* ActiveMDIChild() const;

    // Shows the frame; the first time, FormShowing runs once the frame is on the screen and
    // before anything in it is painted, then FormShow.
    void Show(int showCommand = SW_SHOWDEFAULT);
    // Destroys every child form without asking it (end of the application).
    void FreeChildren() noexcept;
    void HideScrollBarsWhenMaximized();

    // The title the frame shows while a child is maximised, "<caption> - [<child's text>]",
    // follows that child's text at the next idle moment, or after a short delay when the
    // program is busy in a wait of its own. Under some window systems every change of the
    // frame's title repaints its whole menu bar: a window that changes its caption several
    // times in one go (opened, then titled by its first page) repaints it once.
    void RefreshTitleLater();
    // Brings the title up to date now.
    void RefreshTitle();

protected:
    // Creates the frame window with its menu bar (may be null) and its MDI client, the
    // platform's window list appended to windowMenu.
    void CreateFrame(const std::wstring& caption, int width, int height, HMENU menuBar,
                     HMENU windowMenu);
    // Asks every child's close query first, then the frame's own FormCloseQuery.
    void DoCloseQuery(bool& canClose) override;
    virtual void FormCloseQuery(bool& canClose);
    // Builds what the frame holds. Windows need the frame on the screen as early as possible:
    // the work here runs after it appears, before its client area is first painted.
    virtual void FormShowing() {}
    virtual void FormShow() {}
    // Height of the bars above the MDI client area.
    virtual int TopBarsHeight() { return 0; }
    // Lays the client area out below the bars; called on size changes.
    void LayoutClient();
    // The MDI area placed from `top` down to the bottom of the frame.
    void LayoutClientBelow(int top);
    void CloseAllowed(CloseAction action) override;

    // A menu command (WM_COMMAND from a menu or accelerator); true when it was handled.
    virtual bool MenuDispatch(UINT id);

    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    LRESULT DefaultProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    friend class MDIChildForm;
    void AddChild(MDIChildForm* child);
    // RefreshTitle; true when the title changed.
    bool UpdateTitle();
    // Paints the non-client area that a child's creation held back.
    void RepaintAfterHold();
    void RemoveChild(MDIChildForm* child) noexcept;

    HWND client_ = nullptr;
    std::vector<MDIChildForm*> children_;
    bool shown_ = false;
    int filterId_ = 0;
    int idleId_ = 0;
    bool titlePending_ = false;
    // While a child is created, the frame's non-client area is painted once afterwards.
    int frameHold_ = 0;
    bool framePaintSkipped_ = false;
};

// A child form of an MDI frame, created shown and maximised. Always allocated with new: it
// deletes itself when released or when its window is destroyed with the frame.
class MDIChildForm : public Form {
public:
    MDIChildForm(const MDIChildForm&) = delete;
    MDIChildForm& operator=(const MDIChildForm&) = delete;

    MDIFrameForm& Frame() const { return frame_; }
    bool Maximized() const;
    void Maximize();
    void Restore();
    // Brings the form to the front of the MDI area and activates it.
    void Activate();

    // Asks the close query only (the frame's exit asks every child before its own query).
    bool QueryClose();

    // True when this is the frame's active child.
    bool IsActiveChild() const;
    // Gives a control of this form the keyboard focus: at once when the form is the active
    // child, otherwise the form remembers it as its focused control and gives the focus when it
    // is next activated, so that a form behind does not take the keys from the one in use.
    void FocusControl(std::function<void()> giveFocus);

protected:
    explicit MDIChildForm(MDIFrameForm& frame);
    ~MDIChildForm() override;
    // Destroys the window now; a derived form calls it first in its destructor, so that no
    // message reaches it once its members are gone.
    void DestroyForm() noexcept;
    // Creates the child window (maximised) with its font.
    void CreateChild(const std::wstring& caption, HFONT font);
    // False while the form must not be destroyed yet; the release is tried again later.
    virtual bool CanRelease() const { return true; }
    // Default action of an MDI child is Minimize; forms that free themselves override DoClose.
    void DoClose(CloseAction& action) override;
    void CloseAllowed(CloseAction action) override;
    void ShowCaption() override;

    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    LRESULT DefaultProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void WindowDestroyed() noexcept override;

private:
    friend class MDIFrameForm;
    MDIFrameForm& frame_;
    bool deleting_ = false;
    std::function<void()> focusedControl_;
};

} // namespace tk
