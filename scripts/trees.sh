# Sourced by the scripts that build: the trees under build/ and how each is
# configured. build_tree <tree> [cmake --build options...] configures the
# tree the first time and builds it (or only the targets named with --target).
#   native   the engine, its native tests, the fuzzers, the simulated
#            thermostat and the settings tool: clang, under AddressSanitizer
#            and UBSan, the engine instrumented for the fuzzers; one
#            compilation of the engine for all of them
#   i686, x86_64   quellor.exe, its Windows-side tests and the drivers, with
#            MinGW-w64
#   plain    the native tree without sanitizers, for the benchmarks' figures
#            of native speed only (no step of make test builds it)
tree_options() {
    case $1 in
        native) echo "-DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug" \
                     "-DQUELLOR_SANITIZE=ON -DQUELLOR_FUZZ=ON" ;;
        i686 | x86_64) echo "-DCMAKE_TOOLCHAIN_FILE=cmake/mingw-$1.cmake" ;;
        plain) echo "-DCMAKE_BUILD_TYPE=Release" ;;
    esac
}

build_tree() {
    local tree=$1; shift
    # A native tree configured before it was the sanitized one (with g++) is
    # made again: CMake cannot change the compiler of a tree in place.
    if [ "$tree" = native ] && [ -f "build/$tree/CMakeCache.txt" ] &&
       ! grep -q '^QUELLOR_FUZZ:BOOL=ON' "build/$tree/CMakeCache.txt"; then
        rm -rf "build/$tree"
    fi
    # One build of a tree at a time: make test runs steps side by side, and
    # each may ask for the helpers it needs (two makes in one tree trip over
    # each other's files).
    mkdir -p build
    (
        flock 9
        # shellcheck disable=SC2046  # the options are words of their own
        [ -f "build/$tree/CMakeCache.txt" ] ||
            cmake -S . -B "build/$tree" -DCMAKE_BUILD_TYPE=Release $(tree_options "$tree") >/dev/null
        cmake --build "build/$tree" -j"$(nproc)" "$@"
    ) 9>"build/.$tree.lock"
}
