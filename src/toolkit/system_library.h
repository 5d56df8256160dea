// Functions of system libraries that are bound on first use, so that the libraries (and the
// ones they bring with them) do not load, and start, with the program.
#pragma once

#include <windows.h>

namespace tk {

// The function, looked up in the library from the system folder (loaded then, and kept for the
// rest of the process); null when the library or the function is missing.
void* SystemFunction(const wchar_t* library, const char* name) noexcept;

template <class F> F SystemFunction(const wchar_t* library, const char* name) noexcept {
    return reinterpret_cast<F>(SystemFunction(library, name));
}

// As SystemFunction, but a missing function is raised as an error naming it.
void* RequiredSystemFunction(const wchar_t* library, const char* name);

template <class F> F RequiredSystemFunction(const wchar_t* library, const char* name) {
    return reinterpret_cast<F>(RequiredSystemFunction(library, name));
}

} // namespace tk
