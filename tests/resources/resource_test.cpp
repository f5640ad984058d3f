// Quarry.exe's compiled resources, read back from the program file as data: the manifest and
// the dialog templates. Ids are the numbers the program and its users rely on, written out
// rather than taken from resource.h so that a wrong number there shows up here. The menu,
// accelerator and icon are checked where the main window loads them (tests/app).
#include "resources/dialog_template.h"
#include "resources/quarry_module.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quarry {
namespace {

class Resources : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(module_) << "Quarry.exe beside the test program: error " << GetLastError(); }

    HMODULE Module() const { return module_.get(); }

    std::optional<DialogTemplate> Dialog(int id) const {
        return ParseDialogTemplateEx(ResourceBytes(Module(), RT_DIALOG, id));
    }

private:
    UniqueModule module_ = LoadQuarryResources(LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
};

// --- manifest ---

// The attributes of the first <tag ...> element at or after `from`; empty if there is none.
std::map<std::string, std::string> Attributes(std::string_view xml, std::string_view tag, std::size_t from = 0) {
    std::map<std::string, std::string> attributes;
    std::string opening = "<";  // built up rather than with operator+, which trips GCC 12's -Wrestrict
    opening.append(tag).append(" ");
    const std::size_t start = xml.find(opening, from);
    if (start == std::string_view::npos) return attributes;
    const std::string_view element = xml.substr(start, xml.find('>', start) - start);
    for (std::size_t eq = element.find("=\""); eq != std::string_view::npos; eq = element.find("=\"", eq + 1)) {
        const std::size_t nameStart = element.find_last_of(" \t\r\n", eq) + 1;
        const std::size_t valueEnd = element.find('"', eq + 2);
        if (valueEnd == std::string_view::npos) break;
        attributes[std::string(element.substr(nameStart, eq - nameStart))] =
            std::string(element.substr(eq + 2, valueEnd - eq - 2));
        eq = valueEnd;
    }
    return attributes;
}

BOOL CALLBACK CollectName(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR names) {
    reinterpret_cast<std::vector<ULONG_PTR>*>(names)->push_back(reinterpret_cast<ULONG_PTR>(name));
    return TRUE;
}

BOOL CALLBACK CountLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD, LONG_PTR count) {
    ++*reinterpret_cast<int*>(count);
    return TRUE;
}

TEST_F(Resources, OneManifestAsksForCommonControls6AndTheCallersRights) {
    std::vector<ULONG_PTR> names;
    EnumResourceNamesW(Module(), RT_MANIFEST, CollectName, reinterpret_cast<LONG_PTR>(&names));
    int languages = 0;
    EnumResourceLanguagesW(Module(), RT_MANIFEST, CREATEPROCESS_MANIFEST_RESOURCE_ID, CountLanguage,
                           reinterpret_cast<LONG_PTR>(&languages));
    EXPECT_EQ(names, std::vector<ULONG_PTR>{1});
    EXPECT_EQ(languages, 1);

    const auto bytes = ResourceBytes(Module(), RT_MANIFEST, 1);
    const std::string_view xml(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    using Map = std::map<std::string, std::string>;
    EXPECT_EQ(Attributes(xml, "requestedExecutionLevel"), (Map{{"level", "asInvoker"}, {"uiAccess", "false"}}));
    EXPECT_EQ(Attributes(xml, "assemblyIdentity", xml.find("<dependentAssembly>")),
              (Map{{"type", "win32"},
                   {"name", "Microsoft.Windows.Common-Controls"},
                   {"version", "6.0.0.0"},
                   {"processorArchitecture", "*"},
                   {"publicKeyToken", "6595b64144ccf1df"},
                   {"language", "*"}}));
}

// --- dialogs ---

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kButton = kChild | WS_TABSTOP | BS_PUSHBUTTON;
constexpr DWORD kDefaultButton = kChild | WS_TABSTOP | BS_DEFPUSHBUTTON;
constexpr DWORD kModalBox = DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU;

// Every dialog is placed by its owner, has no menu or class of its own, and uses the shell font.
DialogTemplate DialogInShellDlgFont(DWORD style, int cx, int cy, std::wstring caption,
                                    std::vector<DialogControl> controls) {
    return {.style = style,
            .cx = cx,
            .cy = cy,
            .menu = L"",
            .windowClass = L"",
            .caption = std::move(caption),
            .pointSize = 8,
            .weight = FW_NORMAL,
            .charset = DEFAULT_CHARSET,
            .typeface = L"MS Shell Dlg",
            .controls = std::move(controls)};
}

TEST_F(Resources, AboutBoxTemplate) {
    const DialogTemplate expected = DialogInShellDlgFont(
        kModalBox, 187, 123, L"About",
        {
            {L"BUTTON", -1, L"", 7, 7, 173, 88, kChild | BS_GROUPBOX, 0},
            {L"STATIC", -1, L"#128", 83, 18, 21, 20, kChild | SS_ICON, 0},
            {L"STATIC", -1, L"Quarry Application v1.0", 14, 48, 159, 8, kChild | WS_GROUP | SS_CENTER, 0},
            {L"STATIC", 1004, L"https://tellwick.example/quarry", 14, 66, 159, 8, kChild | SS_CENTER | SS_NOTIFY, 0},
            {L"BUTTON", IDOK, L"OK", 68, 102, 50, 14, kDefaultButton, 0},
        });
    EXPECT_EQ(Dialog(100), expected);
}

TEST_F(Resources, SelectProcessDialogTemplate) {
    const DialogTemplate expected = DialogInShellDlgFont(
        DS_SHELLFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME, 269, 255, L"Select a process",
        {
            {L"BUTTON", IDOK, L"&OK", 158, 234, 50, 14, kDefaultButton, 0},
            {L"BUTTON", IDCANCEL, L"&Cancel", 211, 234, 50, 14, kButton, 0},
            {L"SYSLISTVIEW32", 1001, L"", 7, 7, 255, 224,
             kChild | WS_BORDER | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_ALIGNLEFT, 0},
            {L"BUTTON", 1002, L"Refresh", 105, 234, 50, 14, kButton, 0},
            {L"BUTTON", 1003, L"Show All Processes", 7, 234, 79, 14, kButton & ~WS_VISIBLE, 0},
        });
    EXPECT_EQ(Dialog(202), expected);
}

TEST_F(Resources, FindDialogTemplate) {
    const DialogTemplate expected = DialogInShellDlgFont(
        kModalBox, 262, 51, L"Find",
        {
            {L"EDIT", 1005, L"", 7, 7, 248, 14, kChild | WS_BORDER | WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL, 0},
            {L"BUTTON", IDOK, L"Find", 144, 30, 50, 14, kDefaultButton, 0},
            {L"BUTTON", IDCANCEL, L"Cancel", 205, 30, 50, 14, kButton, 0},
            {L"STATIC", -1, L"F3 to find next", 9, 32, 51, 8, kChild | WS_GROUP | SS_LEFT, 0},
        });
    EXPECT_EQ(Dialog(204), expected);
}

}  // namespace
}  // namespace quarry
