// TMDIChild: a browser window. One MDI child of the frame holding one host component with
// its navigation bar, address box and status bar; it turns the engine's events into updates
// of its controls and caption and tells the frame when its tab must change. Navigation and
// the new-window policy live in mdi_child_navigation.cpp.
#pragma once

#include "browser_window/window_owner.h"
#include "host/embedded_browser.h"
#include "toolkit/controls.h"
#include "toolkit/forms.h"

#include <memory>
#include <string>

class TMDIChild : public tk::MDIChildForm {
public:
    // Creates the window in the owner's frame, shown maximised; it frees itself when closed.
    // A creator that knows the window's caption already passes it, so that the frame's title
    // shows it from the start instead of changing once more.
    explicit TMDIChild(IBrowserWindowOwner& owner, const std::wstring& caption = L"KV");

    std::unique_ptr<host::TEmbeddedBrowser> WebBrowser1;
    bool FRecordNextUrl = false;

    tk::CoolBar CoolBar1;
    tk::ToolBar ToolBar1;
    tk::CheckBox CheckBox1;
    tk::Panel Panel1;
    tk::ComboBox URLS; // editable; Items() are ANSI lines; Text()/SetText() the edit text
    tk::SpeedButton SpeedButton1; // "转到"
    tk::StatusBar StatusBar1;     // SetPanelText(int panel, const std::wstring&)
    tk::ProgressBar FProgressBar;
    // Shared with the other windows of the same scale.
    std::shared_ptr<const tk::ImageList> NavigatorImages, NavigatorHotImages;
    tk::Action BackAction, ForwardAction, StopAction, RefreshAction;
    int BackBtn = 0, ForwardBtn = 0, StopBtn = 0, RefreshBtn = 0; // button ids in ToolBar1

    std::wstring Caption() const { return tk::Form::Caption(); }
    void SetCaption(const std::wstring& caption) { tk::Form::SetCaption(caption); }
    HWND Handle() const { return tk::Form::Handle(); }
    void Close() { tk::Form::Close(); } // the normal close: close query removes the tab

    // Handlers of the window.
    void FormCreate();
    void FormCloseQuery(bool& CanClose);
    void FormClose(tk::CloseAction& Action);
    void FormDestroy();
    void FormKeyDown(WORD Key, bool alt, bool shift, bool ctrl, bool mouseButton);
    void URLSKeyDown(WORD Key);
    void SpeedButton1Click();
    void BackActionExecute();
    void ForwardActionExecute();
    void StopActionExecute();
    void RefreshActionExecute();
    void WebBrowser1StatusTextChange(host::TWebBrowser& Sender, const std::wstring& Text);
    void WebBrowser1ProgressChange(host::TWebBrowser& Sender, int32_t Progress,
                                   int32_t ProgressMax);
    void WebBrowser1CommandStateChange(host::TWebBrowser& Sender, int32_t Command,
                                       VARIANT_BOOL Enable);
    void WebBrowser1DownloadBegin(host::TWebBrowser& Sender);
    void WebBrowser1DownloadComplete(host::TWebBrowser& Sender);
    void WebBrowser1TitleChange(host::TWebBrowser& Sender, const std::wstring& Text);
    void WebBrowser1NavigateComplete2(host::TWebBrowser& Sender, IDispatch* pDisp, VARIANT* URL);
    void WebBrowser1ToolBar(host::TWebBrowser& Sender, VARIANT_BOOL Value);
    void WebBrowser1MenuBar(host::TWebBrowser& Sender, VARIANT_BOOL Value);
    void WebBrowser1StatusBar(host::TWebBrowser& Sender, VARIANT_BOOL Value);
    void WebBrowser1FullScreen(host::TWebBrowser& Sender, VARIANT_BOOL Value);
    void WebBrowser1CloseQuery(host::TEmbeddedBrowser& Sender, bool& CanClose);

    // Handlers defined in mdi_child_navigation.cpp:
    void GoToAddress();
    void WebBrowser1BeforeNavigate2(host::TWebBrowser& Sender, IDispatch* pDisp, VARIANT* URL,
                                    VARIANT* Flags, VARIANT* TargetFrameName, VARIANT* PostData,
                                    VARIANT* Headers, VARIANT_BOOL* Cancel);
    void WebBrowser1NewWindow2(host::TWebBrowser& Sender, IDispatch** ppDisp, VARIANT_BOOL* Cancel);

    // Shows or hides the bars (the frame's view settings and the page's requests).
    void SetBarsVisible(bool toolBar1, bool coolBar1, bool statusBar1);
    void SetCoolBarVisible(bool visible);
    void SetStatusBarVisible(bool visible);
    bool ToolBar1Visible() const;
    bool CoolBar1Visible() const;
    bool StatusBar1Visible() const;

    IBrowserWindowOwner& Owner() const { return owner_; }
    // The address of the page the engine last showed (ANSI); empty before the first.
    const std::string& PageAddress() const { return pageAddress_; }

    // Fonts, pictures and bars for a screen of dpi dots per inch: only the frame hears of a
    // move to a monitor of another scale, and passes it on.
    void ApplyDpi(UINT dpi);

protected:
    ~TMDIChild() override;
    void DoCloseQuery(bool& canClose) override;
    void DoClose(tk::CloseAction& action) override;
    bool CanRelease() const override;
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void CreateControls();
    void CreateBrowser();
    void Layout();
    // Design pixels at 96 DPI on the window's current scale.
    int S(int pixels) const;

    IBrowserWindowOwner& owner_;
    UINT dpi_ = 96;
    bool layoutPending_ = false; // resized while hidden behind a window being created
    std::string pageAddress_;
};
