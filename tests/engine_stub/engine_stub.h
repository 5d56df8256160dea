// The stand-in engine: an in-process ActiveX control that takes the place of the platform's
// WebBrowser class in tests. It behaves as the engine interface the program relies on:
// events in the platform's order (BeforeNavigate2 inside Navigate2, the rest posted through
// its own message window), ReadyState reaching 4, titles and text from test pages, documents
// answering IHTMLDocument2 and IOleCommandTarget that record what they are sent, and, on
// request, NewWindow2, a close request, failing calls, pages that never complete and calls
// back into the host's site interfaces.
#pragma once

#include <windows.h>
#include <exdisp.h>
#include <mshtmhst.h>

#include <optional>
#include <string>
#include <vector>

namespace stub {

// CLSID_WebBrowser answered by the stand-in for this process while the object lives.
class ScopedRegistration {
public:
    ScopedRegistration();
    ~ScopedRegistration();
    ScopedRegistration(const ScopedRegistration&) = delete;
    ScopedRegistration& operator=(const ScopedRegistration&) = delete;

private:
    DWORD cookie_ = 0;
};

// A test page, by exact URL. A URL without a page loads with its own text as title.
struct Page {
    std::wstring title;
    std::wstring text;              // body text of the document
    bool neverComplete = false;     // stops after DownloadBegin; ReadyState stays 1
    HRESULT navigateResult = S_OK;  // Navigate2 answers this (after BeforeNavigate2 if S_OK)
    int frames = 0;                 // child frames raising their own navigation events
    std::wstring popupUrl;          // when complete, the page asks for a new window for this
    bool closeWhenComplete = false; // when complete, the page asks to close its window
    bool navigateError = false;     // the load fails: NavigateError (271), ReadyState stays 1
};

// A script error of the page, as the window's event object describes it.
struct ScriptError {
    LONG line = 0, character = 0, code = 0;
    std::wstring message, url;
    std::wstring missing; // a property name the event object does not know (empty: none)
};
void SetPage(const std::wstring& url, const Page& page);
void ClearPages();

// One navigation request as the engine received it. A URL wrapped as VT_VARIANT|VT_BYREF is
// recorded as the variant it points to; an optional argument passed as a null pointer has
// type 0xFFFF. A byte-array URL (item-identifier list) loads as "itemidlist:<byte count>".
struct NavigateCall {
    std::wstring method; // "Navigate" or "Navigate2"
    VARTYPE urlType = VT_EMPTY;
    std::wstring url;              // text of a VT_BSTR URL
    std::vector<BYTE> bytes;       // content of a VT_ARRAY|VT_UI1 URL
    VARTYPE optionalTypes[4] = {}; // Flags, TargetFrameName, PostData, Headers as received
    LONG optionalInts[4] = {};     // their values when VT_I4
};

// Behaviour worth knowing when testing against the engine:
// - ReadyState is 0 until the first navigation; 1 from BeforeNavigate2 on; LocationURL and
//   LocationName change just before TitleChange; 3 with NavigateComplete2 (the document exists
//   from then on); 4 with DocumentComplete.
// - SetClientSite asks the site for IDocHostUIHandler, IOleCommandTarget and
//   IPropertyNotifySink and reads the ambients -5501 and -5502, as the platform's engine does;
//   it never asks for the host interfaces again, so the calls below go to what it got then.
// - A load raises DownloadBegin, CommandStateChange back (2) and forward (1), StatusTextChange
//   "Start downloading <url>" and "Downloading <url>", in this order, then the rest.
// - A page marked navigateError ends after DownloadComplete with NavigateError (271);
//   ReadyState stays 1, LocationURL is the address, there is no document.
// - Stop during a load drops the rest of it: DownloadComplete (if DownloadBegin was raised)
//   and StatusTextChange("") inside the call; ReadyState stays where it was (1 while loading).
// - WM_CLOSE reaching the engine's window destroys that window; GetWindow still gives its
//   (dead) handle afterwards.
//   Stop with nothing loading raises nothing.
// - Refresh reloads the current page without BeforeNavigate2, NavigateComplete2 or
//   DocumentComplete (as the platform); ReadyState returns to 4. With no page it does nothing.
// - GoBack/GoForward raise BeforeNavigate2 (cancellable) and the whole load of that entry.
// - BeforeNavigate2 carries URL (VT_BSTR), Flags (VT_I4, the flags received), TargetFrameName
//   and Headers (VT_BSTR, empty), each as VT_VARIANT|VT_BYREF; PostData (VT_EMPTY) doubly by
//   reference (VT_VARIANT|VT_BYREF to a VT_VARIANT|VT_BYREF), as the platform passes it.
// - Frames are named "frame<i>" with URL "<page url>#frame<i>"; their pDisp answers IDispatch
//   only (LocationURL, LocationName, ReadyState by Invoke).
class Engine {
public:
    virtual ~Engine() = default;

    virtual IWebBrowser2* Browser() = 0;
    virtual HWND Window() const = 0; // in-place window, null before activation
    virtual READYSTATE State() const = 0;
    virtual std::wstring Url() const = 0;
    virtual std::wstring Title() const = 0;
    virtual std::vector<NavigateCall> Navigations() const = 0;
    // Commands that reached the documents' IOleCommandTarget: "Exec <group> <id> <option>",
    // group "none" or "CGID_WebBrowser"; also ExecWB: "ExecWB <id> <option>".
    virtual std::vector<std::wstring> Commands() const = 0;

    // Next call of the named IWebBrowser2 method ("GoBack", "Navigate2", "Refresh", ...)
    // answers hr without doing anything.
    virtual void FailNext(const std::wstring& method, HRESULT hr) = 0;

    struct NewWindowResult {
        bool cancelled = false;
        bool gotDispatch = false; // the handler handed back a dispatch object
        bool loaded = false;      // the page was sent to that object's IWebBrowser2
    };
    // Raises NewWindow2 now (ppDisp null, Cancel false) and, unless cancelled, navigates the
    // returned browser to url.
    virtual NewWindowResult RaiseNewWindow2(const std::wstring& url) = 0;
    // Posts WM_CLOSE to its in-place window, as a page closing itself does.
    virtual void RequestClose() = 0;
    // True once a WM_CLOSE reached the engine's own window procedure.
    virtual bool CloseReceived() const = 0;

    // Raises an event with explicit arguments (first argument first; the stub reverses them
    // into DISPPARAMS). For checking argument routing.
    virtual void RaiseEvent(DISPID id, const std::vector<VARIANT>& args) = 0;

    // Calls into the host's site: QueryInterface for iid.
    virtual bool SiteAnswers(REFIID iid) = 0;
    // Reads an ambient property through the site's IDispatch; VT_EMPTY when not answered.
    virtual VARIANT Ambient(DISPID id) = 0;

    // Key messages: TranslateAccelerator answers S_OK for key up/down messages of a consumed
    // virtual key, S_FALSE for everything else; every message offered is kept in order.
    virtual void ConsumeKey(UINT vk) = 0;
    virtual std::vector<MSG> Keys() const = 0;
    // Dispatch ids of OnAmbientPropertyChange calls, in order.
    virtual std::vector<DISPID> AmbientChanges() const = 0;
    // Value of ambient -5512 (download control) read on the last OnAmbientPropertyChange(-5512);
    // empty before that or when the site did not answer it as an integer.
    virtual std::optional<LONG> DownloadControl() const = 0;
    // Calls into the host interfaces the site gave in SetClientSite; E_NOINTERFACE when it gave
    // none. The context menu's command target is the engine itself (IOleWindow: its window).
    virtual HRESULT HostGetHostInfo(DOCHOSTUIINFO* info) = 0;
    virtual HRESULT HostShowContextMenu(DWORD id, POINT pt) = 0;
    virtual HRESULT HostTranslateAccelerator(const MSG& msg) = 0;
    virtual HRESULT HostQueryStatus() = 0;
    virtual HRESULT HostExec(const GUID* group, DWORD id, VARIANT* in, VARIANT* out) = 0;
    // IDocHostShowUI::ShowMessage; the site is asked for IDocHostShowUI at the call.
    virtual HRESULT HostShowMessage(const std::wstring& text, const std::wstring& caption,
                                    DWORD type, LRESULT* result) = 0;
    // A script error of the current page: the window's event carries the error, and the host's
    // command target gets Exec(CGID_DocHostCommandHandler, 40) with the document as input.
    // E_UNEXPECTED without a document.
    virtual HRESULT RaiseScriptError(const ScriptError& error, VARIANT* out) = 0;
    // Zoom level of the documents (document command 19 with an input); 2 at the start.
    virtual LONG ZoomLevel() const = 0;
    // Number of entries in the history of completed top-level navigations and the index of
    // the current one (-1 before the first).
    virtual int HistoryLength() const = 0;
    virtual int HistoryIndex() const = 0;
};

// Makes every engine fail in-place activation from now on: no IOleInPlaceObject at all, or
// GetWindow answering no window. None restores normal hosting.
enum class HostingFault { None, NoInPlaceObject, NoWindow };
void SetHostingFault(HostingFault fault);

// Live instances in creation order; the last one created (null when none lives).
std::vector<Engine*> Instances();
Engine* Last();

// The class object that creates engines (one per process, never freed).
IClassFactory* ClassFactory();
// Engines, documents and other objects of the stand-in still alive, plus factory locks.
long LiveObjects();

// Also append every call log entry to this UTF-8 file, one line "<pid> <entry>" each, written
// through at once (used by the DLL for runs in another process). Empty path: stop.
void SetLogFile(const std::wstring& path);
// Adds pages from a UTF-8 file, one a line: url TAB title [TAB flags [TAB text]], flags
// separated by blanks or commas: "never", "frames=<n>", "popup=<url>", "close",
// "fail=<hex HRESULT>", "error" (navigateError). Returns the number of pages read, -1 when the file
// cannot be read.
int LoadPages(const std::wstring& path);

// Everything the hosting calls did, in order, across all instances: "SetClientSite",
// "InitNew", "Advise DWebBrowserEvents2", "Advise IPropertyNotifySink",
// "OnAmbientPropertyChange -1", "DoVerb -5", "GetWindow", "Close 1", "Unadvise ...",
// "SetClientSite null", "Release final", "Event <dispid>" for each event raised ...
// Also, one entry per call: "GetMiscStatus", "GetExtent", "SetExtent <cx> <cy>", "DoVerb <verb>",
// "SetObjectRects <l> <t> <r> <b>", "InPlaceDeactivate", "UIDeactivate", "SetHostNames",
// "Load", "FreezeEvents <0|1>", "TranslateAccelerator <msg> <wParam>" (hexadecimal),
// "Ambient -5512 <value>" (value read back from the site, or "none"), the IWebBrowser2 methods
// by name ("Navigate2 <url>", "Navigate <url>", "GoBack", "GoForward", "Stop", "Refresh",
// "GoHome", "Quit"), "ExecWB <id> <option>", "Exec <group> <id> <option>" (documents),
// "Put <dispid>" for every property written. Property reads are not logged: hosts poll them.
// "WM_CLOSE" when the in-place window receives a close; "Exception <text>" when a COM entry
// point caught an exception; in SetClientSite "Site <interface> yes|no" for each host interface
// asked and "Ambient <dispid> <value|none>" for -5501 and -5502.
std::vector<std::wstring> CallLog();
void ClearCallLog();

} // namespace stub
