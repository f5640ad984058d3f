// Operations on Quarry's own access token.
#pragma once

namespace quarry {

// Enables the named privilege (for example L"SeDebugPrivilege") in the process token.
// True when the system accepted the adjustment, which it also does, assigning nothing,
// when the token does not hold the privilege; false for an unknown name or a token that
// cannot be opened.
bool EnablePrivilege(const wchar_t* name);

// True when the process token is elevated; false otherwise and on any failure.
bool IsProcessElevated();

}  // namespace quarry
