#include "app/browser_emulation.h"

#include <string>

namespace kv {
namespace {

constexpr const wchar_t* kEmulationKey = L"Software\\Microsoft\\Internet Explorer\\Main\\"
                                         L"FeatureControl\\FEATURE_BROWSER_EMULATION";
// The program's own note of the values it wrote there itself, one per program file name: the
// uninstaller removes a value only when it is noted here, so a value the user set is kept.
constexpr const wchar_t* kWrittenKey = L"Software\\Quelmar\\KVBrowser\\BrowserEmulation";

class RegKey {
public:
    RegKey() = default;
    ~RegKey() {
        if (key_ != nullptr) {
            RegCloseKey(key_);
        }
    }
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;
    HKEY* Receive() { return &key_; }
    HKEY Get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

// The program file's own name: the engine looks the value up by the name of the process's
// executable, so a renamed copy needs its own value.
std::wstring ProgramFileName() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) {
            return {};
        }
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        path.resize(path.size() * 2);
    }
    size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

} // namespace

EmulationResult EnsureBrowserEmulation() noexcept {
    try {
        std::wstring name = ProgramFileName();
        if (name.empty()) {
            return EmulationResult::Failed;
        }
        RegKey key;
        if (RegCreateKeyExW(HKEY_CURRENT_USER, kEmulationKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                            KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, key.Receive(),
                            nullptr) != ERROR_SUCCESS) {
            return EmulationResult::Failed;
        }
        // Any value already there, of whatever type, is the user's choice.
        LSTATUS found =
            RegQueryValueExW(key.Get(), name.c_str(), nullptr, nullptr, nullptr, nullptr);
        if (found == ERROR_SUCCESS || found == ERROR_MORE_DATA) {
            return EmulationResult::KeptExisting;
        }
        if (found != ERROR_FILE_NOT_FOUND) {
            return EmulationResult::Failed;
        }
        // Noted first: a value that the program cannot note is not written.
        DWORD mode = kNewestDocumentMode;
        RegKey written;
        if (RegCreateKeyExW(HKEY_CURRENT_USER, kWrittenKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                            KEY_SET_VALUE, nullptr, written.Receive(), nullptr) != ERROR_SUCCESS ||
            RegSetValueExW(written.Get(), name.c_str(), 0, REG_DWORD,
                           reinterpret_cast<const BYTE*>(&mode), sizeof(mode)) != ERROR_SUCCESS) {
            return EmulationResult::Failed;
        }
        if (RegSetValueExW(key.Get(), name.c_str(), 0, REG_DWORD,
                           reinterpret_cast<const BYTE*>(&mode), sizeof(mode)) != ERROR_SUCCESS) {
            RegDeleteValueW(written.Get(), name.c_str());
            return EmulationResult::Failed;
        }
        return EmulationResult::Written;
    } catch (...) {
        // Out of memory for the path: the engine then simply keeps its default mode.
        return EmulationResult::Failed;
    }
}

} // namespace kv
