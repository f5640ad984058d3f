// The token operations on the test program's own token, checked the system's own way.
#include <windows.h>

#include <gtest/gtest.h>

#include "framework/handles.h"
#include "procsel/privileges.h"

namespace quarry {
namespace {

UniqueHandle OwnToken(DWORD access) {
    HANDLE token = nullptr;
    return UniqueHandle(OpenProcessToken(GetCurrentProcess(), access, &token) ? token : nullptr);
}

bool DebugPrivilegeEnabled() {
    PRIVILEGE_SET wanted{1, PRIVILEGE_SET_ALL_NECESSARY, {}};
    BOOL enabled = FALSE;
    return LookupPrivilegeValueW(nullptr, L"SeDebugPrivilege", &wanted.Privilege[0].Luid) &&
           PrivilegeCheck(OwnToken(TOKEN_QUERY).get(), &wanted, &enabled) && enabled;
}

TEST(Privileges, EnablesTheDebugPrivilege) {
    // Switched off first, so that enabling it shows; under Wine the user holds it.
    TOKEN_PRIVILEGES off{1, {}};
    ASSERT_TRUE(LookupPrivilegeValueW(nullptr, L"SeDebugPrivilege", &off.Privileges[0].Luid));
    ASSERT_TRUE(AdjustTokenPrivileges(OwnToken(TOKEN_ADJUST_PRIVILEGES).get(), FALSE, &off, sizeof(off), nullptr, nullptr));
    ASSERT_FALSE(DebugPrivilegeEnabled());
    EXPECT_TRUE(EnablePrivilege(L"SeDebugPrivilege"));
    EXPECT_TRUE(DebugPrivilegeEnabled());
}

// The token is elevated exactly when it has the Administrators group enabled (an unelevated
// administrator's token carries it for deny only). The process selection offers its
// elevated restart by this answer.
TEST(Privileges, ElevationAgreesWithAdministratorMembership) {
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID administrators = nullptr;
    ASSERT_TRUE(AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0, &administrators));
    const std::unique_ptr<void, Releaser<FreeSid>> owner(administrators);
    BOOL member = FALSE;
    ASSERT_TRUE(CheckTokenMembership(nullptr, administrators, &member));
    EXPECT_EQ(IsProcessElevated(), member != FALSE);
}

}  // namespace
}  // namespace quarry
