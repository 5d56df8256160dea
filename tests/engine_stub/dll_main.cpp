// kvstub.dll: the stand-in engine as an in-process server, registered under CLSID_WebBrowser
// in a throwaway Wine prefix so that the real program, started by an end-to-end test, hosts it.
// The test reads what happened from the file named by KVSTUB_LOG and describes its pages in
// the file named by KVSTUB_PAGES.
#include "engine_stub/engine_stub.h"

#include <exdisp.h>
#include <objbase.h>

#include <string>

namespace {

HINSTANCE g_module = nullptr;
bool g_configured = false;

std::wstring Environment(const wchar_t* name) {
    wchar_t buf[32768];
    DWORD n = GetEnvironmentVariableW(name, buf, 32768);
    return n > 0 && n < 32768 ? std::wstring(buf, n) : std::wstring();
}

// Read once, outside DllMain: the loader lock is not held here.
void Configure() {
    if (g_configured) {
        return;
    }
    g_configured = true;
    std::wstring log = Environment(L"KVSTUB_LOG");
    if (!log.empty()) {
        stub::SetLogFile(log);
    }
    std::wstring pages = Environment(L"KVSTUB_PAGES");
    if (!pages.empty()) {
        stub::LoadPages(pages);
    }
}

const wchar_t kClsidKey[] = L"CLSID\\{8856F961-340A-11D0-A96B-00C04FD705A2}";

HRESULT SetValue(HKEY key, const wchar_t* name, const std::wstring& value) {
    LONG rc = RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                             static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    return HRESULT_FROM_WIN32(rc);
}

} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
    if (!out) {
        return E_POINTER;
    }
    *out = nullptr;
    if (clsid != CLSID_WebBrowser) {
        return CLASS_E_CLASSNOTAVAILABLE;
    }
    try {
        Configure();
    } catch (...) {
        // The engine still works without its log file or pages.
    }
    return stub::ClassFactory()->QueryInterface(iid, out);
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() {
    return stub::LiveObjects() == 0 ? S_OK : S_FALSE;
}

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() {
    wchar_t path[MAX_PATH];
    DWORD n = GetModuleFileNameW(g_module, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) {
        return E_FAIL;
    }
    std::wstring server = std::wstring(kClsidKey) + L"\\InprocServer32";
    HKEY key = nullptr;
    LONG rc = RegCreateKeyExW(HKEY_CLASSES_ROOT, server.c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                              nullptr, &key, nullptr);
    if (rc != ERROR_SUCCESS) {
        return HRESULT_FROM_WIN32(rc);
    }
    HRESULT hr = SetValue(key, nullptr, std::wstring(path, n));
    if (SUCCEEDED(hr)) {
        hr = SetValue(key, L"ThreadingModel", L"Apartment");
    }
    RegCloseKey(key);
    return hr;
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() {
    std::wstring server = std::wstring(kClsidKey) + L"\\InprocServer32";
    LONG rc = RegDeleteKeyW(HKEY_CLASSES_ROOT, server.c_str());
    return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND ? S_OK : HRESULT_FROM_WIN32(rc);
}
