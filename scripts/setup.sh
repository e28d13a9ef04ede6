# Sourceable: makes sure the machine has what the builds need, installing
# Debian's packages (as root) when something is missing.

mr_need() {
    local missing=()
    command -v cmake >/dev/null || missing+=(cmake)
    command -v g++ >/dev/null || missing+=(g++)
    [ -f /usr/include/gtest/gtest.h ] || missing+=(libgtest-dev)
    command -v i686-w64-mingw32-g++ >/dev/null || missing+=(g++-mingw-w64-i686)
    command -v x86_64-w64-mingw32-g++ >/dev/null || missing+=(g++-mingw-w64-x86-64)
    command -v i686-w64-mingw32-objdump >/dev/null || missing+=(binutils-mingw-w64-i686)
    # widl compiles the fake iTunes's type library.
    command -v x86_64-w64-mingw32-widl >/dev/null || missing+=(mingw-w64-tools)
    # wine64 alone: the 32-bit packages cannot run on these kernels.
    [ -x /usr/lib/wine/wine64 ] || missing+=(wine64)
    command -v flock >/dev/null || missing+=(util-linux)
    # The fuzz phase's seed generator and the test of the test command.
    command -v python3 >/dev/null || missing+=(python3)
    command -v zip >/dev/null || missing+=(zip)
    # The fuzz phase: clang and its libFuzzer runtime.
    command -v clang++ >/dev/null || missing+=(clang)
    compgen -G "/usr/lib/llvm-14/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a" \
        >/dev/null || missing+=(libclang-rt-14-dev)
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "setup: installing ${missing[*]}" >&2
    if [ "$(id -u)" != 0 ]; then
        echo "setup: run as root, or install: ${missing[*]}" >&2
        return 1
    fi
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq >/dev/null &&
        apt-get install -y -qq "${missing[@]}" >/dev/null || {
        echo "setup: apt-get install failed" >&2
        return 1
    }
}

# mr_build <dir> [cmake options...]: configure once, then build.
mr_build() {
    local dir=$1
    shift
    cmake -S "$MR_ROOT" -B "$dir" "$@" >"$dir.configure.log" 2>&1 || {
        cat "$dir.configure.log" >&2
        return 1
    }
    cmake --build "$dir" -j2 >"$dir.build.log" 2>&1 || {
        grep -E "error|Error" "$dir.build.log" | head -40 >&2
        return 1
    }
}
