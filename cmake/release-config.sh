# shellcheck shell=bash
# The configuration of the Windows release, in one place for the release itself (tools/dist.sh)
# and for the window benchmarks, which time the binaries a user runs. Sourced:
#   configure_release ROOT BUILD   configures BUILD as the release tree of the source tree ROOT
#
# -Os, every function and object in a section of its own, and the linker dropping the sections
# nothing uses, then stripping the symbols. The toolchain file's -static still links the
# compiler's runtime into each binary.
configure_release() {
    local root=$1 build=$2
    local size_flags="-Os -DNDEBUG -ffunction-sections -fdata-sections"
    local link_flags="-Wl,--gc-sections -s"
    cmake -S "$root" -B "$build" -G "Unix Makefiles" \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
        -DCMAKE_BUILD_TYPE=MinSizeRel \
        -DCMAKE_C_FLAGS_MINSIZEREL="$size_flags" \
        -DCMAKE_CXX_FLAGS_MINSIZEREL="$size_flags" \
        -DCMAKE_EXE_LINKER_FLAGS_MINSIZEREL="$link_flags" \
        -DCMAKE_SHARED_LINKER_FLAGS_MINSIZEREL="$link_flags"
}
