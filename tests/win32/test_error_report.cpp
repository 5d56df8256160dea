// The default error report and the test run's guard against modal boxes.
#include "toolkit/application.h"
#include "toolkit/error.h"
#include "toolkit/system_library.h"
#include "win32/support/modal.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <stdexcept>

namespace {

class ErrorReportTest : public ::testing::Test {
protected:
    void SetUp() override {
        kvtest::ResetModals();
        tk::Application::SetTitle(L"KV浏览器");
    }
};

TEST_F(ErrorReportTest, GuardShowsTheErrorTextAndGoesOn) {
    kvtest::ExpectModal(IDOK, L"磁盘已满");
    bool after = false;
    bool ok = tk::Guard([] { throw tk::Error(L"磁盘已满"); });
    after = true;
    EXPECT_FALSE(ok);
    EXPECT_TRUE(after);
    ASSERT_EQ(kvtest::SeenModals().size(), 1u);
    EXPECT_EQ(kvtest::SeenModals()[0].text, L"磁盘已满");
    EXPECT_EQ(kvtest::SeenModals()[0].caption, L"KV浏览器");
}

TEST_F(ErrorReportTest, SystemErrorsCarryThePlatformText) {
    kvtest::ExpectModal(IDOK);
    tk::Guard([] { tk::ThrowHr(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)); });
    ASSERT_EQ(kvtest::SeenModals().size(), 1u);
    EXPECT_EQ(kvtest::SeenModals()[0].text,
              tk::SystemErrorText(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)));
    EXPECT_FALSE(kvtest::SeenModals()[0].text.empty());
}

// Functions bound on first use: found in the system folder's library, or null; a required one
// that is missing is reported by name.
TEST_F(ErrorReportTest, SystemFunctionsBoundOnFirstUse) {
    using TickFn = DWORD(WINAPI*)();
    EXPECT_EQ(tk::SystemFunction<TickFn>(L"kernel32.dll", "GetTickCount"),
              reinterpret_cast<TickFn>(reinterpret_cast<void*>(
                  GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetTickCount"))));
    EXPECT_NE(tk::SystemFunction<void*>(L"comdlg32.dll", "GetOpenFileNameW"), nullptr);
    EXPECT_EQ(tk::SystemFunction<void*>(L"kernel32.dll", "NoSuchFunction"), nullptr);
    EXPECT_EQ(tk::SystemFunction<void*>(L"no_such_library.dll", "Anything"), nullptr);

    kvtest::ExpectModal(IDOK,
                        L"The system function NoSuchFunction (kernel32.dll) is not available");
    bool ok =
        tk::Guard([] { tk::RequiredSystemFunction<void*>(L"kernel32.dll", "NoSuchFunction"); });
    EXPECT_FALSE(ok);
    ASSERT_EQ(kvtest::SeenModals().size(), 1u);
}

TEST_F(ErrorReportTest, ComEntryPointsTurnErrorsIntoResults) {
    kvtest::ExpectModal(IDOK);
    HRESULT hr = tk::GuardHr([]() -> HRESULT { throw tk::Error(L"x", E_ACCESSDENIED); });
    EXPECT_EQ(hr, E_ACCESSDENIED);
    kvtest::ExpectModal(IDOK, L"plain");
    hr = tk::GuardHr([]() -> HRESULT { throw std::runtime_error("plain"); });
    EXPECT_EQ(hr, E_FAIL);
    EXPECT_EQ(tk::GuardHr([] { return S_FALSE; }), S_FALSE);
}

TEST_F(ErrorReportTest, UnexpectedModalBoxFailsTheTestAndIsClosed) {
    int answer = 0;
    EXPECT_NONFATAL_FAILURE(answer = MessageBoxW(nullptr, L"stray", L"stray", MB_OKCANCEL),
                            "unexpected modal box");
    EXPECT_EQ(answer, IDCANCEL);
}

TEST_F(ErrorReportTest, ExpectedAnswerIsGivenAndTextChecked) {
    kvtest::ExpectModal(IDOK, L"真的要退出么?");
    EXPECT_EQ(MessageBoxW(nullptr, L"真的要退出么?", L"Quelmar浏览器", MB_OKCANCEL), IDOK);
    kvtest::ExpectModal(IDCANCEL, L"something else");
    EXPECT_NONFATAL_FAILURE(MessageBoxW(nullptr, L"other", L"c", MB_OKCANCEL), "does not mention");
}

} // namespace
