#!/bin/bash
# Regenerates the media fixtures in tests/media/ with real taggers (eyeD3,
# id3v2, python3-mutagen, ffmpeg), the table of the titles they must give
# (tests/media/expected.tsv), and the Wine scenarios that play each of them
# through the fake BSPlayer (tests/wine/bsplayer_fixtures*.scn).
#
# Every fixture starts as the same tiny silent MP3 made by ffmpeg.  Tags that
# no tagger writes (v2.2, extended headers, damaged sizes) are made byte by
# byte in the native tests instead, and tag files from other libraries'
# test suites (*.id3) are kept as they are.  Installs the taggers when
# missing.
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
media=$here/tests/media

need=()
command -v eyeD3 >/dev/null || need+=(eyed3)
command -v id3v2 >/dev/null || need+=(id3v2)
command -v ffmpeg >/dev/null || need+=(ffmpeg)
/usr/bin/python3 -c 'import mutagen' 2>/dev/null || need+=(python3-mutagen)
if [ ${#need[@]} -gt 0 ]; then
    echo "fixtures: installing ${need[*]}" >&2
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq >/dev/null && apt-get install -y -qq "${need[@]}" >/dev/null
fi

work=$(mktemp -d /tmp/mr-fixtures.XXXXXX)
trap 'rm -rf "$work"' EXIT
rm -f "$media"/*.mp3
mkdir -p "$media"

ffmpeg -loglevel error -f lavfi -i anullsrc=r=8000:cl=mono -t 0.05 -c:a libmp3lame \
    -b:a 8k -write_xing 0 -id3v2_version 0 -map_metadata -1 "$work/silence.mp3"
# A cover picture: a JPEG's first bytes (so eyeD3 knows its type), then the
# same noise every time, so that regenerating changes nothing.
/usr/bin/python3 -c 'import random, sys; random.seed(7)
sys.stdout.buffer.write(b"\xff\xd8\xff\xe0" + random.randbytes(8192))' >"$work/cover.jpg"

table=$media/expected.tsv
printf 'file\tcode page\ttitle\n' >"$table"
# fixture FILE CODEPAGE TITLE: copies the silent MP3 to FILE and records the
# title it must give ("*": the same under every code page).
fixture() {
    cp "$work/silence.mp3" "$media/$1"
    printf '%s\t%s\t%s\n' "$1" "$2" "$3" >>"$table"
}
eyed3() { eyeD3 -Q --no-config "$@" >/dev/null 2>&1; }
mutagen() { /usr/bin/python3 - "$@"; }

# eyeD3: both versions, all four encodings, a cover before the title.
fixture eyed3-v23-latin1.mp3 1252 "Café Song - Band"
eyed3 --to-v2.3 --encoding latin1 -t "Café Song" -a "Band" "$media/eyed3-v23-latin1.mp3"
fixture eyed3-v23-utf16.mp3 '*' "東京 Night - Beyoncé"
eyed3 --to-v2.3 --encoding utf16 -t "東京 Night" -a "Beyoncé" "$media/eyed3-v23-utf16.mp3"
fixture eyed3-v24-utf8.mp3 '*' "Ünïcode 😀 Song - 宇多田"
eyed3 --to-v2.4 --encoding utf8 -t "Ünïcode 😀 Song" -a "宇多田" "$media/eyed3-v24-utf8.mp3"
fixture eyed3-v24-utf16be.mp3 '*' "Привет - Группа"
eyed3 --to-v2.4 --encoding utf16-be -t "Привет" -a "Группа" "$media/eyed3-v24-utf16be.mp3"
fixture eyed3-v23-cover.mp3 '*' "After The Cover - Cover Band"
eyed3 --to-v2.3 --add-image "$work/cover.jpg:FRONT_COVER" -t "After The Cover" \
    -a "Cover Band" "$media/eyed3-v23-cover.mp3"
fixture eyed3-v24-cover.mp3 '*' "Synchsafe Sizes - Cover Band"
eyed3 --to-v2.4 --encoding utf8 --add-image "$work/cover.jpg:FRONT_COVER" \
    -t "Synchsafe Sizes" -a "Cover Band" "$media/eyed3-v24-cover.mp3"

# id3lib's id3v2: a v2.3 tag, a v1 tag alone, and both with different texts.
fixture id3v2-v23.mp3 '*' "Id3lib Song - Id3lib Band"
id3v2 -2 -t "Id3lib Song" -a "Id3lib Band" "$media/id3v2-v23.mp3"
fixture id3v2-v1-only.mp3 '*' "Old Song - Old Band"
id3v2 -1 -t "Old Song" -a "Old Band" "$media/id3v2-v1-only.mp3"
fixture id3v2-v1-and-v2.mp3 '*' "V2 Song - V2 Band"
id3v2 -1 -t "V1 Song" -a "V1 Band" "$media/id3v2-v1-and-v2.mp3"
id3v2 -2 -t "V2 Song" -a "V2 Band" "$media/id3v2-v1-and-v2.mp3"

# mutagen: UTF-16 in both versions, padding, one-sided tags, a v2 tag with
# neither text beside a v1 tag, and code-page bytes in encoding 0.
fixture mutagen-v23-utf16.mp3 '*' "Grüße aus Köln - Die Band"
fixture mutagen-v24-utf16be.mp3 '*' "Ελληνικά - Τραγούδι"
fixture mutagen-v24-padding.mp3 '*' "Padded Song - Padded Band"
fixture mutagen-v24-title-only.mp3 '*' "Lonely Song - "
fixture mutagen-v23-artist-only.mp3 '*' " - Solo Band"
fixture mutagen-album-only-beside-v1.mp3 '*' "From V1 - Band V1"
fixture mutagen-v23-sjis.mp3 932 "日本語の歌 - 歌手"
mutagen "$media" <<'EOF'
import sys
from mutagen.id3 import ID3, TIT2, TPE1, TALB
media = sys.argv[1]
def tag(name, frames, version, **save):
    t = ID3()
    for f in frames:
        t.add(f)
    t.save(media + "/" + name, v2_version=version, **save)
tag("mutagen-v23-utf16.mp3", [TIT2(encoding=1, text="Grüße aus Köln"),
                              TPE1(encoding=1, text="Die Band")], 3)
tag("mutagen-v24-utf16be.mp3", [TIT2(encoding=2, text="Ελληνικά"),
                                TPE1(encoding=2, text="Τραγούδι")], 4)
tag("mutagen-v24-padding.mp3", [TIT2(encoding=3, text="Padded Song"),
                                TPE1(encoding=3, text="Padded Band")], 4,
    padding=lambda info: 16384)
tag("mutagen-v24-title-only.mp3", [TIT2(encoding=3, text="Lonely Song")], 4)
tag("mutagen-v23-artist-only.mp3", [TPE1(encoding=0, text="Solo Band")], 3)
tag("mutagen-album-only-beside-v1.mp3", [TALB(encoding=0, text="An Album")], 4)
# Shift-JIS bytes in encoding 0, as Japanese taggers wrote them: each byte
# passed as the Latin-1 character of the same value.
sjis = lambda s: s.encode("cp932").decode("latin-1")
tag("mutagen-v23-sjis.mp3", [TIT2(encoding=0, text=sjis("日本語の歌")),
                             TPE1(encoding=0, text=sjis("歌手"))], 3)
EOF
# (mutagen would rewrite a v1 tag from its v2 frames: the v1 tag comes last.)
id3v2 -1 -t "From V1" -a "Band V1" "$media/mutagen-album-only-beside-v1.mp3"

# ffmpeg's muxer: v2.4 writes UTF-8, v2.3 UTF-16 for what Latin-1 lacks.
fixture ffmpeg-v24.mp3 '*' "Ffmpeg Canción - 東京事変"
fixture ffmpeg-v23.mp3 '*' "Ffmpeg Ünïcode - 日本"
for v in 24 23; do
    case $v in
    24) title="Ffmpeg Canción" artist="東京事変" ;;
    23) title="Ffmpeg Ünïcode" artist="日本" ;;
    esac
    ffmpeg -loglevel error -y -i "$work/silence.mp3" -c copy -map_metadata -1 \
        -metadata title="$title" -metadata artist="$artist" -id3v2_version ${v:1:1} \
        -write_xing 0 "$work/ffmpeg.mp3"
    mv "$work/ffmpeg.mp3" "$media/ffmpeg-v$v.mp3"
done

# No tag at all: the file name is the title.
fixture "Band - Song.mp3" '*' "Band - Song"
fixture "My.Band - Live.mp3" '*' "My.Band - Live"

# Files from other tag libraries' test suites, kept as they came (see
# tests/media/README.md for where and under what licence): real material
# no one here wrote, for what no tagger in Debian writes any more.
# Unsynchronisation over a whole v2.3 tag, UTF-16 texts (TagLib 1.13,
# tests/data/unsynch.id3):
printf '%s\t%s\t%s\n' taglib-unsynch.id3 '*' "My babe just cares for me - Nina Simone" >>"$table"
# A v2.4 tag of odd frames, a TENC among them that is not text (broken-tenc.id3):
printf '%s\t%s\t%s\n' taglib-broken-tenc.id3 '*' "Take On Me - A Ha" >>"$table"
# A zlib-compressed picture before the texts, passed over by its size
# (compressed_id3_frame.mp3; the title was cut to 30 letters by its tagger):
printf '%s\t%s\t%s\n' taglib-compressed-frame.id3 '*' "Braveheart Theme (Techno remix - Moby" >>"$table"
# A v2.4 tag that claims more than its file holds, ending in a garbage frame
# of some hundreds of MB (excessive_alloc.mp3):
printf '%s\t%s\t%s\n' taglib-excessive-alloc.id3 '*' "Bush - Rihanna" >>"$table"

# The Wine scenarios: the fake BSPlayer plays every fixture in turn.
scenario() {
    local out=$1 lang=$2 pages=$3
    {
        [ -n "$lang" ] && echo "# lang: $lang"
        echo "# Generated by scripts/make-media-fixtures.sh from tests/media/expected.tsv:"
        echo "# the fake BSPlayer plays each fixture, and the name carries its title."
        echo "ini Main Timer 1"
        echo "ini Player WinampOrder 0"
        echo "ini Player BSplayerOrder 1"
        echo "bsplayer start"
        echo "load"
        echo "connect c1 MSNP9 \"Bob\""
        echo "choose"
        tail -n +2 "$table" | while IFS=$'\t' read -r file page title; do
            case " $pages " in *" $page "*) ;; *) continue ;; esac
            printf 'bsplayer file "media\\\\%s"\n' "$file"
            echo "pump 1500"
            echo "expect name c1 \"Bob/NowPlaying...$title\""
        done
    } >"$out"
}
scenario "$here/tests/wine/bsplayer_fixtures.scn" "" "* 1252"
scenario "$here/tests/wine/bsplayer_fixtures_932.scn" ja_JP.UTF-8 "932"

ls -l "$media"
