#!/bin/bash
# Checks the shipping 32-bit DLL's face: PE32 for Intel 80386, the three
# exports by undecorated name with ordinals 1 to 3, the stdcall returns that
# pop the arguments, an import table of Windows system DLLs only, and no
# static constructors in the objects it was linked from.
#
#   scripts/check-dll.sh <MelodyRibbon.dll>
# Prints PASS/FAIL per check and "dll: N passed, M failed".
set -u
dll=${1:?usage: check-dll.sh <MelodyRibbon.dll>}
objdump=i686-w64-mingw32-objdump
passed=0
failed=0
check() {
    local name=$1
    shift
    if "$@"; then
        echo "PASS dll: $name"
        passed=$((passed + 1))
    else
        echo "FAIL dll: $name"
        failed=$((failed + 1))
    fi
}

headers=$($objdump -p "$dll")
is_pe32_i386() {
    file "$dll" 2>/dev/null | grep -q "PE32 executable (DLL).*Intel 80386" ||
        { $objdump -f "$dll" | grep -q "file format pei-i386" &&
          echo "$headers" | grep -q "^Magic.*010b"; }
}

# "[Ordinal] Name" rows of the export table, with the ordinal base applied.
export_rows() {
    local base
    base=$(echo "$headers" | awk '/^Ordinal Base/ {print $3}')
    echo "$headers" | awk -v base="$base" '
        /\[Ordinal\/Name Pointer\] Table/ {inside = 1; next}
        inside && /^\s*$/ {exit}
        inside {gsub(/[\[\]]/, ""); print $1 + base, $2}'
}
exports_named() {
    [ "$(export_rows | tr '\n' ';')" = "1 GetPluginInfo;2 Initialize;3 Terminate;" ]
}

# The first return instruction of an export, found from its address.
first_return() {
    local name=$1 base rva start
    base=$(echo "$headers" | awk '/^ImageBase/ {print $2}')
    local ordinal
    ordinal=$(export_rows | awk -v n="$name" '$2 == n {print $1}')
    rva=$(echo "$headers" |
        sed -n "s/.*+base\[ *$ordinal\] *\([0-9a-fA-F]*\) Export RVA.*/\1/p")
    [ -n "$rva" ] || return 0
    start=$(printf '0x%x' $((0x$base + 0x$rva)))
    $objdump -d --start-address="$start" --stop-address=$((start + 4096)) "$dll" |
        grep -m1 -E "\sret" | sed 's/.*\sret\s*//; s/\s*$//'
}
returns_with() { [ "$(first_return "$1")" = "$2" ]; }

system_imports_only() {
    local bad
    bad=$(echo "$headers" | awk '/DLL Name:/ {print tolower($3)}' |
        grep -v -x -E "kernel32.dll|user32.dll|shlwapi.dll|msvcrt.dll|advapi32.dll|ole32.dll|oleaut32.dll|psapi.dll")
    [ -z "$bad" ] || { echo "  unexpected imports: $bad"; return 1; }
}

# The shipping DLL must load on XP: newer headers route the process-status
# calls to kernel32's K32 names, and the image-name query of Vista and later
# and the thread error mode of 7 and later are looked up at run time; an
# import of any of them would stop the load there.
no_imports_missing_on_xp() {
    local bad
    bad=$(echo "$headers" | awk '/DLL Name:/ {dll = tolower($3)}
        $3 ~ /^(K32|QueryFullProcessImageName|SetThreadErrorMode|GetThreadErrorMode)/ {print dll ": " $3}')
    [ -z "$bad" ] || { echo "  imports missing on XP: $bad"; return 1; }
}

check "PE32 for Intel 80386" is_pe32_i386
check "exports GetPluginInfo, Initialize, Terminate as ordinals 1 to 3" exports_named
check "GetPluginInfo returns with ret \$0xc" returns_with GetPluginInfo '$0xc'
check "Initialize returns with ret \$0x4" returns_with Initialize '$0x4'
check "imports only Windows system DLLs" system_imports_only
check "imports nothing that XP lacks" no_imports_missing_on_xp

# The DLL starts at DllMain without the C runtime's start-up code, so a
# static constructor would never run: none may exist in its objects.
no_static_constructors() {
    local objects found
    objects=$(find "$(dirname "$dll")/CMakeFiles/MelodyRibbon.dir" -name '*.obj' 2>/dev/null)
    [ -n "$objects" ] || { echo "  no object files beside the DLL"; return 1; }
    found=$(for o in $objects; do
        $objdump -h "$o" | grep -q -E '\.ctors|\.init_array|\.CRT\$X[CI]' && echo "$o"
    done)
    [ -z "$found" ] || { echo "  static constructors in: $found"; return 1; }
}
check "no static constructors (nothing would run them)" no_static_constructors
echo "dll: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
