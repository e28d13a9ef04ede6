# Writes the benchmark's corpus: MP3 files whose ID3v2 tag holds a cover
# picture of 16 KB to 4 MB, made by two real taggers that place it
# differently.  Of every four files:
#   0, 1  eyeD3, v2.3 and v2.4: the picture before the title and artist;
#   2     mutagen, v2.3 or v2.4: the title and artist first, the picture
#         after them, then mutagen's padding (64 KB for every other one);
#   3     eyeD3: a tag whose picture was removed again, leaving its space
#         as padding (as a tagger leaves it) after the texts.
# Usage: make_corpus.py SILENT_MP3 DIR COUNT
import math
import os
import random
import shutil
import sys

import eyed3
import eyed3.id3
from mutagen.id3 import ID3, APIC, TALB, TIT2, TPE1

eyed3.log.setLevel("ERROR")
silent, folder, count = sys.argv[1], sys.argv[2], int(sys.argv[3])
rng = random.Random(11)


def eyed3_tagged(path, i, size, version):
    f = eyed3.load(path)
    f.initTag(version=version)
    f.tag.title = "Title %d ünïcode" % i
    f.tag.artist = "Artist %d" % i
    f.tag.album = "Album %d" % (i // 10)
    f.tag.images.set(3, b"\xff\xd8\xff\xe0" + rng.randbytes(size), "image/jpeg", "cover")
    f.tag.save(version=version, encoding="utf16" if i % 3 == 0 else "latin1"
               if version == eyed3.id3.ID3_V2_3 else "utf8")


def mutagen_tagged(path, i, size):
    version = 3 if (i // 4) % 2 else 4
    encoding = 1 if version == 3 else 3
    tag = ID3()
    tag.add(TIT2(encoding=encoding, text="Title %d ünïcode" % i))
    tag.add(TPE1(encoding=encoding, text="Artist %d" % i))
    tag.add(TALB(encoding=encoding, text="Album %d" % (i // 10)))
    tag.add(APIC(encoding=encoding, mime="image/jpeg", type=3, desc="cover",
                 data=b"\xff\xd8\xff\xe0" + rng.randbytes(size)))
    padding = 65536 if (i // 8) % 2 else 1024
    tag.save(path, v2_version=version, padding=lambda info: padding)


for i in range(count):
    path = os.path.join(folder, "track%04d.mp3" % i)
    shutil.copy(silent, path)
    # Sizes spread evenly on a log scale from 16 KB to 4 MB.
    size = int(16384 * math.exp(math.log(256) * i / max(count - 1, 1)))
    kind = i % 4
    if kind == 2:
        mutagen_tagged(path, i, size)
        continue
    version = eyed3.id3.ID3_V2_4 if kind == 1 else eyed3.id3.ID3_V2_3
    eyed3_tagged(path, i, size, version)
    if kind == 3:
        f = eyed3.load(path)
        f.tag.images.remove("cover")
        f.tag.save(max_padding=None)
