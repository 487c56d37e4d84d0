# Sourced by the scripts that build: the trees under build/ and how each is
# configured. build_tree <tree> [cmake --build options...] configures the
# tree the first time and builds it (or only the targets named with --target).
#   native   the portable code, its unit tests and the simulated thermostat
#   i686, x86_64   quellor.exe and its Windows-side tests, with MinGW-w64
#   asan     the native tree under AddressSanitizer and UBSan
tree_options() {
    case $1 in
        i686 | x86_64) echo "-DCMAKE_TOOLCHAIN_FILE=cmake/mingw-$1.cmake" ;;
        asan) echo "-DCMAKE_BUILD_TYPE=Debug -DQUELLOR_SANITIZE=ON" ;;
    esac
}

build_tree() {
    local tree=$1; shift
    # shellcheck disable=SC2046  # the options are words of their own
    [ -f "build/$tree/CMakeCache.txt" ] ||
        cmake -S . -B "build/$tree" -DCMAKE_BUILD_TYPE=Release $(tree_options "$tree") >/dev/null
    cmake --build "build/$tree" -j"$(nproc)" "$@"
}
