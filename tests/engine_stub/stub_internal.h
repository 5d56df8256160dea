// Pieces shared by the files of the stand-in engine.
#pragma once

#include "engine_stub/engine_stub.h"

#include <mshtml.h>
#include <wrl/client.h>

#include <map>
#include <optional>
#include <memory>
#include <string>
#include <utility>

namespace stub::detail {

using Microsoft::WRL::ComPtr;

void Log(std::wstring entry);
// Counts live COM objects of the stand-in for DllCanUnloadNow and leak checks.
void ObjectCreated();
void ObjectDestroyed();

// The page for a URL: the test page if one was set, else a page titled with the URL.
Page FindPage(const std::wstring& url);

std::wstring Hex(unsigned long value);

// Command group of the browser's own dialogs (find, Internet options); not in every SDK.
constexpr GUID kCgidWebBrowser = {
    0xED016940, 0xBD5B, 0x11CF, {0xBA, 0x4E, 0x00, 0xC0, 0x4F, 0xD7, 0x08, 0x16}};
constexpr DISPID kAmbientDownloadControl = -5512;

// Runs an entry point body; an exception becomes a log entry and a failing result, so it never
// crosses back into the caller.
template <class F> HRESULT Safe(F&& f) noexcept {
    try {
        return std::forward<F>(f)();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (const std::exception& e) {
        try {
            std::string what = e.what();
            Log(L"Exception " + std::wstring(what.begin(), what.end()));
        } catch (...) {
        }
        return E_FAIL;
    } catch (...) {
        try {
            Log(L"Exception unknown");
        } catch (...) {
        }
        return E_FAIL;
    }
}

// What the documents of one engine share with it; documents may outlive their engine.
struct DocumentShared {
    std::vector<std::wstring> commands;
    LONG zoom = 2;
    std::map<std::wstring, HRESULT> failures; // "Exec" fails the next document command
    std::optional<ScriptError> scriptError;   // the window's event while a script error runs
};

// A document answering IHTMLDocument2, IOleCommandTarget and IDispatch.
ComPtr<IDispatch> MakeDocument(std::shared_ptr<DocumentShared> shared, const std::wstring& url,
                               const std::wstring& title, const std::wstring& text);
// The automation object of a child frame: answers LocationURL, LocationName and ReadyState.
ComPtr<IDispatch> MakeFrame(const std::wstring& url, const std::wstring& name);

// Takes over a reference the caller owns. (ComPtr::Attach would do, but mingw-w64's version
// adds a reference of its own.)
template <class T> ComPtr<T> Adopt(T* raw) {
    ComPtr<T> p(raw);
    if (raw) {
        raw->Release();
    }
    return p;
}

// Writes a BSTR copy of text into a VARIANT (VT_BSTR).
void SetBstr(VARIANT* v, const std::wstring& text);
BSTR AllocBstr(const std::wstring& text);

} // namespace stub::detail
