// Quarry's dialog templates handed to the system: every control in a template must come to
// life as the window the template describes.
#include "resources/dialog_template.h"
#include "resources/quarry_module.h"
#include "support/modal_driver.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cwctype>
#include <string>
#include <vector>

namespace quarry {
namespace {

using test::TextOf;

struct WindowRelease {
    void operator()(HWND window) const { DestroyWindow(window); }
};
using UniqueWindow = std::unique_ptr<std::remove_pointer_t<HWND>, WindowRelease>;

INT_PTR CALLBACK AcceptDefaults(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

std::wstring UpperCase(std::wstring text) {
    for (auto& c : text) c = static_cast<wchar_t>(std::towupper(static_cast<wint_t>(c)));
    return text;
}

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, std::size(name));
    return name;
}

DWORD StyleOf(HWND window) { return static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE)); }

// What a test can see of a live control, in the terms of its template: class in upper case
// (class names are case-insensitive). An icon has no text to compare, only whether it loaded.
constexpr const wchar_t* kIconShown = L"(icon)";

bool IsIconStatic(const std::wstring& upperClass, DWORD style) {
    return upperClass == L"STATIC" && (style & SS_TYPEMASK) == SS_ICON;
}

struct LiveControl {
    std::wstring className;
    int id;
    std::wstring text;
    bool visible;
    bool operator==(const LiveControl&) const = default;
};

void PrintTo(const LiveControl& control, std::ostream* out) {
    *out << "{" << std::string(control.className.begin(), control.className.end()) << " " << control.id << " \""
         << std::string(control.text.begin(), control.text.end()) << "\""
         << (control.visible ? " visible}" : " hidden}");
}

LiveControl Describe(HWND control) {
    const std::wstring className = UpperCase(ClassOf(control));
    std::wstring text = TextOf(control);
    if (IsIconStatic(className, StyleOf(control))) {
        text = SendMessageW(control, STM_GETICON, 0, 0) ? kIconShown : L"(no icon)";
    }
    return {className, GetDlgCtrlID(control), text, (StyleOf(control) & WS_VISIBLE) != 0};
}

// The dialog's children in creation order, which is the template's order.
std::vector<LiveControl> LiveControls(HWND dialog) {
    std::vector<LiveControl> controls;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        controls.push_back(Describe(child));
    }
    return controls;
}

std::vector<LiveControl> TemplateControls(const DialogTemplate& dialog) {
    std::vector<LiveControl> controls;
    for (const DialogControl& c : dialog.controls) {
        const std::wstring text = IsIconStatic(c.className, c.style) ? kIconShown : c.text;
        controls.push_back({c.className, c.id, text, (c.style & WS_VISIBLE) != 0});
    }
    return controls;
}

class Dialogs : public testing::Test {
protected:
    static void SetUpTestSuite() {
        // The process list is a list-view, which only exists once the common controls are set up.
        const INITCOMMONCONTROLSEX classes{sizeof classes, ICC_STANDARD_CLASSES | ICC_LISTVIEW_CLASSES};
        InitCommonControlsEx(&classes);
    }

    void SetUp() override { ASSERT_TRUE(module_) << "Quarry.exe beside the test program: error " << GetLastError(); }

    // Creates dialog `id` from Quarry.exe and checks that its controls match its template.
    UniqueWindow CreateAndCompare(int id) {
        const auto parsed = ParseDialogTemplateEx(ResourceBytes(module_.get(), RT_DIALOG, id));
        EXPECT_TRUE(parsed);
        UniqueWindow dialog(CreateDialogParamW(module_.get(), MAKEINTRESOURCEW(id), nullptr, AcceptDefaults, 0));
        EXPECT_TRUE(dialog) << "dialog " << id << " refused: error " << GetLastError();
        if (!parsed || !dialog) return nullptr;
        EXPECT_EQ(TextOf(dialog.get()), parsed->caption);
        EXPECT_EQ(LiveControls(dialog.get()), TemplateControls(*parsed));
        return dialog;
    }

private:
    // Image-resource mapping, not a plain data file: dialogs created from a data-file module
    // cannot find some of their classes.
    UniqueModule module_ = LoadQuarryResources(LOAD_LIBRARY_AS_IMAGE_RESOURCE);
};

TEST_F(Dialogs, AboutBoxShowsItsIconAndLink) {
    const auto dialog = CreateAndCompare(100);
    ASSERT_TRUE(dialog);
    EXPECT_EQ(TextOf(GetDlgItem(dialog.get(), 1004)), L"https://tellwick.example/quarry");
    EXPECT_TRUE(StyleOf(GetDlgItem(dialog.get(), 1004)) & SS_NOTIFY);
}

TEST_F(Dialogs, SelectProcessDialogHasAReportListAndAHiddenShowAllButton) {
    const auto dialog = CreateAndCompare(202);
    ASSERT_TRUE(dialog);
    const HWND list = GetDlgItem(dialog.get(), 1001);
    EXPECT_EQ(ClassOf(list), L"SysListView32");
    EXPECT_EQ(StyleOf(list) & LVS_TYPEMASK, static_cast<DWORD>(LVS_REPORT));
    EXPECT_FALSE(StyleOf(GetDlgItem(dialog.get(), 1003)) & WS_VISIBLE);
}

TEST_F(Dialogs, FindBoxEditScrollsSidewaysInsideABorder) {
    const auto dialog = CreateAndCompare(204);
    ASSERT_TRUE(dialog);
    const HWND edit = GetDlgItem(dialog.get(), 1005);
    EXPECT_TRUE(StyleOf(edit) & ES_AUTOHSCROLL);
    // The system draws an edit's WS_BORDER as a sunken client edge and may drop the style bit.
    const auto exStyle = static_cast<DWORD>(GetWindowLongPtrW(edit, GWL_EXSTYLE));
    EXPECT_TRUE((StyleOf(edit) & WS_BORDER) || (exStyle & WS_EX_CLIENTEDGE));
}

}  // namespace
}  // namespace quarry
