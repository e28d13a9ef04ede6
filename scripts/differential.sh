#!/usr/bin/env bash
# Runs the differential table on both sides and compares them case by case.
#
#   scripts/differential.sh NATIVE_BINARY WINDOWS_EXE
#
# NATIVE_BINARY is the `differential` target of the native build (the table
# over the Linux stand-in); WINDOWS_EXE is differential.exe of the Windows
# x86-64 build (the table over real Win32), run here under Wine.  Builds
# nothing.  The table runs twice: under ANSI code page 1252 (case names as
# they are) and under 932 (names prefixed "acp932:").  Prints "PASS name" or
# "FAIL name" for every case (what each side printed for a failing case goes
# to stderr), then "differential: N passed, M failed"; exits 1 if any case
# failed, either side exited non-zero or stopped before the table's end
# (each such side and pass counts as a failed case), or no case ran.
#
# Wine runs through scripts/wine-prefix.sh: MR_WINEPREFIX chooses the prefix
# (created when missing), MR_WINE the loader; the run holds the prefix's lock.
set -u

if [ $# -ne 2 ]; then
    echo "usage: $0 NATIVE_BINARY WINDOWS_EXE" >&2
    exit 2
fi
native=$1
exe=$2
for f in "$native" "$exe"; do
    if [ ! -f "$f" ]; then
        echo "differential: no such program: $f" >&2
        exit 1
    fi
done

here=$(cd "$(dirname "$0")/.." && pwd)
. "$here/scripts/wine-prefix.sh"
mr_wine_prefix || exit 1
mr_wine_lock || exit 1

work=$(mktemp -d /tmp/mr-differential.XXXXXX)
trap 'rm -rf "$work"' EXIT

# /tmp/x is Z:\tmp\x inside Wine.
winpath() { printf 'Z:%s' "$1" | tr '/' '\\'; }

status=0
side_faults=0

# run_pass LABEL LOCALE [ACP]: runs both sides and appends their lines, case
# names prefixed with LABEL ("" for the default pass), to $work/native.out
# and $work/windows.out.  Wine takes the ANSI code page from the Unix locale:
# en_US.UTF-8 gives 1252 (the stand-in's default), ja_JP.UTF-8 gives 932.
# The locale need not be installed, but then only LC_ALL works (LANG or
# LC_CTYPE naming a missing locale leaves Wine on 1252), so every other LC_*
# goes and LC_ALL is set.  The native side is told the code page.
run_pass() {
    local label=$1 locale=$2 acp=${3:-}
    local dir=$work/pass${label%:}
    mkdir -p "$dir/native" "$dir/windows"
    "$native" "$dir/native" $acp >"$dir/native.raw" 2>"$dir/native.err"
    local native_rc=$?
    (
        unset $(env | sed -n 's/^\(LC_[A-Z_]*\)=.*/\1/p')
        { export LC_ALL=$locale; } 2>/dev/null  # bash itself may lack the locale
        MR_WINE_OUT="$dir/windows.raw" MR_WINE_ERR="$dir/windows.err" \
            mr_wine "$exe" "$(winpath "$dir/windows")" $acp
    )
    local windows_rc=$?
    if [ $native_rc -ne 0 ]; then
        echo "differential: native side exited $native_rc (pass '$label')" >&2
        sed 's/^/  native stderr: /' "$dir/native.err" >&2
        echo "FAIL ${label}native side exited $native_rc"
        side_faults=$((side_faults + 1))
        status=1
    fi
    if [ $windows_rc -ne 0 ]; then
        echo "differential: windows side exited $windows_rc (pass '$label')" >&2
        sed 's/^/  windows stderr: /' "$dir/windows.err" >&2
        echo "FAIL ${label}windows side exited $windows_rc"
        side_faults=$((side_faults + 1))
        status=1
    fi
    tr -d '\r' <"$dir/windows.raw" >"$dir/windows.txt"
    check_complete native "$label" "$dir/native.raw"
    check_complete windows "$label" "$dir/windows.txt"
    grep -v '^#end' "$dir/native.raw" | sed "s/^/$label/" >>"$work/native.out"
    grep -v '^#end' "$dir/windows.txt" | sed "s/^/$label/" >>"$work/windows.out"
}

# check_complete SIDE LABEL FILE: the table's runner closes with "#end<TAB>N",
# N the table's size.  Without it, or with fewer case lines, that side stopped
# early; when both stopped at the same case every printed line still agrees,
# so this is what tells.  Counts one failing case for the side.
check_complete() {
    local side=$1 label=$2 file=$3 declared ran
    declared=$(sed -n 's/^#end\t\([0-9]*\)$/\1/p' "$file" | tail -n 1)
    ran=$(grep -c -v '^#end' "$file")
    if [ -z "$declared" ] || [ "$ran" -ne "$declared" ] || [ "$declared" -eq 0 ]; then
        echo "FAIL ${label}$side side ran $ran of ${declared:-an unknown number of} cases"
        echo "differential: $side side stopped after $ran cases (pass '$label')" >&2
        side_faults=$((side_faults + 1))
        status=1
    fi
}

: >"$work/native.out"
: >"$work/windows.out"
run_pass "" en_US.UTF-8
run_pass "acp932:" ja_JP.UTF-8 932

mr_wine_stop

# Case by case, in the native side's order, then cases only Windows printed.
awk -F'\t' -v details="$work/details" '
    FILENAME == ARGV[1] { win[$1] = substr($0, length($1) + 2); winOrder[++nw] = $1; next }
    {
        name = $1; res = substr($0, length($1) + 2); seen[name] = 1
        if (!(name in win)) {
            print "FAIL " name; failed++
            print "differs: " name "\n  windows: <missing>\n  native:  " res > details
        } else if (win[name] == res) {
            print "PASS " name; passed++
        } else {
            print "FAIL " name; failed++
            print "differs: " name "\n  windows: " win[name] "\n  native:  " res > details
        }
    }
    END {
        for (i = 1; i <= nw; i++) {
            name = winOrder[i]
            if (!(name in seen)) {
                print "FAIL " name; failed++
                print "differs: " name "\n  windows: " win[name] "\n  native:  <missing>" > details
            }
        }
        printf "%d %d\n", passed + 0, failed + 0 > (details ".counts")
    }
' "$work/windows.out" "$work/native.out"

read -r passed failed <"$work/details.counts"
failed=$((failed + side_faults))
if [ -s "$work/details" ]; then
    # What each side printed, for the first 30 differing cases.
    awk '/^differs: / { n++ } n <= 30' "$work/details" >&2
    shown=$(grep -c '^differs: ' "$work/details")
    [ "$shown" -le 30 ] || echo "differential: ... and $((shown - 30)) more differing cases" >&2
fi
if [ $((passed + failed)) -eq 0 ]; then
    echo "differential: no cases ran" >&2
    failed=$((failed + 1))
    status=1
fi
[ "$failed" -eq 0 ] || status=1
echo "differential: $passed passed, $failed failed"
exit $status
