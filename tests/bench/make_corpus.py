# Writes the benchmark's corpus with eyeD3: MP3 files whose ID3v2 tag holds a
# cover picture of 16 KB to 4 MB before its title and artist, and, for every
# fifth file, a tag whose picture was removed again, leaving its space as
# padding (as a tagger leaves it).  Usage: make_corpus.py SILENT_MP3 DIR COUNT
import math
import os
import random
import shutil
import sys

import eyed3
import eyed3.id3

eyed3.log.setLevel("ERROR")
silent, folder, count = sys.argv[1], sys.argv[2], int(sys.argv[3])
rng = random.Random(11)
for i in range(count):
    path = os.path.join(folder, "track%04d.mp3" % i)
    shutil.copy(silent, path)
    # Sizes spread evenly on a log scale from 16 KB to 4 MB.
    size = int(16384 * math.exp(math.log(256) * i / max(count - 1, 1)))
    version = eyed3.id3.ID3_V2_4 if i % 2 else eyed3.id3.ID3_V2_3
    f = eyed3.load(path)
    f.initTag(version=version)
    f.tag.title = "Title %d ünïcode" % i
    f.tag.artist = "Artist %d" % i
    f.tag.album = "Album %d" % (i // 10)
    f.tag.images.set(3, b"\xff\xd8\xff\xe0" + rng.randbytes(size), "image/jpeg", "cover")
    f.tag.save(version=version, encoding="utf16" if i % 3 == 0 else "latin1"
               if version == eyed3.id3.ID3_V2_3 else "utf8")
    if i % 5 == 4:
        f = eyed3.load(path)
        f.tag.images.remove("cover")
        f.tag.save(max_padding=None)
