#!/bin/bash
# Checks that every function the 32-bit plug-in hands to Windows or to the
# host is stdcall, from the decorated names in the objects of the i686
# build: a stdcall function's name ends in "@" and the bytes of arguments it
# pops, a cdecl one has no suffix.  The slot types called through (COM,
# WinRT, the host's table) are checked when that build compiles, by the
# assertions of frame/calling_convention.h.
#
#   scripts/check-conventions.sh <build dir of the i686 Windows build>
# Prints PASS/FAIL per function and "conventions: N passed, M failed".
set -u
build=${1:?usage: check-conventions.sh <i686 build dir>}
nm=i686-w64-mingw32-nm

# name and argument bytes of each function Windows or the host calls.
callbacks=(
    "GetPluginInfo 12" "Initialize 4" "Terminate 0" "DllMain 12"
    "timerCallback 16" "restoreCallback 16" "swTitle 8"
    "eCConnect 8" "eCDisconnect 8" "eCInfoChange 8"
    "ddeCallback 32"
)

passed=0
failed=0
objects=$(find "$build/CMakeFiles/MelodyRibbon.dir" -name '*.obj' 2>/dev/null)
if [ -z "$objects" ]; then
    echo "FAIL conventions: no objects in $build/CMakeFiles/MelodyRibbon.dir"
    echo "conventions: 0 passed, 1 failed"
    exit 1
fi
# Defined code symbols only: "_name@N" for extern "C", "__Z<len>name...@N"
# for C++ names (mingw keeps the suffix on mangled stdcall names too).
defined=$($nm --defined-only $objects 2>/dev/null | awk '$2 == "T" {print $3}')
if echo "$defined" | grep -q '^[^_]'; then
    echo "FAIL conventions: $build does not hold i686 objects (undecorated names)"
    echo "conventions: 0 passed, 1 failed"
    exit 1
fi

for row in "${callbacks[@]}"; do
    read -r name bytes <<<"$row"
    found=$(echo "$defined" | grep -E "^(_${name}(@[0-9]+)?|__Z${#name}${name}[^@]*(@[0-9]+)?)$")
    if [ -z "$found" ]; then
        echo "FAIL conventions: $name is not defined in the objects"
        failed=$((failed + 1))
    elif [ "$(echo "$found" | sort -u)" != "$(echo "$found" | grep -E "@${bytes}$" | sort -u)" ]; then
        echo "FAIL conventions: $name is not stdcall popping $bytes bytes: $found"
        failed=$((failed + 1))
    else
        echo "PASS conventions: $name ($(echo "$found" | head -n 1))"
        passed=$((passed + 1))
    fi
done
echo "conventions: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
