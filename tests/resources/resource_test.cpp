// Quarry.exe holds every resource the program loads, its manifest asks for common controls 6
// and the caller's rights, and its menu and dialogs carry the design's words.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <utility>

#include "resources/resource.h"
#include "support/target_launcher.h"

namespace quarry {
namespace {

// Each item of the menu bar as `"text" id`; a drop-down menu would show as id -1.
std::wstring MenuTexts(HMENU menu) {
    std::wstring texts;
    for (int at = 0; at < GetMenuItemCount(menu); ++at) {
        wchar_t text[64] = {};
        GetMenuStringW(menu, at, text, 64, MF_BYPOSITION);
        const int id = static_cast<int>(GetMenuItemID(menu, at));
        texts += (at ? L", \"" : L"\"") + std::wstring(text) + L"\" " + std::to_wstring(id);
    }
    return texts;
}

// The caption, then each control as `id "text"`, read from the template windres writes for
// DIALOGEX (DLGTEMPLATEEX): a number in place of a name shows as #number.
std::wstring DialogTexts(const WORD* dialog) {
    if (dialog[0] != 1 || dialog[1] != 0xFFFF) return L"not a DLGTEMPLATEEX";
    const WORD controls = dialog[8];
    const WORD* at = dialog + 13;  // past version, signature, help id, styles, count, x, y, cx, cy
    const auto field = [&at] {  // 0xFFFF and a number, else a string to its zero
        if (*at == 0xFFFF) {
            at += 2;
            return L"#" + std::to_wstring(at[-1]);
        }
        const std::wstring text(reinterpret_cast<const wchar_t*>(at));
        at += text.size() + 1;
        return text;
    };
    field(), field();  // menu, window class
    std::wstring texts = L'"' + field() + L"\":";
    at += 3, field();  // size, weight, italic and charset, face: each dialog of ours has a FONT
    for (WORD control = 0; control < controls; ++control) {
        at += (at - dialog) % 2;  // each control starts on a DWORD
        std::int32_t id = 0;
        std::memcpy(&id, at + 10, sizeof(id));  // past help id, styles, x, y, cx, cy
        at += 12;
        field();  // window class
        texts += (control ? L", " : L" ") + std::to_wstring(id) + L" \"" + field() + L'"';
        at += 1 + (*at + 1) / 2;  // creation data
    }
    return texts;
}

TEST(Resources, QuarryExeHoldsWhatTheProgramLoadsInTheDesignsWords) {
    const UniqueOf<HMODULE, FreeLibrary> module(
        LoadLibraryExW(test::BesideTestProgram(L"Quarry.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    const HMODULE quarry = module.get();
    ASSERT_NE(quarry, nullptr) << "no Quarry.exe beside the test: error " << GetLastError();
    // The menu and the dialogs are read below: a missing one reads as "none".
    for (const wchar_t* type : {RT_ACCELERATOR, RT_GROUP_ICON})
        EXPECT_NE(FindResourceW(quarry, MAKEINTRESOURCEW(IDR_MAINFRAME), type), nullptr) << reinterpret_cast<std::uintptr_t>(type);
    const HRSRC manifest = FindResourceW(quarry, MAKEINTRESOURCEW(1), RT_MANIFEST);
    ASSERT_NE(manifest, nullptr);
    const std::string xml(static_cast<const char*>(LockResource(LoadResource(quarry, manifest))),
                          SizeofResource(quarry, manifest));
    for (const char* wanted :
         {R"(level="asInvoker" uiAccess="false")", R"(name="Microsoft.Windows.Common-Controls" version="6.0.0.0")",
          R"(publicKeyToken="6595b64144ccf1df")"})
        EXPECT_NE(xml.find(wanted), std::string::npos) << wanted;

    const auto dialog = [quarry](int id) {
        const HRSRC found = FindResourceW(quarry, MAKEINTRESOURCEW(id), RT_DIALOG);
        return found ? DialogTexts(static_cast<const WORD*>(LockResource(LoadResource(quarry, found)))) : L"none";
    };
    const UniqueMenu menu(LoadMenuW(quarry, MAKEINTRESOURCEW(IDR_MAINFRAME)));
    const std::pair<std::wstring, const wchar_t*> shown[] = {
        {menu ? MenuTexts(menu.get()) : L"none",
         LR"("&Open" 32777, "&Refresh" 32776, "&Find" 32783, "&Dump" 32781, "&About" 57664, "Exit" 57665)"},
        {dialog(IDD_FIND), LR"("Find": 1005 "", 1 "Find", 2 "Cancel", -1 "F3 to find next")"},
        {dialog(IDD_SELECT_PROCESS),
         LR"("Select a process": 1 "&OK", 2 "&Cancel", 1001 "", 1002 "Refresh", 1003 "Show All Processes")"},
        {dialog(IDD_ABOUTBOX), LR"("About": -1 "", -1 "#128", -1 "Quarry Application v1.0", 1004 "https://tellwick.example/quarry", 1 "OK")"},
    };
    for (const auto& [read, designed] : shown) EXPECT_EQ(read, designed);
}

}  // namespace
}  // namespace quarry
