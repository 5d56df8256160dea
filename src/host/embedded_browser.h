// TEmbeddedBrowser: the browser host component that every browser window owns.
//
// Adds to the engine wrapper the host's options, its answers to the engine's host calls,
// its control window procedure (keys to the engine, the page's close request) and the
// navigation operations the rest of the program uses.
#pragma once

#include "host/core/host_options.h"
#include "host/shell_dde.h"
#include "host/web_browser.h"

#include <shtypes.h>

#include <memory>
#include <string>

namespace host {

class TEmbeddedBrowser;

using TCloseQueryEvent = std::function<void(TEmbeddedBrowser& Sender, bool& CanClose)>;

// How a wait for the page ended. Complete, TimedOut (no sign of progress for WaitLimitMs) and
// Failed (the engine reported that the navigation failed) let the caller go on; after
// HostDestroyed or Quit the caller must not go on: the host is gone, or the program is quitting.
enum class [[nodiscard]] WaitResult{Complete, TimedOut, Failed, HostDestroyed, Quit};

// True when the caller of a wait may go on.
inline bool CanGoOn(WaitResult r) {
    return r == WaitResult::Complete || r == WaitResult::TimedOut || r == WaitResult::Failed;
}

class TEmbeddedBrowser : public TWebBrowser {
public:
    TEmbeddedBrowser();
    ~TEmbeddedBrowser() override;

    // The page asks to close its window: CanClose starts true; the engine receives the close
    // only when it is still true after this handler.
    TCloseQueryEvent OnCloseQuery;

    // Stored options.
    std::wstring About() const;
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
    TDisableErrors DisableErrors;

    // Navigates to url unless it is empty after trimming blanks and control characters; the
    // engine receives the text untrimmed with four 32-bit zeros.
    void NavigateUrl(const std::wstring& url);
    // Navigates to a shell item by its item-identifier list (passed as a byte array).
    void NavigateItemIdList(PCIDLIST_ABSOLUTE idList);
    // "about:blank", then WaitForComplete.
    WaitResult NavigateBlank();
    // Handles pending messages until ReadyState is 4 (see the .cpp for when else it ends).
    // After HostDestroyed the caller must not touch this object again.
    WaitResult WaitForComplete();

    // Longest wait of WaitForComplete for a page that shows no sign of progress, in ms.
    static DWORD WaitLimitMs();
    static void SetWaitLimitMs(DWORD ms);

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    HRESULT GetAmbientProperty(DISPID id, VARIANT* result) override;
    void InvokeEvent(int slot, DISPPARAMS* params) override;
    void InvokeOtherEvent(DISPID id, DISPPARAMS* params) override;

private:
    std::wstring userAgent_;
    TDownloadControlOptions downloadOptions_;
    TUserInterfaceOptions uiOptions_;
    uint32_t downloadControlValue_ = 0;
    uint32_t hostUIFlagsValue_ = 0;
    // Expires when this host is destroyed; waits inside it hold a weak reference.
    std::shared_ptr<int> alive_;
    // Counts engine events; a wait that sees no new events for the limit gives up.
    uint64_t eventCount_ = 0;
    bool navigationFailed_ = false;
    // Shell folder DDE server of this host.
    std::unique_ptr<DdeMessageWindow> dde_;
};

} // namespace host
