#include "toolkit/error.h"

#include "toolkit/application.h"
#include "toolkit/dialogs.h"
#include "toolkit/text.h"

#include <new>

namespace tk {

Error::Error(std::wstring message, HRESULT hr)
    : message_(std::move(message)), utf8_(ToUtf8(message_)), hr_(hr) {}

std::wstring SystemErrorText(HRESULT hr) {
    wchar_t* buffer = nullptr;
    DWORD code = static_cast<DWORD>(hr);
    if (HRESULT_FACILITY(hr) == FACILITY_WIN32) {
        code = HRESULT_CODE(hr);
    }
    DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                 FORMAT_MESSAGE_IGNORE_INSERTS,
                             nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text;
    if (n != 0 && buffer != nullptr) {
        text.assign(buffer, n);
        LocalFree(buffer);
        while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' ||
                                 text.back() == L' ' || text.back() == L'.')) {
            text.pop_back();
        }
    }
    if (text.empty()) {
        wchar_t hex[32];
        wsprintfW(hex, L"0x%08X", static_cast<unsigned>(hr));
        text = std::wstring(L"OLE error ") + hex;
    }
    return text;
}

void ThrowHr(HRESULT hr) {
    throw Error(SystemErrorText(hr), hr);
}

void ThrowLastError() {
    DWORD e = GetLastError();
    ThrowHr(e == 0 ? E_FAIL : HRESULT_FROM_WIN32(e));
}

std::wstring CurrentExceptionText() {
    try {
        throw;
    } catch (const Error& e) {
        return e.Message();
    } catch (const std::bad_alloc&) {
        return L"Out of memory";
    } catch (const std::exception& e) {
        return ToWideUtf8(e.what());
    } catch (...) {
        return L"Unknown error";
    }
}

void ReportCurrentException() noexcept {
    try {
        std::wstring text = CurrentExceptionText();
        HWND owner = Application::ActiveOwner();
        OwnDialogScope own;
        MessageBoxW(owner, text.c_str(), Application::Title().c_str(), MB_OK | MB_ICONERROR);
    } catch (...) {
        // Nothing is left to report with.
    }
}

} // namespace tk
