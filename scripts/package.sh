#!/bin/bash
# Builds the release package from a built shipping DLL:
#
#   scripts/package.sh <MelodyRibbon.dll> <output folder>
#
# The zip holds the 32-bit DLL, the commented sample MelodyRibbon.ini with
# the defaults, and the user's guide in English and Japanese.  Its name
# carries the plug-in's two version texts, read from the DLL's own source so
# that the package can never disagree with what the host is told.
set -u
here=$(cd "$(dirname "$0")/.." && pwd)
dll=${1:?usage: package.sh <MelodyRibbon.dll> <output folder>}
out=${2:?usage: package.sh <MelodyRibbon.dll> <output folder>}

versions=$(sed -n '/kPluginInfo\[\] = {/,/};/p' "$here/frame/entry.cpp" |
    grep -oE '"[0-9]+\.[0-9]+\.[0-9]+"' | tr -d '"')
first=$(echo "$versions" | sed -n 1p)
second=$(echo "$versions" | sed -n 2p)
if [ -z "$first" ] || [ -z "$second" ]; then
    echo "package: cannot read the version texts from frame/entry.cpp" >&2
    exit 1
fi
name=MelodyRibbon-$first-$second
mkdir -p "$out" && out=$(cd "$out" && pwd) || exit 1
stage=$(mktemp -d /tmp/mr-package.XXXXXX)
trap 'rm -rf "$stage"' EXIT
mkdir -p "$stage/$name" || exit 1
cp "$dll" "$here/release/MelodyRibbon.ini" "$stage/$name/" || exit 1
cp "$here/docs/guide.md" "$stage/$name/README.md" || exit 1
cp "$here/docs/guide.ja.md" "$stage/$name/README.ja.md" || exit 1
# The guides link to each other by these names.
sed -i 's/(guide\.ja\.md)/(README.ja.md)/' "$stage/$name/README.md"
sed -i 's/(guide\.md)/(README.md)/' "$stage/$name/README.ja.md"
rm -f "$out/$name.zip"
(cd "$stage" && zip -q -X -r "$out/$name.zip" "$name") || exit 1
echo "$out/$name.zip"
