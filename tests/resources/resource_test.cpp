// Quarry.exe holds every resource the program loads, and its manifest asks for common
// controls 6 and the caller's rights. What the dialogs show is checked on the live dialogs.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "resources/resource.h"
#include "support/target_launcher.h"

namespace quarry {
namespace {

TEST(Resources, QuarryExeHoldsWhatTheProgramLoads) {
    const test::UniqueModule module(
        LoadLibraryExW(test::BesideTestProgram(L"Quarry.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    const HMODULE quarry = module.get();
    ASSERT_NE(quarry, nullptr) << "no Quarry.exe beside the test: error " << GetLastError();
    const std::pair<const wchar_t*, int> loaded[] = {
        {RT_MENU, IDR_MAINFRAME},  {RT_ACCELERATOR, IDR_MAINFRAME},     {RT_GROUP_ICON, IDR_MAINFRAME},
        {RT_DIALOG, IDD_ABOUTBOX}, {RT_DIALOG, IDD_SELECT_PROCESS}, {RT_DIALOG, IDD_FIND}};
    for (const auto& [type, id] : loaded) EXPECT_NE(FindResourceW(quarry, MAKEINTRESOURCEW(id), type), nullptr) << id;

    const HRSRC manifest = FindResourceW(quarry, MAKEINTRESOURCEW(1), RT_MANIFEST);
    ASSERT_NE(manifest, nullptr);
    const std::string xml(static_cast<const char*>(LockResource(LoadResource(quarry, manifest))),
                          SizeofResource(quarry, manifest));
    for (const char* wanted :
         {R"(level="asInvoker" uiAccess="false")", R"(name="Microsoft.Windows.Common-Controls" version="6.0.0.0")",
          R"(publicKeyToken="6595b64144ccf1df")"})
        EXPECT_NE(xml.find(wanted), std::string::npos) << wanted;
}

}  // namespace
}  // namespace quarry
