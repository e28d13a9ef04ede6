#!/bin/bash
# Fuzzes the media-file title reader with libFuzzer under AddressSanitizer,
# LeakSanitizer and UndefinedBehaviorSanitizer, seeded with the media
# fixtures and with tags of every shape the taggers never write
# (tests/fuzz/make_seeds.py).
#
#   scripts/fuzz.sh <build dir> [seconds]      (default 60 s)
#
# Builds tag_fuzzer with clang++ in <build dir>, runs it for the given time
# with a 10 s limit per input (a hang fails like a crash), and ends with
# "fuzz: 1 passed, 0 failed", or 0 and 1 after a crash, an overread, a hang
# or a failed build.  An input that failed is kept as <build dir>/crash-*.
set -u
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:?usage: fuzz.sh <build dir> [seconds]}
seconds=${2:-60}
mkdir -p "$build"
build=$(cd "$build" && pwd)

result() {
    echo "fuzz: $1 passed, $2 failed"
    [ "$2" -eq 0 ]
    exit
}

if ! cmake -S "$here" -B "$build" -DFUZZ=ON -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >"$build/configure.log" 2>&1 ||
    ! cmake --build "$build" --target tag_fuzzer -j2 >"$build/build.log" 2>&1; then
    grep -E "error" "$build/configure.log" "$build/build.log" | head -20
    result 0 1
fi

corpus=$(mktemp -d /tmp/mr-fuzz.XXXXXX)
trap 'rm -rf "$corpus"' EXIT
cp "$here"/tests/media/*.mp3 "$corpus/"
python3 "$here/tests/fuzz/make_seeds.py" "$corpus" || result 0 1
UBSAN_OPTIONS=print_stacktrace=1 \
    "$build/tag_fuzzer" -max_total_time="$seconds" -timeout=10 -max_len=32768 \
    -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$build/" "$corpus" \
    >"$build/fuzz.log" 2>&1
rc=$?
runs=$(sed -nE 's/^Done ([0-9]+) runs in ([0-9]+) second.*/\1 runs in \2 s/p' "$build/fuzz.log")
echo "fuzz: ${runs:-no count}"
if [ $rc -ne 0 ]; then
    grep -E "ERROR|SUMMARY|timeout|Test unit written" "$build/fuzz.log" | head -20
    result 0 1
fi
result 1 0
