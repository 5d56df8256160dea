// The shell's folder and HTML-file DDE conversations, answered by the browser host itself.
//
// Shell views shown inside the engine ask by DDE, under the names the shell declares in the
// registry, to open a folder or an HTML file, to explore a folder or to search it. Open
// requests navigate the host; explore and find requests go back to the shell. Only windows of
// the current thread of this process are answered, and executes only within a conversation
// this host acknowledged.
#pragma once

#include "toolkit/window.h"

#include <windows.h>
#include <dde.h>
#include <shtypes.h>

#include <functional>
#include <string>
#include <vector>

namespace host {

// Names the shell declares for its DDE conversations (the default values of keys under
// HKEY_CLASSES_ROOT); empty when a key or value is missing.
struct ShellDdeConfig {
    std::wstring HtmlFileApplication; // htmlfile\shell\open\ddeexec\application
    std::wstring HtmlFileTopic;       // htmlfile\shell\open\ddeexec\topic
    std::wstring FolderApplication;   // Folder\shell\open\ddeexec\application
    std::wstring FolderTopic;         // Folder\shell\open\ddeexec\topic
    std::wstring OpenCommand;         // command name in Folder\shell\open\ddeexec
    std::wstring ExploreCommand;      // command name in Folder\shell\explore\ddeexec
    std::wstring FindCommand;         // command name in Directory\shell\find\ddeexec
};

// The process-wide names, read again whenever a host is constructed.
const ShellDdeConfig& CurrentShellDdeConfig();
// Reads the names from the registry. A failure other than a missing key or value ends the
// reading and leaves the remaining names as they were.
void RefreshShellDdeConfig() noexcept;
// Forgets the names (at exit).
void ClearShellDdeConfig() noexcept;

// True when the last answered initiation was for the HTML-file service, false for the folder
// service. Decides how every later execute is read.
bool DdeConversationKind();
// True while the host itself runs a shell explore or find: the shell's own initiation that
// this causes is not answered then.
bool DdeBusy();

// What the DDE server needs of its host.
struct DdeHostLink {
    std::function<HWND()> controlWindow; // answers come from it; null while it does not exist
    std::function<bool()> enabled;       // initiations are answered only while true
    std::function<void(const std::wstring&)> navigateUrl;
    std::function<void(PCIDLIST_ABSOLUTE)> navigateItemIdList;
};

// One per host: a hidden top-level window that answers the shell's WM_DDE_INITIATE broadcast
// for the host. The conversation then goes on with the host's control window, which hands its
// WM_DDE_EXECUTE and WM_DDE_TERMINATE to HandleControlMessage.
class DdeMessageWindow : public tk::Window {
public:
    explicit DdeMessageWindow(DdeHostLink link);
    ~DdeMessageWindow() override;

    // WM_DDE_EXECUTE or WM_DDE_TERMINATE received by the control window. Errors go to the
    // default error report; nothing is acknowledged then.
    void HandleControlMessage(UINT msg, WPARAM wParam, LPARAM lParam) noexcept;

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void AnswerInitiate(HWND client, ATOM application, ATOM topic);
    void Execute(HWND client, LPARAM lParam);
    bool InConversation(HWND client);

    DdeHostLink link_;
    // Client windows whose initiation this host acknowledged, until their terminate.
    std::vector<HWND> conversations_;
};

} // namespace host
