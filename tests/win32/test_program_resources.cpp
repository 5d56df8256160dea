// What the platform shows of the program file: its version block (file properties) and its
// icon, drawn for each of the shell's sizes. Read from the built kvbr.exe itself; and the
// toolkit's frame and browser window classes, which carry that icon (this test program is
// built with the same resources).
#include "toolkit/forms.h"
#include "win32/support/program_run.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

namespace {

std::wstring ProgramPath() {
    return kvtest::ModuleFolder() + L"kvbr.exe";
}

std::wstring VersionString(const std::vector<BYTE>& block, const wchar_t* name) {
    wchar_t* text = nullptr;
    UINT len = 0;
    std::wstring query = std::wstring(L"\\StringFileInfo\\080404b0\\") + name;
    if (!VerQueryValueW(block.data(), query.c_str(), reinterpret_cast<void**>(&text), &len) ||
        text == nullptr) {
        return L"(absent)";
    }
    return text;
}

TEST(ProgramResources, VersionBlockNamesTheProductAndVersion) {
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeW(ProgramPath().c_str(), &ignored);
    ASSERT_GT(size, 0u);
    std::vector<BYTE> block(size);
    ASSERT_TRUE(GetFileVersionInfoW(ProgramPath().c_str(), 0, size, block.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT len = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &len));
    ASSERT_NE(fixed, nullptr);
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00030004u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00030004u);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));

    EXPECT_EQ(VersionString(block, L"ProductName"), L"Quelmar浏览器");
    EXPECT_EQ(VersionString(block, L"ProductVersion"), L"3.4");
    EXPECT_EQ(VersionString(block, L"FileVersion"), L"3.4.0.0");
    EXPECT_EQ(VersionString(block, L"FileDescription"), L"KV浏览器 - 多窗口网页浏览器");
    EXPECT_EQ(VersionString(block, L"OriginalFilename"), L"kvbr.exe");
}

// The libraries the program file imports, that is, those that load and start with it.
std::vector<std::string> ImportedLibraries(const std::wstring& path) {
    std::vector<std::string> names;
    HMODULE m = LoadLibraryExW(path.c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
    if (m == nullptr) {
        return names;
    }
    auto base = reinterpret_cast<const BYTE*>(m);
    auto dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    auto nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    auto d = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress);
    for (; dir.VirtualAddress != 0 && d->Name != 0; ++d) {
        std::string name = reinterpret_cast<const char*>(base + d->Name);
        for (char& c : name) {
            c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
        }
        names.push_back(name);
    }
    FreeLibrary(m);
    return names;
}

// Libraries the program first needs after its frame is on the screen are not imported: they
// load on first use, and do not delay every start.
TEST(ProgramResources, LibrariesNeededLaterDoNotLoadWithTheProgram) {
    std::vector<std::string> imports = ImportedLibraries(ProgramPath());
    ASSERT_GE(imports.size(), 3u);
    EXPECT_NE(std::find(imports.begin(), imports.end(), "user32.dll"), imports.end());
    for (const char* later : {"shell32.dll", "shlwapi.dll", "comdlg32.dll", "winspool.drv",
                              "urlmon.dll", "wininet.dll"}) {
        EXPECT_EQ(std::find(imports.begin(), imports.end(), later), imports.end()) << later;
    }
}

#pragma pack(push, 2)
struct GroupEntry {
    BYTE width, height, colors, reserved;
    WORD planes, bitCount;
    DWORD bytes;
    WORD id;
};
struct GroupHeader {
    WORD reserved, type, count;
};
#pragma pack(pop)

class ProgramIcon : public ::testing::Test {
protected:
    void SetUp() override {
        module_ = LoadLibraryExW(ProgramPath().c_str(), nullptr,
                                 LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        ASSERT_NE(module_, nullptr);
    }
    void TearDown() override { FreeLibrary(module_); }
    HMODULE module_ = nullptr;
};

TEST_F(ProgramIcon, GroupHoldsFiveTrueColourSizes) {
    HRSRC res = FindResourceW(module_, MAKEINTRESOURCEW(1), RT_GROUP_ICON);
    ASSERT_NE(res, nullptr);
    auto* head = static_cast<const GroupHeader*>(LockResource(LoadResource(module_, res)));
    ASSERT_NE(head, nullptr);
    ASSERT_EQ(head->count, 5);
    auto* entries = reinterpret_cast<const GroupEntry*>(head + 1);
    std::vector<int> widths;
    for (int i = 0; i < head->count; ++i) {
        widths.push_back(entries[i].width);
        EXPECT_EQ(entries[i].bitCount, 32) << i;
        EXPECT_EQ(entries[i].width, entries[i].height) << i;
    }
    EXPECT_EQ(widths, (std::vector<int>{16, 24, 32, 48, 0})); // 0 stands for 256
}

// A see-through corner and the globe's opaque blue a little left of and above the middle:
// the image is the program's drawing, not a blank or the platform's generic icon.
void ExpectGlobe(HBITMAP colour, int size) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = size;
    bi.bmiHeader.biHeight = -size;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    std::vector<DWORD> px(static_cast<size_t>(size) * size);
    HDC dc = GetDC(nullptr);
    ASSERT_EQ(GetDIBits(dc, colour, 0, size, px.data(), &bi, DIB_RGB_COLORS), size);
    ReleaseDC(nullptr, dc);
    DWORD corner = px[0];
    DWORD centre = px[static_cast<size_t>(size / 2 - size / 8) * size + size / 2 - size / 5];
    EXPECT_EQ(corner >> 24, 0u) << std::hex << corner;
    EXPECT_EQ(centre >> 24, 0xFFu) << std::hex << centre;
    int red = (centre >> 16) & 0xFF, blue = centre & 0xFF;
    EXPECT_GT(blue, red + 60) << std::hex << centre;
}

void ExpectIcon(HICON icon, int size) {
    ASSERT_NE(icon, nullptr);
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(icon, &info));
    BITMAP bm{};
    EXPECT_GT(GetObjectW(info.hbmColor, sizeof(bm), &bm), 0);
    EXPECT_EQ(bm.bmWidth, size);
    EXPECT_EQ(bm.bmHeight, size);
    ExpectGlobe(info.hbmColor, size);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
}

// Each size loads as an image of that size with a see-through corner and a blue globe in the
// middle: the images are drawn, not blank.
TEST_F(ProgramIcon, EverySizeLoadsWithItsOwnPixels) {
    for (int size : {16, 24, 32, 48, 256}) {
        SCOPED_TRACE(size);
        HICON icon =
            static_cast<HICON>(LoadImageW(module_, MAKEINTRESOURCEW(1), IMAGE_ICON, size, size, 0));
        ASSERT_NE(icon, nullptr);
        ExpectIcon(icon, size);
        DestroyIcon(icon);
    }
}

class IconFrame : public tk::MDIFrameForm {
public:
    IconFrame() { CreateFrame(L"icon frame", 400, 300, nullptr, nullptr); }
    ~IconFrame() override { FreeChildren(); }
};

class IconChild : public tk::MDIChildForm {
public:
    explicit IconChild(tk::MDIFrameForm& frame) : MDIChildForm(frame) {
        CreateChild(L"icon child", nullptr);
    }
    ~IconChild() override { DestroyForm(); }
};

TEST(ProgramWindows, FrameAndBrowserWindowsCarryTheProgramsIconLargeAndSmall) {
    IconFrame frame;
    auto* child = new IconChild(frame); // frees itself with the frame
    int large = GetSystemMetrics(SM_CXICON), small = GetSystemMetrics(SM_CXSMICON);
    for (HWND w : {frame.Handle(), child->Handle()}) {
        SCOPED_TRACE(kvtest::Utf8(kvtest::ClassOf(w)));
        ExpectIcon(reinterpret_cast<HICON>(GetClassLongPtrW(w, GCLP_HICON)), large);
        ExpectIcon(reinterpret_cast<HICON>(GetClassLongPtrW(w, GCLP_HICONSM)), small);
    }
}

} // namespace
