#!/bin/bash
# Runs the end-to-end scenarios under Wine with the x86-64 Windows build.
#
#   scripts/wine-scenarios.sh <build dir> [name...]
#
# Each scenario tests/wine/<name>.scn gets a fresh host folder
# /tmp/mr-scn/<name>/ (testhost.exe, MelodyRibbon.dll, every fake player, the
# media fixtures in media\ and the scenario), because the plug-in keeps its
# settings and log beside the host.
# A name with a slash is a scenario file's path.  Without names every scenario
# in tests/wine runs.  A scenario may choose the locale (and so
# the ANSI code page) with a line "# lang: ja_JP.UTF-8"; the default is
# en_US.UTF-8 (code page 1252).  The transcript of each run stays in
# /tmp/mr-scn/<name>/transcript.txt; failures print theirs.
set -u

here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:?usage: wine-scenarios.sh <build dir of the x86-64 Windows build> [name...]}
shift
build=$(cd "$build" && pwd) || exit 1
root=${MR_SCENARIO_ROOT:-/tmp/mr-scn}

fakes=(fake_winamp.exe fake_kbmedia.exe fake_lilith.exe fake_bsplayer.exe iTunes.exe)
for f in testhost.exe MelodyRibbon.dll "${fakes[@]}" fake_media_session.dll; do
    if [ ! -f "$build/$f" ]; then
        echo "wine: $build/$f is missing (build the x86-64 Windows targets first)" >&2
        exit 1
    fi
done

. "$here/scripts/wine-prefix.sh"
mr_wine_prefix || exit 1
mr_wine_lock || exit 1

if [ $# -gt 0 ]; then
    scenarios=()
    for name in "$@"; do
        case $name in
        */*) scenarios+=("$name") ;;  # a path: scripts/perf's own scenarios
        *) scenarios+=("$here/tests/wine/${name%.scn}.scn") ;;
        esac
    done
else
    scenarios=("$here"/tests/wine/*.scn)
fi

passed=0
failed=0
for scn in "${scenarios[@]}"; do
    name=$(basename "$scn" .scn)
    if [ ! -f "$scn" ]; then
        echo "FAIL $name (no such scenario)"
        failed=$((failed + 1))
        continue
    fi
    dir=$root/$name
    rm -rf "$dir"
    mkdir -p "$dir"
    cp "$build/testhost.exe" "$build/MelodyRibbon.dll" "$build"/fake_*.exe \
        "$build/iTunes.exe" "$dir/"
    cp "$build/fake_media_session.dll" "$dir/"
    cp -r "$here/tests/media" "$dir/media"
    cp "$scn" "$dir/scenario.scn"
    lang=$(sed -n 's/^# *lang: *\([^ ]*\).*/\1/p' "$scn" | head -n 1)
    (cd "$dir" && MR_WINE_LANG=${lang:-en_US.UTF-8} MR_WINE_OUT="$dir/transcript.txt" \
        MR_WINE_ERR="$dir/wine-stderr.txt" mr_wine "$dir/testhost.exe" scenario.scn)
    rc=$?
    if [ $rc -eq 0 ]; then
        echo "PASS $name"
        passed=$((passed + 1))
    else
        echo "FAIL $name (exit $rc)"
        sed 's/^/    /' "$dir/transcript.txt"
        if [ -s "$dir/wine-stderr.txt" ]; then
            echo "    --- wine stderr:"
            tail -n 20 "$dir/wine-stderr.txt" | sed 's/^/    /'
        fi
        failed=$((failed + 1))
    fi
done

mr_wine_stop
echo "wine: $passed passed, $failed failed"
[ $failed -eq 0 ]
