// The real program and the platform's browser-emulation feature control: its own entry is
// written before the first engine exists, under whatever name the program file has; an entry
// already there is the user's; a registry that refuses the write does not stop the start.
#include "win32/support/program_run.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <optional>
#include <string>

namespace {

using Program = kvtest::ProgramRun;

const wchar_t* const kFeatureControl =
    L"Software\\Microsoft\\Internet Explorer\\Main\\FeatureControl";
const wchar_t* const kEmulation =
    L"Software\\Microsoft\\Internet Explorer\\Main\\FeatureControl\\FEATURE_BROWSER_EMULATION";

struct Value {
    DWORD type = REG_NONE;
    std::wstring text;
    DWORD number = 0;
};

std::optional<Value> ReadValue(const wchar_t* name) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kEmulation, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    BYTE data[256] = {};
    DWORD size = sizeof(data) - sizeof(wchar_t);
    Value v;
    LSTATUS rc = RegQueryValueExW(key, name, nullptr, &v.type, data, &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS) {
        return std::nullopt;
    }
    if (v.type == REG_DWORD && size == sizeof(DWORD)) {
        memcpy(&v.number, data, sizeof(DWORD));
    } else if (v.type == REG_SZ) {
        v.text = reinterpret_cast<const wchar_t*>(data);
    }
    return v;
}

void WriteValue(const wchar_t* name, DWORD type, const void* data, DWORD size) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kEmulation, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

// Each case starts without the program's feature-control entries.
class E2EEmulation : public ::testing::Test {
protected:
    void SetUp() override { RegDeleteTreeW(HKEY_CURRENT_USER, kFeatureControl); }
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, kFeatureControl); }

    static void StartAndExit(Program& p) {
        ASSERT_TRUE(p.Start({}, 1));
        ASSERT_TRUE(p.Exit());
    }
};

TEST_F(E2EEmulation, FirstStartSelectsNewestModeUnderTheProgramsFileName) {
    Program p;
    StartAndExit(p);
    auto v = ReadValue(L"kvbr.exe");
    ASSERT_TRUE(v.has_value());
    EXPECT_EQ(v->type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(v->number, 11001u);
}

TEST_F(E2EEmulation, RenamedProgramWritesItsOwnNameOnly) {
    Program p(L"kvren", L"MyBrowser.exe");
    StartAndExit(p);
    auto v = ReadValue(L"MyBrowser.exe");
    ASSERT_TRUE(v.has_value());
    EXPECT_EQ(v->number, 11001u);
    EXPECT_FALSE(ReadValue(L"kvbr.exe").has_value());
}

TEST_F(E2EEmulation, ValuesAlreadyThereAreKeptAsTheyAre) {
    DWORD older = 9000;
    WriteValue(L"kvbr.exe", REG_DWORD, &older, sizeof(older));
    const wchar_t other[] = L"8888";
    WriteValue(L"other.exe", REG_SZ, other, sizeof(other));
    {
        Program p;
        StartAndExit(p);
    }
    auto mine = ReadValue(L"kvbr.exe");
    ASSERT_TRUE(mine.has_value());
    EXPECT_EQ(mine->type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(mine->number, 9000u);
    // A value of another type under the program's name is the user's too.
    RegDeleteTreeW(HKEY_CURRENT_USER, kFeatureControl);
    WriteValue(L"kvbr.exe", REG_SZ, other, sizeof(other));
    {
        Program p;
        StartAndExit(p);
    }
    mine = ReadValue(L"kvbr.exe");
    ASSERT_TRUE(mine.has_value());
    EXPECT_EQ(mine->type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(mine->text, L"8888");
}

TEST_F(E2EEmulation, StartsNormallyWhenTheKeyCannotBeWritten) {
    // Below a volatile key no lasting key can be created, so the program's write fails.
    HKEY volatileKey = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kFeatureControl, 0, nullptr, REG_OPTION_VOLATILE,
                              KEY_ALL_ACCESS, nullptr, &volatileKey, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(volatileKey);
    Program p;
    ASSERT_TRUE(p.Start({}, 1));
    EXPECT_EQ(kvtest::Text(p.Frame()), L"Quelmar浏览器V3.4");
    EXPECT_FALSE(ReadValue(L"kvbr.exe").has_value());
    ASSERT_TRUE(p.Exit());
}

} // namespace
