# Shared by scripts/test and scripts/run: installing what is missing and building.
# Sourced, not run.

QUARRY_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
QUARRY_NATIVE_BUILD="$QUARRY_ROOT/build/native"
QUARRY_WINDOWS_BUILD="$QUARRY_ROOT/build/windows"
export QUARRY_WINEPREFIX="${QUARRY_WINEPREFIX:-$QUARRY_ROOT/build/wineprefix}"

# Debian 12 packages: the cross compiler, Wine, a virtual display, the native toolchain
# with sanitizer and fuzzer runtimes, GoogleTest's sources and a JSON reader for the tests.
QUARRY_PACKAGES=(cmake ninja-build clang libclang-rt-14-dev g++-mingw-w64-x86-64-posix
                 wine wine64 xvfb xauth googletest nlohmann-json3-dev)

quarry_install_missing() {
  local missing=() pkg
  for pkg in "${QUARRY_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || missing+=("$pkg")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "== installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# Configures a build folder once; later runs only rebuild what changed.
quarry_configure() {
  local dir=$1; shift
  [ -f "$dir/CMakeCache.txt" ] || cmake -S "$QUARRY_ROOT" -B "$dir" -G Ninja "$@"
}

quarry_build_windows() {
  quarry_configure "$QUARRY_WINDOWS_BUILD" \
    -DCMAKE_TOOLCHAIN_FILE="$QUARRY_ROOT/cmake/mingw-w64-x86_64.cmake" -DCMAKE_BUILD_TYPE=Release
  cmake --build "$QUARRY_WINDOWS_BUILD" "$@"
}

quarry_build_native() {
  quarry_configure "$QUARRY_NATIVE_BUILD" \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug
  cmake --build "$QUARRY_NATIVE_BUILD" "$@"
}

# Wine's first start in a new prefix takes seconds; pay it once, up front.
quarry_wine_prefix() {
  [ -f "$QUARRY_WINEPREFIX/system.reg" ] && return 0
  echo "== creating the Wine prefix in $QUARRY_WINEPREFIX"
  WINEPREFIX="$QUARRY_WINEPREFIX" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" \
    DISPLAY= wineboot -i >/dev/null 2>&1
  WINEPREFIX="$QUARRY_WINEPREFIX" wineserver -w
}
