// TEmbeddedBrowser: the browser host component that every browser window owns.
//
// Adds to the engine wrapper the host's option groups, its answers to the engine's host calls
// (host UI handler, message and help boxes, command target, services, ambient properties),
// each replaceable by an event slot, its control window procedure (keys to the engine, the
// page's close request), the watch over the dialogs the engine opens above the host's form,
// the user's browser settings it keeps while it lives, and the navigation operations the rest
// of the program uses.
#pragma once

#include "host/core/host_options.h"
#include "host/shell_dde.h"
#include "host/web_browser.h"

#include <docobj.h>
#include <mshtmhst.h>
#include <servprov.h>
#include <shtypes.h>

#include <memory>
#include <string>

namespace host {

class TEmbeddedBrowser;
class HostCallbacks;

using THostNotifyEvent = std::function<void(TEmbeddedBrowser& Sender)>;
using TCloseQueryEvent = std::function<void(TEmbeddedBrowser& Sender, bool& CanClose)>;
using TRefreshEvent = std::function<void(TEmbeddedBrowser& Sender, int CmdID, bool& Cancel)>;
using TScriptErrorEvent = std::function<void(
    TEmbeddedBrowser& Sender, const std::wstring& ErrorLine, const std::wstring& ErrorCharacter,
    const std::wstring& ErrorCode, const std::wstring& ErrorMessage, const std::wstring& ErrorUrl,
    bool& ContinueScript, bool& Showdialog)>;
using TShowDialogEvent = std::function<void(TEmbeddedBrowser& Sender, HWND h)>;

// Handlers that replace the host's answers to the engine; their result is the answer.
using TShowContextMenuEvent = std::function<HRESULT(DWORD dwID, POINT* ppt, IUnknown* pcmdtReserved,
                                                    IDispatch* pdispReserved)>;
using TGetHostInfoEvent = std::function<HRESULT(DOCHOSTUIINFO* pInfo)>;
using TShowUIEvent = std::function<HRESULT(DWORD dwID, IOleInPlaceActiveObject* pActiveObject,
                                           IOleCommandTarget* pCommandTarget,
                                           IOleInPlaceFrame* pFrame, IOleInPlaceUIWindow* pDoc)>;
using THResultEvent = std::function<HRESULT()>;
using TBoolHResultEvent = std::function<HRESULT(BOOL fEnable)>;
using TResizeBorderEvent =
    std::function<HRESULT(LPCRECT prcBorder, IOleInPlaceUIWindow* pUIWindow, BOOL fRameWindow)>;
using TTranslateAcceleratorEvent =
    std::function<HRESULT(LPMSG lpMsg, const GUID* pguidCmdGroup, DWORD nCmdID)>;
using TGetOptionKeyPathEvent = std::function<HRESULT(LPOLESTR* pchKey, DWORD dw)>;
using TGetDropTargetEvent =
    std::function<HRESULT(IDropTarget* pDropTarget, IDropTarget** ppDropTarget)>;
using TGetExternalEvent = std::function<HRESULT(IDispatch** ppDispatch)>;
using TTranslateUrlEvent =
    std::function<HRESULT(DWORD dwTranslate, OLECHAR* pchURLIn, OLECHAR** ppchURLOut)>;
using TFilterDataObjectEvent = std::function<HRESULT(IDataObject* pDO, IDataObject** ppDORet)>;
using TShowMessageEvent =
    std::function<HRESULT(HWND hwnd, LPOLESTR lpstrText, LPOLESTR lpstrCaption, DWORD dwType,
                          LPOLESTR lpstrHelpFile, DWORD dwHelpContext, LRESULT* plResult)>;
using TShowHelpEvent =
    std::function<HRESULT(HWND hwnd, LPOLESTR pszHelpFile, UINT uCommand, DWORD dwData,
                          POINT ptMouse, IDispatch* pDispatchObjectHit)>;
using TGetTypeInfoCountEvent = std::function<HRESULT(UINT* Count)>;
using TGetTypeInfoEvent = std::function<HRESULT(UINT Index, LCID LocaleID, ITypeInfo** TypeInfo)>;
using TGetIDsOfNamesEvent = std::function<HRESULT(REFIID IID, LPOLESTR* Names, UINT NameCount,
                                                  LCID LocaleID, DISPID* DispIDs)>;
using TInvokeEvent =
    std::function<HRESULT(DISPID DispID, REFIID IID, LCID LocaleID, WORD Flags, DISPPARAMS* Params,
                          VARIANT* VarResult, EXCEPINFO* ExcepInfo, UINT* ArgErr)>;
using TQueryServiceEvent = std::function<HRESULT(REFGUID rsid, REFIID iid, void** Obj)>;

// How a wait for the page ended. Complete, TimedOut (no sign of progress for WaitLimitMs) and
// Failed (the engine reported that the navigation failed) let the caller go on; after
// HostDestroyed or Quit the caller must not go on: the host is gone, or the program is quitting.
// Abandoned: the host's window is closing (AbandonWaits); the page is of no interest any more.
enum class [[nodiscard]] WaitResult{Complete, TimedOut, Failed, HostDestroyed, Quit, Abandoned};

// True when the caller of a wait may go on.
inline bool CanGoOn(WaitResult r) {
    return r == WaitResult::Complete || r == WaitResult::TimedOut || r == WaitResult::Failed;
}

// Error options. Setting fpExceptions applies it to the floating-point unit at once: true
// masks every floating-point exception, false restores the mask found at program start.
class TDisableErrors {
public:
    bool EnableDDE = true;   // answer the shell's folder conversations
    bool ScriptError = true; // close the engine's error boxes
    bool fpExceptions() const { return fpExceptions_; }
    void SetFpExceptions(bool value);

private:
    bool fpExceptions_ = true; // the initial value is not applied
};

class TEmbeddedBrowser : public TWebBrowser {
public:
    TEmbeddedBrowser();
    ~TEmbeddedBrowser() override;

    // The page asks to close its window: CanClose starts true; the engine receives the close
    // only when it is still true after this handler.
    TCloseQueryEvent OnCloseQuery;
    // The engine is about to refresh the page (commands 2300, 6041, 6042); Cancel stops it.
    TRefreshEvent OnRefresh;
    // A script error of the page; Showdialog false keeps the engine's error box away.
    TScriptErrorEvent OnScriptError;
    // The page is being unloaded.
    THostNotifyEvent OnUnload;
    // A window was activated above the host's form (dialogs of the engine among them).
    TShowDialogEvent OnShowDialog;

    // Replacements of the host's answers.
    TShowContextMenuEvent OnShowContextMenu;
    TGetHostInfoEvent OnGetHostInfo;
    TShowUIEvent OnShowUI;
    THResultEvent OnHideUI;
    THResultEvent OnUpdateUI;
    TBoolHResultEvent OnEnableModeless;
    TBoolHResultEvent OnOnDocWindowActivate;
    TBoolHResultEvent OnOnFrameWindowActivate;
    TResizeBorderEvent OnResizeBorder;
    TTranslateAcceleratorEvent OnTranslateAccelerator;
    TGetOptionKeyPathEvent OnGetOptionKeyPath;
    TGetOptionKeyPathEvent OnGetOverrideKeyPath;
    TGetDropTargetEvent OnGetDropTarget;
    TGetExternalEvent OnGetExternal;
    TTranslateUrlEvent OnTranslateUrl;
    TFilterDataObjectEvent OnFilterDataObject;
    TShowMessageEvent OnShowMessage;
    TShowHelpEvent OnShowHelp;
    TGetTypeInfoCountEvent OnGetTypeInfoCount;
    TGetTypeInfoEvent OnGetTypeInfo;
    TGetIDsOfNamesEvent OnGetIDsOfNames;
    TInvokeEvent OnInvoke;
    TQueryServiceEvent OnQueryService;

    // Stored options.
    std::wstring About() const;
    // Registered when the host is placed on its form, extended there unless it is the default
    // text (the extended text is kept, so that the same name is removed at destruction).
    const std::wstring& UserAgent() const { return userAgent_; }
    void SetUserAgent(std::wstring text) { userAgent_ = std::move(text); }
    TDownloadControlOptions DownloadOptions() const { return downloadOptions_; }
    void SetDownloadOptions(TDownloadControlOptions options);
    TUserInterfaceOptions UserInterfaceOptions() const { return uiOptions_; }
    void SetUserInterfaceOptions(TUserInterfaceOptions options);
    uint32_t DownloadControlValue() const { return downloadControlValue_; }
    uint32_t HostUIFlagsValue() const { return hostUIFlagsValue_; }
    TMessagesBoxes MessagesBoxes;
    TPrintOptions PrintOptions;
    TProxySettings ProxySettings;
    TRightClickMenu RightClickMenu;
    TRightClickShortCuts RightClickShortCuts;
    TShortCuts ShortCuts;
    TDisableErrors DisableErrors;
    TVisualEffects VisualEffects;
    std::wstring HelpFile;
    bool HideBorders = false;
    bool HideScrollBars = false;

    // Navigates to url unless it is empty after trimming blanks and control characters; the
    // engine receives the text untrimmed with four 32-bit zeros.
    void NavigateUrl(const std::wstring& url);
    // Navigates to a shell item by its item-identifier list (passed as a byte array).
    void NavigateItemIdList(PCIDLIST_ABSOLUTE idList);
    // "about:blank", then WaitForComplete. HostDestroyed when a handler destroyed the host
    // inside the navigation; the host is not touched again then.
    WaitResult NavigateBlank();
    // Handles pending messages until ReadyState is 4 (see the .cpp for when else it ends).
    // After HostDestroyed the caller must not touch this object again.
    WaitResult WaitForComplete();

    // Sets the document's text size (the engine's zoom level), clamped to the engine's range.
    // Nothing happens without a document; the document's failures are ignored.
    void ApplyTextSize(int32_t size);

    // Ends every running and later wait of this host with Abandoned: its window is going, and
    // nothing should wait for its page any more.
    void AbandonWaits() noexcept { waitsAbandoned_ = true; }

    // Longest wait of WaitForComplete for a page that shows no sign of progress, in ms.
    static DWORD WaitLimitMs();
    static void SetWaitLimitMs(DWORD ms);

protected:
    // The control window procedure: keys, the page's close request, shell conversations.
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    HRESULT QueryHostInterface(REFIID iid, void** object) override;
    void Completed() override;
    void ParentSet() override;
    void InvokeEvent(int slot, DISPPARAMS* params) override;
    void InvokeOtherEvent(DISPID id, DISPPARAMS* params) override;

    // The host's answers with a rule of their own (the rest are in HostCallbacks).
    virtual HRESULT HostShowContextMenu(DWORD id, POINT* pt, IUnknown* target, IDispatch* object);
    virtual HRESULT HostGetHostInfo(DOCHOSTUIINFO* info);
    virtual HRESULT HostTranslateAccelerator(LPMSG msg, const GUID* group, DWORD command);
    virtual HRESULT HostQueryStatus(const GUID* group, ULONG count, OLECMD* commands,
                                    OLECMDTEXT* text);
    virtual HRESULT HostExec(const GUID* group, DWORD command, DWORD option, VARIANT* in,
                             VARIANT* out);
    virtual HRESULT HostShowHelp(HWND window, LPOLESTR file, UINT command, DWORD data, POINT pt,
                                 IDispatch* hit);
    virtual HRESULT HostInvoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params,
                               VARIANT* result, EXCEPINFO* excep, UINT* argErr);

private:
    friend class HostCallbacks;

    void Load();
    void LoadStarting() override;
    WaitResult Wait();
    HRESULT ScriptError(VARIANT* in, VARIANT* out);
    HRESULT TrackOwnMenu(DWORD id, POINT* pt, IUnknown* target);
    void NotifyDownloadControl();
    static LRESULT CALLBACK OwnerHookProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam,
                                          UINT_PTR id, DWORD_PTR data);
    void StartWatching();
    void StopWatching() noexcept;
    void WatchActivation(HWND activated, bool front);
    bool IsFrontForm() const;
    bool IsEngineDialogOfThisHost(HWND dialog, bool front) const;

    std::wstring userAgent_;
    TDownloadControlOptions downloadOptions_;
    TUserInterfaceOptions uiOptions_;
    uint32_t downloadControlValue_ = 0;
    uint32_t hostUIFlagsValue_ = 0;
    ComPtr<HostCallbacks> callbacks_;
    bool loaded_ = false;
    bool proxyHeld_ = false; // the user's proxy is saved for this host, which set its own
    bool userAgentRegistered_ = false;
    HWND owner_ = nullptr;   // the window whose activations are watched
    HWND mdiForm_ = nullptr; // the host's form when it is an MDI child: owner_ is its frame
    int frameWatcher_ = 0;   // the frame's watcher for the host
    int dialogWatcher_ = 0;  // the thread's watch of boxes activated over other boxes
    // Expires when this host is destroyed; waits inside it hold a weak reference.
    std::shared_ptr<int> alive_;
    // Counts engine events; a wait that sees no new events for the limit gives up.
    uint64_t eventCount_ = 0;
    bool navigationFailed_ = false;
    bool waitsAbandoned_ = false;
    // Shell folder DDE server of this host.
    std::unique_ptr<DdeMessageWindow> dde_;
};

} // namespace host
