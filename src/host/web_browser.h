// TWebBrowser: the wrapper of the platform's WebBrowser engine class.
//
// Supplies the engine's class description to TOleControl, exposes the engine's methods and
// dispatch-id properties, and holds the 18 engine event slots. Every engine call that fails
// raises tk::Error with the platform's text for the result.
#pragma once

#include "host/ole_control.h"

#include <exdisp.h>

#include <cstdint>
#include <functional>
#include <string>

namespace host {

class TWebBrowser;

// Text of an event argument or property value: a string (also by reference or inside a
// by-reference variant) or anything the platform converts to text; empty otherwise.
std::wstring VariantText(VARIANT* v);

using TNotifyEvent = std::function<void(TWebBrowser& Sender)>;
using TTextEvent = std::function<void(TWebBrowser& Sender, const std::wstring& Text)>;
using TProgressChangeEvent =
    std::function<void(TWebBrowser& Sender, int32_t Progress, int32_t ProgressMax)>;
using TCommandStateChangeEvent =
    std::function<void(TWebBrowser& Sender, int32_t Command, VARIANT_BOOL Enable)>;
using TBeforeNavigate2Event = std::function<void(
    TWebBrowser& Sender, IDispatch* pDisp, VARIANT* URL, VARIANT* Flags, VARIANT* TargetFrameName,
    VARIANT* PostData, VARIANT* Headers, VARIANT_BOOL* Cancel)>;
using TNewWindow2Event =
    std::function<void(TWebBrowser& Sender, IDispatch** ppDisp, VARIANT_BOOL* Cancel)>;
using TNavigateEvent = std::function<void(TWebBrowser& Sender, IDispatch* pDisp, VARIANT* URL)>;
using TBoolEvent = std::function<void(TWebBrowser& Sender, VARIANT_BOOL Value)>;

class TWebBrowser : public TOleControl {
public:
    TWebBrowser();
    ~TWebBrowser() override;

    // Event slots, in the order of the engine's dispatch ids 102, 108, 105, 106, 104, 113,
    // 112, 250, 251, 252, 259, 253, 254, 255, 256, 257, 258, 260.
    TTextEvent OnStatusTextChange;
    TProgressChangeEvent OnProgressChange;
    TCommandStateChangeEvent OnCommandStateChange;
    TNotifyEvent OnDownloadBegin;
    TNotifyEvent OnDownloadComplete;
    TTextEvent OnTitleChange;
    TTextEvent OnPropertyChange;
    TBeforeNavigate2Event OnBeforeNavigate2;
    TNewWindow2Event OnNewWindow2;
    TNavigateEvent OnNavigateComplete2;
    TNavigateEvent OnDocumentComplete;
    TNotifyEvent OnQuit;
    TBoolEvent OnVisible;
    TBoolEvent OnToolBar;
    TBoolEvent OnMenuBar;
    TBoolEvent OnStatusBar;
    TBoolEvent OnFullScreen;
    TBoolEvent OnTheaterMode;

    // Engine operations.
    void GoBack();
    void GoForward();
    void Stop();
    void Refresh();
    // The URL as the only argument; Flags, TargetFrameName, PostData and Headers missing.
    void Navigate(const std::wstring& url);
    void Navigate2(VARIANT* url, VARIANT* flags, VARIANT* targetFrameName, VARIANT* postData,
                   VARIANT* headers);
    // Output marked missing.
    void ExecWB(OLECMDID command, OLECMDEXECOPT option, VARIANT* input);

    // Engine properties, read through the engine and never stored.
    ComPtr<IDispatch> Application();
    ComPtr<IDispatch> Document();
    std::wstring LocationName();
    std::wstring LocationURL();
    READYSTATE ReadyState();
    // The engine's IWebBrowser2, fetched from the completed control on first use and kept.
    IWebBrowser2* DefaultInterface();

    // Further engine properties by dispatch id 402 ... 556.
    bool EngineVisible() { return GetBoolProp(402); }
    void SetEngineVisible(bool v) { SetBoolProp(402, v); }
    bool StatusBar() { return GetBoolProp(403); }
    void SetStatusBar(bool v) { SetBoolProp(403, v); }
    std::wstring StatusText() { return GetStringProp(404); }
    bool ToolBar() { return GetIntProp(405) != 0; }
    bool MenuBar() { return GetBoolProp(406); }
    bool FullScreen() { return GetBoolProp(407); }
    bool Offline() { return GetBoolProp(550); }
    void SetOffline(bool v) { SetBoolProp(550, v); }
    bool Silent() { return GetBoolProp(551); }
    void SetSilent(bool v) { SetBoolProp(551, v); }
    bool RegisterAsBrowser() { return GetBoolProp(552); }
    void SetRegisterAsBrowser(bool v) { SetBoolProp(552, v); }
    bool RegisterAsDropTarget() { return GetBoolProp(553); }
    void SetRegisterAsDropTarget(bool v) { SetBoolProp(553, v); }
    bool TheaterMode() { return GetBoolProp(554); }
    bool AddressBar() { return GetBoolProp(555); }
    bool Resizable() { return GetBoolProp(556); }

    static const TControlData& ClassData();

protected:
    void InvokeEvent(int slot, DISPPARAMS* params) override;
    // A reload is about to start through Refresh.
    virtual void LoadStarting() {}

private:
    ComPtr<IWebBrowser2> browser_;
};

} // namespace host
