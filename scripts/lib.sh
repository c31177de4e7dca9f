# Sourced by the scripts: installs what is missing and builds into $build.
# brenna_build [cmake --build arguments...]

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${BRENNA_BUILD_DIR:-$root/build}

brenna_build() {
    bash "$root/scripts/setup.sh"
    cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-i686-mingw.cmake" >/dev/null
    cmake --build "$build" -j"$(nproc)" "$@"
}

. "$root/scripts/wine-env.sh"
