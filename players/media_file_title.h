// The title of a media file, for players that report only the file they
// play: its ID3v2 tag, else its ID3v1 tag, else its file name.
//
// Every operation writes dest (len UTF-16 units, NUL included) cut at a
// whole character, and returns the length of the text it composed before
// that cut, or 0 when it found nothing (dest is then untouched, except by
// getTitleFromFileName, which always writes it).  path is ANSI; its text,
// like tag text in encoding 0, is widened with the conversion code page.
// Each call opens the file, reads a few KB at most and closes it again.
#pragma once

#include <stdint.h>
#include <windows.h>

int32_t getTitleFromFile(WCHAR* dest, const char* path, int32_t len);
int32_t getTitleFromFileByID3Tagv2(WCHAR* dest, const char* path, int32_t len);
int32_t getTitleFromFileByID3Tagv1(WCHAR* dest, const char* path, int32_t len);
// The text between the path's last backslash and the last dot after it.
int32_t getTitleFromFileName(WCHAR* dest, const char* path, int32_t len);
