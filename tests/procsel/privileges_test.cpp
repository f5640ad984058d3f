// The token operations on the test program's own token.
#include <gtest/gtest.h>

#include <windows.h>

#include "procsel/privileges.h"

namespace quarry {
namespace {

// Whether the process token has `name` enabled, asked the system's own way.
bool PrivilegeIsEnabled(const wchar_t* name) {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
    PRIVILEGE_SET wanted{1, PRIVILEGE_SET_ALL_NECESSARY, {}};
    BOOL enabled = FALSE;
    const bool asked = LookupPrivilegeValueW(nullptr, name, &wanted.Privilege[0].Luid) &&
                       PrivilegeCheck(token, &wanted, &enabled);
    CloseHandle(token);
    return asked && enabled;
}

// Switches `name` off in the process token, so that enabling it shows.
bool DisablePrivilege(const wchar_t* name) {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &token)) return false;
    TOKEN_PRIVILEGES off{1, {}};
    const bool done = LookupPrivilegeValueW(nullptr, name, &off.Privileges[0].Luid) &&
                      AdjustTokenPrivileges(token, FALSE, &off, sizeof(off), nullptr, nullptr);
    CloseHandle(token);
    return done;
}

TEST(Privileges, EnablesTheDebugPrivilegeAndRefusesAnUnknownName) {
    EXPECT_FALSE(EnablePrivilege(L"SeNoSuchPrivilege"));
    EXPECT_FALSE(EnablePrivilege(L""));
    // Under Wine the user holds the privilege, so it is really enabled afterwards.
    ASSERT_TRUE(DisablePrivilege(L"SeDebugPrivilege"));
    ASSERT_FALSE(PrivilegeIsEnabled(L"SeDebugPrivilege"));
    EXPECT_TRUE(EnablePrivilege(L"SeDebugPrivilege"));
    EXPECT_TRUE(PrivilegeIsEnabled(L"SeDebugPrivilege"));
}

// Membership of the enabled Administrators group: the token is elevated exactly when it has
// it (an unelevated administrator's token carries the group for deny only).
bool InEnabledAdministrators() {
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID administrators = nullptr;
    if (!AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0,
                                  &administrators))
        return false;
    BOOL member = FALSE;
    const bool asked = CheckTokenMembership(nullptr, administrators, &member);
    FreeSid(administrators);
    return asked && member;
}

TEST(Privileges, ElevationAgreesWithAdministratorMembership) {
    EXPECT_EQ(IsProcessElevated(), InEnabledAdministrators());
}

}  // namespace
}  // namespace quarry
