// The user-interface resource libraries as the program uses them: loaded with
// LoadLibraryA by full path, texts through LoadStringA, dialogs by template id, the icon
// and the menu images; and the program's own resources, linked into this test program.
#include "program_driver.h"

#include <res/resource_ids.h>
#include <ui_string_table.h>

#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace {

using zel::test::besideThisProgram;

using zel::res::table::uiStrings;

class ResourceLibrary {
public:
    explicit ResourceLibrary(const char* file) : path_(besideThisProgram(file)), module_(LoadLibraryA(path_.c_str())) {}
    ~ResourceLibrary() {
        if (module_ != nullptr) FreeLibrary(module_);
    }
    ResourceLibrary(const ResourceLibrary&) = delete;
    ResourceLibrary& operator=(const ResourceLibrary&) = delete;

    HMODULE get() const { return module_; }
    const std::string& path() const { return path_; }

private:
    std::string path_;
    HMODULE module_;
};

constexpr LANGID kEnglishUs = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
constexpr LANGID kJapanese = MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT);

// Some runs set this to the code page their locale must give (932 under ja_JP), so that
// a locale that failed to take effect cannot pass unnoticed.
UINT expectedAnsiCodePage() {
    const char* value = std::getenv("ZEL_EXPECT_ANSI_CODE_PAGE");
    return value != nullptr ? static_cast<UINT>(std::strtoul(value, nullptr, 10)) : 0;
}

TEST(ResourceLibraries, LoadByFullPathAsLibrariesWithoutCode) {
    for (const char* file : {"ZelSATAResUS.dll", "ZelSATARes.dll"}) {
        ResourceLibrary library(file);
        ASSERT_NE(library.get(), nullptr) << library.path() << ": error " << GetLastError();

        // No entry point, no imports: nothing runs when the program loads it.
        const auto* base = reinterpret_cast<const unsigned char*>(library.get());
        const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
        ASSERT_EQ(dos->e_magic, IMAGE_DOS_SIGNATURE);
        const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
        EXPECT_NE(nt->FileHeader.Characteristics & IMAGE_FILE_DLL, 0) << file;
        EXPECT_EQ(nt->OptionalHeader.AddressOfEntryPoint, 0u) << file;
        const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
        if (imports.VirtualAddress != 0) {
            const auto* first = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
            EXPECT_EQ(first->Name, 0u) << file << " imports a library";
        }
    }
}

TEST(ResourceLibraries, EnglishTextsAreTheTablesAndInUsEnglish) {
    ResourceLibrary library("ZelSATAResUS.dll");
    ASSERT_NE(library.get(), nullptr);
    for (const auto& entry : uiStrings) {
        char text[256] = {};
        const int length = LoadStringA(library.get(), entry.id, text, sizeof text);
        EXPECT_EQ(length, static_cast<int>(std::strlen(entry.english))) << "string " << entry.id;
        EXPECT_STREQ(text, entry.english) << "string " << entry.id;
    }
    char missing[16] = "x";
    EXPECT_EQ(LoadStringA(library.get(), 32, missing, sizeof missing), 0);

    // Strings live in bundles of 16 (bundle 1 holds ids 0 to 15).
    EXPECT_NE(FindResourceExA(library.get(), MAKEINTRESOURCEA(6), MAKEINTRESOURCEA(1), kEnglishUs), nullptr);
    EXPECT_NE(FindResourceExA(library.get(), MAKEINTRESOURCEA(5), MAKEINTRESOURCEA(IDD_DEVICE_LIST), kEnglishUs),
              nullptr);
}

TEST(ResourceLibraries, JapaneseTextsAreTheTablesCodePage932Bytes) {
    ResourceLibrary library("ZelSATARes.dll");
    ASSERT_NE(library.get(), nullptr);
    const UINT expected = expectedAnsiCodePage();
    if (expected != 0) {
        ASSERT_EQ(GetACP(), expected) << "the locale of this run did not take effect";
        ASSERT_EQ(GetUserDefaultLCID() & 0x3FF, 0x11u);
    }
    for (const auto& entry : uiStrings) {
        // Independent of this run's code page: the stored UTF-16 text, in code page 932.
        wchar_t wide[256] = {};
        const int wideLength = LoadStringW(library.get(), entry.id, wide, 256);
        ASSERT_GT(wideLength, 0) << "string " << entry.id;
        char bytes[512] = {};
        const int byteLength =
            WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, wide, wideLength, bytes, sizeof bytes - 1, nullptr, nullptr);
        EXPECT_EQ(byteLength, static_cast<int>(std::strlen(entry.japanese))) << "string " << entry.id;
        EXPECT_STREQ(bytes, entry.japanese) << "string " << entry.id;

        // What the program gets: on a Japanese system LoadStringA gives those bytes.
        if (GetACP() == 932) {
            char text[256] = {};
            const int length = LoadStringA(library.get(), entry.id, text, sizeof text);
            EXPECT_EQ(length, static_cast<int>(std::strlen(entry.japanese))) << "string " << entry.id;
            EXPECT_STREQ(text, entry.japanese) << "string " << entry.id;
        }
    }
    EXPECT_NE(FindResourceExA(library.get(), MAKEINTRESOURCEA(6), MAKEINTRESOURCEA(1), kJapanese), nullptr);
    EXPECT_NE(FindResourceExA(library.get(), MAKEINTRESOURCEA(5), MAKEINTRESOURCEA(IDD_DEVICE_LIST), kJapanese),
              nullptr);
}

INT_PTR CALLBACK acceptEverything(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

// Sizes in pixels depend on the dialog font, and the Japanese one is found only under a
// Japanese locale (the run registered for that locale); elsewhere Wine substitutes a
// font of other proportions.
const char* const kLibrariesInTheirFonts[] = {"ZelSATAResUS.dll", "ZelSATARes.dll"};
bool inItsFont(const char* file) { return std::strcmp(file, "ZelSATARes.dll") != 0 || GetACP() == 932; }

struct Control {
    int id;
    const char* windowClass;
};

struct DialogSpec {
    int id;
    std::vector<Control> controls;
};

const std::vector<DialogSpec>& dialogSpecs() {
    static const std::vector<DialogSpec> specs = {
        {IDD_VERSION,
         {{IDC_VERSION_PRODUCT, "Static"},
          {IDC_VERSION_LAST_CHECK_LABEL, "Static"},
          {IDC_VERSION_COPYRIGHT, "Static"},
          {IDC_VERSION_LAST_CHECK, "Static"},
          {IDC_VERSION_FILE_VERSION, "Static"},
          {IDC_VERSION_LIST, WC_LISTVIEWA},
          {IDC_VERSION_AUTOUPDATE, "Button"},
          {IDC_VERSION_APPLY, "Button"},
          {IDC_VERSION_NOTICE, "Static"},
          {IDOK, "Button"},
          {IDCANCEL, "Button"}}},
        {IDD_DEVICE_LIST,
         {{IDC_DEVICES_PROMPT, "Static"},
          {IDC_DEVICES_NOTE, "Static"},
          {IDC_DEVICES_LIST, WC_LISTVIEWA},
          {IDC_DEVICES_AUTORUN, "Button"},
          {IDC_DEVICES_APPLY, "Button"},
          {IDOK, "Button"},
          {IDCANCEL, "Button"}}},
        {IDD_REMOVE_PROGRESS, {{IDC_PROGRESS_TEXT, "Static"}}},
        {IDD_DOWNLOAD, {{IDC_DOWNLOAD_PROGRESS, PROGRESS_CLASSA}}},
    };
    return specs;
}

std::vector<HWND> children(HWND dialog) {
    std::vector<HWND> found;
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        found.push_back(child);
    }
    return found;
}

RECT clientRectOf(HWND child, HWND dialog) {
    RECT rect;
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

TEST(ResourceLibraries, DialogsOpenWithTheirControlsLaidOutInside) {
    InitCommonControls();
    for (const char* file : {"ZelSATAResUS.dll", "ZelSATARes.dll"}) {
        ResourceLibrary library(file);
        ASSERT_NE(library.get(), nullptr);
        for (const DialogSpec& spec : dialogSpecs()) {
            SCOPED_TRACE(std::string(file) + " dialog " + std::to_string(spec.id));
            HWND dialog = CreateDialogParamA(library.get(), MAKEINTRESOURCEA(spec.id), nullptr, acceptEverything, 0);
            ASSERT_NE(dialog, nullptr) << "error " << GetLastError();

            std::set<int> ids;
            for (const Control& control : spec.controls) {
                HWND item = GetDlgItem(dialog, control.id);
                ASSERT_NE(item, nullptr) << "control " << control.id;
                char windowClass[64] = {};
                GetClassNameA(item, windowClass, sizeof windowClass);
                EXPECT_STRCASEEQ(windowClass, control.windowClass) << "control " << control.id;
                ids.insert(control.id);
            }

            // Every other control is a plain label; nothing sticks out of the face or
            // covers another control.
            RECT client;
            GetClientRect(dialog, &client);
            const std::vector<HWND> all = children(dialog);
            for (std::size_t i = 0; i < all.size(); ++i) {
                const int id = GetDlgCtrlID(all[i]);
                if (ids.count(id) == 0) {
                    char windowClass[64] = {};
                    GetClassNameA(all[i], windowClass, sizeof windowClass);
                    EXPECT_TRUE(id == -1 || id == 0xFFFF) << "unexpected control " << id;
                    EXPECT_STRCASEEQ(windowClass, "Static");
                }
                const RECT rect = clientRectOf(all[i], dialog);
                EXPECT_TRUE(rect.left >= client.left && rect.top >= client.top && rect.right <= client.right &&
                            rect.bottom <= client.bottom)
                    << "control " << id << " lies outside the dialog";
                for (std::size_t j = i + 1; j < all.size(); ++j) {
                    const RECT other = clientRectOf(all[j], dialog);
                    RECT overlap;
                    EXPECT_FALSE(IntersectRect(&overlap, &rect, &other))
                        << "controls " << id << " and " << GetDlgCtrlID(all[j]) << " overlap";
                }
            }
            DestroyWindow(dialog);
        }
    }
}

TEST(ResourceLibraries, DialogStylesServeTheProgram) {
    InitCommonControls();
    for (const char* file : {"ZelSATAResUS.dll", "ZelSATARes.dll"}) {
        SCOPED_TRACE(file);
        ResourceLibrary library(file);
        ASSERT_NE(library.get(), nullptr);
        auto open = [&](int id) {
            return CreateDialogParamA(library.get(), MAKEINTRESOURCEA(id), nullptr, acceptEverything, 0);
        };
        auto style = [](HWND window, int id) { return GetWindowLongA(GetDlgItem(window, id), GWL_STYLE); };

        // The progress window is a bare popup: the program gives it its rounded outline.
        HWND progress = open(IDD_REMOVE_PROGRESS);
        ASSERT_NE(progress, nullptr);
        const LONG progressStyle = GetWindowLongA(progress, GWL_STYLE);
        EXPECT_NE(progressStyle & WS_POPUP, 0);
        EXPECT_EQ(progressStyle & (WS_CAPTION | WS_BORDER | WS_THICKFRAME | WS_SYSMENU), 0);
        DestroyWindow(progress);

        // Lists show rows in entry order, so no sorting; report view for the columns.
        // Check boxes tick themselves; the program reads their state.
        HWND devices = open(IDD_DEVICE_LIST);
        ASSERT_NE(devices, nullptr);
        EXPECT_EQ(style(devices, IDC_DEVICES_LIST) & LVS_TYPEMASK, LVS_REPORT);
        EXPECT_EQ(style(devices, IDC_DEVICES_LIST) & (LVS_SORTASCENDING | LVS_SORTDESCENDING), 0);
        EXPECT_EQ(style(devices, IDC_DEVICES_AUTORUN) & BS_TYPEMASK, BS_AUTOCHECKBOX);
        DestroyWindow(devices);

        // A click on the about box's texts must reach the dialog, which closes on it.
        HWND version = open(IDD_VERSION);
        ASSERT_NE(version, nullptr);
        EXPECT_EQ(style(version, IDC_VERSION_LIST) & LVS_TYPEMASK, LVS_REPORT);
        EXPECT_EQ(style(version, IDC_VERSION_LIST) & (LVS_SORTASCENDING | LVS_SORTDESCENDING), 0);
        EXPECT_EQ(style(version, IDC_VERSION_AUTOUPDATE) & BS_TYPEMASK, BS_AUTOCHECKBOX);
        for (int id : {IDC_VERSION_PRODUCT, IDC_VERSION_COPYRIGHT, IDC_VERSION_FILE_VERSION, IDC_VERSION_NOTICE,
                       IDC_VERSION_LAST_CHECK_LABEL, IDC_VERSION_LAST_CHECK}) {
            EXPECT_EQ(style(version, id) & SS_NOTIFY, 0) << "control " << id;
        }
        // No window of the program but its main window may carry its title: other
        // programs find that window by it.
        for (int id : {IDD_VERSION, IDD_DEVICE_LIST, IDD_REMOVE_PROGRESS, IDD_DOWNLOAD}) {
            HWND dialog = open(id);
            char title[64] = {};
            GetWindowTextA(dialog, title, sizeof title);
            EXPECT_STRCASENE(title, "ZelSATA") << "dialog " << id;
            DestroyWindow(dialog);
        }
        DestroyWindow(version);
    }
}

// The texts the program puts into the dialogs fit their controls in the dialog's font:
// wrapped labels within their height, one-line ones (the progress line, check boxes,
// short labels) within their width.
TEST(ResourceLibraries, TextsFitTheirControls) {
    struct Placement {
        int dialog;
        int control;
        UINT string;
    };
    const Placement placements[] = {
        {IDD_VERSION, IDC_VERSION_NOTICE, IDS_VERSION_NOTICE},
        {IDD_VERSION, IDC_VERSION_LAST_CHECK_LABEL, IDS_LAST_UPDATE_CHECK},
        {IDD_VERSION, IDC_VERSION_AUTOUPDATE, IDS_AUTOUPDATE_LABEL},
        {IDD_DEVICE_LIST, IDC_DEVICES_PROMPT, IDS_DEVICES_PROMPT},
        {IDD_DEVICE_LIST, IDC_DEVICES_NOTE, IDS_DEVICES_NOTE},
        {IDD_DEVICE_LIST, IDC_DEVICES_AUTORUN, IDS_AUTORUN_LABEL},
        {IDD_REMOVE_PROGRESS, IDC_PROGRESS_TEXT, IDS_REMOVING},
    };
    InitCommonControls();
    for (const char* file : kLibrariesInTheirFonts) {
        if (!inItsFont(file)) continue;
        ResourceLibrary library(file);
        ASSERT_NE(library.get(), nullptr);
        for (const Placement& placement : placements) {
            SCOPED_TRACE(std::string(file) + " dialog " + std::to_string(placement.dialog) + " control " +
                         std::to_string(placement.control));
            HWND dialog =
                CreateDialogParamA(library.get(), MAKEINTRESOURCEA(placement.dialog), nullptr, acceptEverything, 0);
            ASSERT_NE(dialog, nullptr);
            HWND control = GetDlgItem(dialog, placement.control);
            ASSERT_NE(control, nullptr);

            // Wide text: independent of this run's code page.
            wchar_t text[256] = {};
            ASSERT_GT(LoadStringW(library.get(), placement.string, text, 256), 0);
            RECT room;
            GetClientRect(control, &room);
            const LONG style = GetWindowLongA(control, GWL_STYLE);
            char windowClass[16] = {};
            GetClassNameA(control, windowClass, sizeof windowClass);
            UINT format = DT_CALCRECT | DT_NOPREFIX | DT_WORDBREAK;
            if (lstrcmpiA(windowClass, "Button") == 0) {
                room.right -= GetSystemMetrics(SM_CXMENUCHECK) + 4; // the box and its gap
                format = DT_CALCRECT | DT_NOPREFIX | DT_SINGLELINE;
            } else if ((style & SS_CENTERIMAGE) != 0) {
                format = DT_CALCRECT | DT_NOPREFIX | DT_SINGLELINE;
            }
            HDC dc = GetDC(control);
            HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(control, WM_GETFONT, 0, 0)));
            RECT needed = room;
            DrawTextW(dc, text, -1, &needed, format);
            SelectObject(dc, old);
            ReleaseDC(control, dc);
            EXPECT_LE(needed.right - needed.left, room.right - room.left);
            EXPECT_LE(needed.bottom - needed.top, room.bottom - room.top);
            DestroyWindow(dialog);
        }
    }
}

// Up to version 1.14 the about box keeps only its top part: the program cuts the face
// to 115 pixels when the system font is large and 185 otherwise. What stays visible (the
// icon, the version texts and labels, the notice) fits the smaller one.
TEST(ResourceLibraries, AboutBoxCompactPartFitsTheSmallerFace) {
    constexpr LONG kCompactHeight = 115;
    const std::set<int> hidden = {IDC_VERSION_LAST_CHECK_LABEL, IDC_VERSION_LAST_CHECK, IDC_VERSION_LIST,
                                  IDC_VERSION_AUTOUPDATE, IDC_VERSION_APPLY, IDOK, IDCANCEL};
    InitCommonControls();
    for (const char* file : kLibrariesInTheirFonts) {
        if (!inItsFont(file)) continue;
        SCOPED_TRACE(file);
        ResourceLibrary library(file);
        ASSERT_NE(library.get(), nullptr);
        HWND dialog = CreateDialogParamA(library.get(), MAKEINTRESOURCEA(IDD_VERSION), nullptr, acceptEverything, 0);
        ASSERT_NE(dialog, nullptr);
        RECT icon = {VERSION_ICON_LEFT, VERSION_ICON_TOP, VERSION_ICON_LEFT, VERSION_ICON_TOP};
        MapDialogRect(dialog, &icon);
        EXPECT_LE(icon.top + GetSystemMetrics(SM_CYICON), kCompactHeight);
        for (HWND child : children(dialog)) {
            const int id = GetDlgCtrlID(child);
            if (hidden.count(id) != 0) continue;
            EXPECT_LE(clientRectOf(child, dialog).bottom, kCompactHeight) << "control " << id;
            // Nothing visible may sit where the icon is drawn.
            RECT overlap;
            RECT iconRect = {icon.left, icon.top, icon.left + GetSystemMetrics(SM_CXICON),
                             icon.top + GetSystemMetrics(SM_CYICON)};
            const RECT rect = clientRectOf(child, dialog);
            EXPECT_FALSE(IntersectRect(&overlap, &iconRect, &rect)) << "control " << id << " covers the icon";
        }
        DestroyWindow(dialog);
    }
}

std::set<int> iconSizes(HMODULE module, int id) {
#pragma pack(push, 2)
    struct GroupEntry {
        BYTE width, height, colours, reserved;
        WORD planes, bitCount;
        DWORD bytes;
        WORD id;
    };
#pragma pack(pop)
    std::set<int> sizes;
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(14)); // RT_GROUP_ICON
    if (found == nullptr) return sizes;
    const auto* data = static_cast<const BYTE*>(LockResource(LoadResource(module, found)));
    WORD count = 0;
    std::memcpy(&count, data + 4, sizeof count);
    for (WORD i = 0; i < count; ++i) {
        GroupEntry entry;
        std::memcpy(&entry, data + 6 + i * sizeof(GroupEntry), sizeof entry);
        EXPECT_EQ(entry.width, entry.height);
        sizes.insert(entry.width);
    }
    return sizes;
}

SIZE bitmapSize(HBITMAP bitmap) {
    BITMAP info{};
    GetObjectA(bitmap, sizeof info, &info);
    return {info.bmWidth, info.bmHeight};
}

TEST(ResourceLibraries, IconInBothSizesAndFiveMenuImages) {
    for (const char* file : {"ZelSATAResUS.dll", "ZelSATARes.dll"}) {
        SCOPED_TRACE(file);
        ResourceLibrary library(file);
        ASSERT_NE(library.get(), nullptr);
        EXPECT_EQ(iconSizes(library.get(), IDI_ZELSATA), (std::set<int>{16, 32}));
        for (int size : {16, 32}) {
            HICON icon = static_cast<HICON>(
                LoadImageA(library.get(), MAKEINTRESOURCEA(IDI_ZELSATA), IMAGE_ICON, size, size, LR_VGACOLOR));
            ASSERT_NE(icon, nullptr) << size;
            ICONINFO info{};
            ASSERT_TRUE(GetIconInfo(icon, &info));
            const SIZE colour = bitmapSize(info.hbmColor);
            EXPECT_EQ(colour.cx, size);
            EXPECT_EQ(colour.cy, size);
            DeleteObject(info.hbmColor);
            DeleteObject(info.hbmMask);
            DestroyIcon(icon);
        }
        HBITMAP images = LoadBitmapA(library.get(), MAKEINTRESOURCEA(IDB_MENU_IMAGES));
        ASSERT_NE(images, nullptr);
        const SIZE size = bitmapSize(images);
        EXPECT_EQ(size.cx, MENU_IMAGE_SIZE * MENU_IMAGE_COUNT);
        EXPECT_EQ(size.cy, MENU_IMAGE_SIZE);
        DeleteObject(images);
    }
}

std::string versionValue(const std::vector<char>& block, const char* name) {
    void* value = nullptr;
    UINT length = 0;
    const std::string query = std::string("\\StringFileInfo\\041104b0\\") + name;
    if (!VerQueryValueA(block.data(), query.c_str(), &value, &length) || value == nullptr) return "(missing)";
    return static_cast<const char*>(value);
}

// The program's own resources are linked into this test program as into ZelSATA.exe.
TEST(ProgramResources, TitleTemplateIconAndVersion) {
    HMODULE self = GetModuleHandleA(nullptr);
    char text[256] = {};
    LoadStringA(self, IDS_APP_TITLE, text, sizeof text);
    EXPECT_STREQ(text, "ZelSATA");
    LoadStringA(self, IDR_MAINFRAME, text, sizeof text);
    EXPECT_STREQ(text, "ZelSATA\n\nZelSATA\n\n\nZelSATA.Document\nZelSATA Document");
    EXPECT_EQ(iconSizes(self, IDR_MAINFRAME), (std::set<int>{16, 32}));

    // Read as the update check and the about box read ZelSATA.exe.
    char path[MAX_PATH] = {};
    ASSERT_GT(GetModuleFileNameA(nullptr, path, MAX_PATH), 0u);
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeA(path, &handle);
    ASSERT_GT(size, 0u);
    std::vector<char> block(size);
    ASSERT_TRUE(GetFileVersionInfoA(path, 0, size, block.data()));
    EXPECT_EQ(versionValue(block, "FileVersion"), "1.14");
    EXPECT_EQ(versionValue(block, "ProductName"), "ZelSATA");
    EXPECT_EQ(versionValue(block, "LegalCopyright").rfind("Copyright (C) ", 0), 0u);

    void* value = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", &value, &length));
    ASSERT_EQ(length, 4u);
    const auto* translation = static_cast<const WORD*>(value);
    EXPECT_EQ(translation[0], 0x411);
    EXPECT_EQ(translation[1], 1200);
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", &value, &length));
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
    EXPECT_EQ(fixed->dwFileVersionMS, 0x0001000Eu);
    EXPECT_EQ(fixed->dwFileVersionLS, 0u);
}

} // namespace
