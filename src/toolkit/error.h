// Errors of the program and the default error report.
//
// Failures travel as tk::Error exceptions up to the handler that the window procedure, the
// callback or the COM entry point called; there they are caught and shown by the default
// error report. No exception may leave such an entry point.
#pragma once

#include <windows.h>

#include <exception>
#include <string>
#include <utility>

namespace tk {

class Error : public std::exception {
public:
    explicit Error(std::wstring message, HRESULT hr = E_FAIL);
    const std::wstring& Message() const noexcept { return message_; }
    HRESULT Result() const noexcept { return hr_; }
    const char* what() const noexcept override { return utf8_.c_str(); }

private:
    std::wstring message_;
    std::string utf8_;
    HRESULT hr_;
};

// The platform's text for a result code, without the trailing line break.
std::wstring SystemErrorText(HRESULT hr);

// Raises tk::Error carrying the platform's text for hr.
[[noreturn]] void ThrowHr(HRESULT hr);
[[noreturn]] void ThrowLastError();
// Raises when hr is a failure; returns hr (S_OK, S_FALSE, ...) otherwise.
inline HRESULT Check(HRESULT hr) {
    if (FAILED(hr)) {
        ThrowHr(hr);
    }
    return hr;
}

// Text of the exception being handled; call inside a catch block only.
std::wstring CurrentExceptionText();

// The default error report: a message box with the error's text, owned by the application's
// active window. The program goes on afterwards. Call inside a catch block.
void ReportCurrentException() noexcept;

// Runs f, reporting any exception through the default error report. Returns false when f threw.
template <class F> bool Guard(F&& f) noexcept {
    try {
        std::forward<F>(f)();
        return true;
    } catch (...) {
        ReportCurrentException();
        return false;
    }
}

// Same for COM entry points: the exception is reported and turned into a result code.
template <class F> HRESULT GuardHr(F&& f) noexcept {
    try {
        return std::forward<F>(f)();
    } catch (const Error& e) {
        ReportCurrentException();
        return FAILED(e.Result()) ? e.Result() : E_FAIL;
    } catch (...) {
        ReportCurrentException();
        return E_FAIL;
    }
}

} // namespace tk
