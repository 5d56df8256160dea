#include "toolkit/system_library.h"

#include "toolkit/error.h"

#include <string>

namespace tk {

void* SystemFunction(const wchar_t* library, const char* name) noexcept {
    HMODULE m = GetModuleHandleW(library);
    if (m == nullptr) {
        // Only the system folder: a library of the same name beside the program or in the
        // working directory is never taken.
        m = LoadLibraryExW(library, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    }
    return m != nullptr ? reinterpret_cast<void*>(GetProcAddress(m, name)) : nullptr;
}

void* RequiredSystemFunction(const wchar_t* library, const char* name) {
    void* f = SystemFunction(library, name);
    if (f == nullptr) {
        std::wstring function(name, name + std::char_traits<char>::length(name));
        throw Error(L"The system function " + function + L" (" + library + L") is not available");
    }
    return f;
}

} // namespace tk
