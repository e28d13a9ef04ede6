// The differential table.  Every case calls real Win32 on Windows and the
// stand-in on Linux, and renders what it saw; both sides must print the same
// line.  Profile cases write their own input files first (unique name per
// case, so profile caches never see a file twice), so both sides start from
// the same bytes.
#include "cases.h"

#include <string.h>
// After <windows.h> (from cases.h): the library's header needs its types.
#include <ddeml.h>

#include <initializer_list>
#include <utility>
#include <vector>

namespace differential {
namespace {

// --- helpers ------------------------------------------------------------------

std::string boolText(BOOL b) {
    return num(b);
}

// A settings file like the plug-in's: comments, blank lines, several
// sections, CRLF line endings.
const char kSettings[] =
    "; MelodyRibbon settings\r\n"
    "\r\n"
    "[General]\r\n"
    "Format=%artist% - %title%\r\n"
    "  Spaced   =   padded value   \r\n"
    "Quoted=\"  in quotes  \"\r\n"
    "Single='single'\r\n"
    "Mismatch=\"open\r\n"
    "Lone=\"\r\n"
    "Inner=a \"b\" c\r\n"
    "Empty=\r\n"
    "NoEquals\r\n"
    "Equals=a=b\r\n"
    "Dup=first\r\n"
    "Dup=second\r\n"
    "Tabbed=\tx\t\r\n"
    "Interval=250\r\n"
    "Negative=-42\r\n"
    "Plus=+7\r\n"
    "Blanks=   99\r\n"
    "Junk=12abc\r\n"
    "NoDigits=abc\r\n"
    "Minus=-\r\n"
    "Hex=0x10\r\n"
    "HexUpper=0X10\r\n"
    "Octal=0o17\r\n"
    "Binary=0b101\r\n"
    "QuotedInt=\"31\"\r\n"
    "Big=4294967297\r\n"
    "\r\n"
    "; players\r\n"
    "[Players]\r\n"
    "Winamp=1\r\n"
    "[ Spaced Section ]\r\n"
    "k=v\r\n";

std::string settingsFile(const Env& env, const char* name) {
    std::string path = env.path(name);
    writeFile(env, path, kSettings);
    return path;
}

// GetPrivateProfileStringA into a '#'-filled buffer; shows the return value
// and the buffer up to two bytes past `size` (so over-writes show).
std::string readString(const std::string& file, const char* app, const char* key,
                       const char* def, DWORD size) {
    char buf[64];
    memset(buf, '#', sizeof buf);
    DWORD ret = GetPrivateProfileStringA(app, key, def, buf, size, file.c_str());
    size_t shown = size + 1 < sizeof buf ? size + 1 : sizeof buf;
    return "ret=" + num(ret) + " buf=" + str(buf, shown);
}

std::string readInt(const std::string& file, const char* app, const char* key, INT def) {
    UINT ret = GetPrivateProfileIntA(app, key, def, file.c_str());
    return num(ret);
}

std::string write(const Env& env, const std::string& file, const char* app,
                  const char* key, const char* value) {
    BOOL ret = WritePrivateProfileStringA(app, key, value, file.c_str());
    return "ret=" + boolText(ret) + " file=" + fileText(env, file);
}

std::string cpyn(const char* src, int max) {
    char buf[8];
    memset(buf, '#', sizeof buf);
    LPSTR ret = lstrcpynA(buf, src, max);
    return std::string(ret == buf ? "ret=dst" : "ret=?") + " buf=" + str(buf, sizeof buf);
}

std::string removeSpec(const char* path) {
    char buf[MAX_PATH];
    strcpy(buf, path);
    BOOL ret = PathRemoveFileSpecA(buf);
    return "ret=" + boolText(ret) + " path=" + str(buf);
}

// WideCharToMultiByte of `units` (a NUL is appended, so srcLen -1 works).
std::string w2a(UINT cp, std::initializer_list<unsigned> units, int srcLen, int dstLen,
                const char* defChar = NULL, bool wantUsed = false) {
    std::vector<WCHAR> src;
    for (unsigned u : units) src.push_back(static_cast<WCHAR>(u));
    src.push_back(0);
    char buf[16];
    memset(buf, 0xCC, sizeof buf);
    BOOL used = 7;
    SetLastError(0);
    int ret = WideCharToMultiByte(cp, 0, src.data(), srcLen, dstLen ? buf : NULL, dstLen,
                                  defChar, wantUsed ? &used : NULL);
    std::string out = "ret=" + num(ret);
    if (ret == 0) out += " err=" + num(GetLastError());
    size_t shown = dstLen > 0 ? static_cast<size_t>(dstLen) + 1 : 0;
    if (shown > sizeof buf) shown = sizeof buf;
    if (shown) out += " buf=" + hex(buf, shown);
    if (wantUsed) out += " used=" + num(used);
    return out;
}

// MultiByteToWideChar of `bytes` (a NUL is appended, so srcLen -1 works).
std::string a2w(UINT cp, const std::string& bytes, int srcLen, int dstLen) {
    std::string src = bytes;
    WCHAR buf[16];
    for (WCHAR& w : buf) w = 0xCCCC;
    SetLastError(0);
    int ret =
        MultiByteToWideChar(cp, 0, src.c_str(), srcLen, dstLen ? buf : NULL, dstLen);
    std::string out = "ret=" + num(ret);
    if (ret == 0) out += " err=" + num(GetLastError());
    size_t shown = dstLen > 0 ? static_cast<size_t>(dstLen) + 1 : 0;
    if (shown > 16) shown = 16;
    if (shown) out += " buf=" + hexw(buf, shown);
    return out;
}

std::string cmp(const char* a, const char* b) {
    return num(lstrcmpA(a, b));
}

// Every one-byte string 01..7F sorted by lstrcmpA (insertion sort), with '='
// between neighbours that compare equal: the whole ASCII weight table.
std::string asciiOrder() {
    std::vector<std::string> v;
    for (int c = 1; c < 128; ++c) {
        std::string s(1, static_cast<char>(c));
        size_t i = v.size();
        v.push_back(s);
        while (i > 0 && lstrcmpA(v[i - 1].c_str(), v[i].c_str()) > 0) {
            std::swap(v[i - 1], v[i]);
            --i;
        }
    }
    std::string out;
    for (size_t i = 0; i < v.size(); ++i) {
        if (i) out += lstrcmpA(v[i - 1].c_str(), v[i].c_str()) == 0 ? "=" : " ";
        out += hex(v[i].data(), 1).substr(1, 2);
    }
    return out;
}

// A media file opened as the tag reader opens it: for reading, beside a
// player that holds it open.
HANDLE openForReading(const std::string& path) {
    return CreateFileA(path.c_str(), GENERIC_READ,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
}

// Seeks to `at` from the start, then reads `n` bytes twice; shows what each
// call answered.
std::string seekAndRead(const Env& env, const char* name, LONG at, DWORD n) {
    std::string path = env.path(name);
    writeFile(env, path, "0123456789");
    HANDLE f = openForReading(path);
    if (f == INVALID_HANDLE_VALUE) return "open failed";
    LONG high = 0;
    SetLastError(0);
    DWORD pos = SetFilePointer(f, at, &high, FILE_BEGIN);
    std::string out =
        "pos=" + num(pos) + " high=" + num(high) + " err=" + num(GetLastError());
    for (int i = 0; i < 2; ++i) {
        char buf[16];
        DWORD got = 99;
        BOOL ok = ReadFile(f, buf, n, &got, NULL);
        out += " read=" + boolText(ok) + "," + str(buf, ok ? got : 0);
    }
    CloseHandle(f);
    return out;
}

// The log's way of writing: open for appending, created when missing.
HANDLE openLog(const std::string& path) {
    return CreateFileA(path.c_str(), FILE_APPEND_DATA,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                       OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
}

// Reads `n` bytes at `at` with an OVERLAPPED on a handle opened without
// FILE_FLAG_OVERLAPPED, as the tag reader reads a window.
std::string readAtOffset(const Env& env, const char* name, DWORD at, DWORD n) {
    std::string path = env.path(name);
    writeFile(env, path, "0123456789");
    HANDLE f = openForReading(path);
    if (f == INVALID_HANDLE_VALUE) return "open failed";
    OVERLAPPED where;
    memset(&where, 0, sizeof where);
    where.Offset = at;
    char buf[16];
    DWORD got = 99;
    SetLastError(0);
    BOOL ok = ReadFile(f, buf, n, &got, &where);
    std::string out = "read=" + boolText(ok) + " got=" + num(got) +
                      " err=" + num(ok ? 0 : GetLastError()) + "," +
                      str(buf, ok ? got : 0);
    CloseHandle(f);
    return out;
}

// --- the table ----------------------------------------------------------------

// Appends each text through its own open, as the log does per line, and
// shows each open's error (183 when the file was there) and write, then the
// file.
std::string appendLines(const Env& env, const std::string& path,
                        std::initializer_list<const char*> texts) {
    std::string out;
    for (const char* text : texts) {
        SetLastError(0);
        HANDLE f = openLog(path);
        out += "open=" + boolText(f != INVALID_HANDLE_VALUE) + "," + num(GetLastError());
        if (f != INVALID_HANDLE_VALUE) {
            DWORD written = 99;
            BOOL ok = WriteFile(f, text, (DWORD)strlen(text), &written, NULL);
            out += " write=" + boolText(ok) + "," + num(written);
            CloseHandle(f);
        }
        out += " ";
    }
    return out + fileText(env, path);
}

// What a media path naming a device opens: GetFileType of the handle.
std::string deviceType(const std::string& path) {
    HANDLE f = openForReading(path);
    if (f == INVALID_HANDLE_VALUE) return "open failed";
    std::string out = "type=" + num(GetFileType(f));
    CloseHandle(f);
    return out;
}

// The locale's ANSI code page as the text conversion reads it, into a
// buffer of `size` bytes (none for 0).
std::string localeCodePage(int size) {
    char buf[8];
    memset(buf, '#', sizeof buf);
    SetLastError(0);
    int ret = GetLocaleInfoA(GetThreadLocale(), LOCALE_IDEFAULTANSICODEPAGE,
                             size ? buf : NULL, size);
    std::string out = "ret=" + num(ret) + " err=" + num(GetLastError());
    if (ret > 0 && size > 0) out += " text=" + str(buf, (size_t)ret);
    return out;
}

HDDEDATA CALLBACK ignoreDde(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR) {
    return NULL;
}

// A string handle in a client-only instance with no server anywhere: what
// it gives, the error then (twice: reading it clears it) and the free.
std::string ddeString(const char* text, int codePage) {
    DWORD instance = 0;
    UINT init = DdeInitializeA(&instance, ignoreDde, APPCMD_CLIENTONLY, 0);
    if (init != DMLERR_NO_ERROR) return "init=" + num(init);
    HSZ h = DdeCreateStringHandleA(instance, text, codePage);
    std::string out = "handle=" + boolText(h != NULL);
    out += " err=" + num(DdeGetLastError(instance));
    out += "," + num(DdeGetLastError(instance));
    if (h) out += " free=" + boolText(DdeFreeStringHandle(instance, h));
    DdeUninitialize(instance);
    return out;
}

// --- the table ----------------------------------------------------------------

// msvcrt's _snprintf into a '#'-filled buffer, shown two bytes past count.
std::string fmtFixed(size_t count, double value) {
    char buf[400];
    memset(buf, '#', sizeof buf);
    int ret = _snprintf(buf, count, "%f", value);
    return "ret=" + num(ret) + " buf=" + str(buf, count + 2);
}

const Case kCases[] = {
    // lstrlenA
    {"lstrlen.null", [](const Env&) { return num(lstrlenA(NULL)); }},
    {"lstrlen.empty", [](const Env&) { return num(lstrlenA("")); }},
    {"lstrlen.ascii", [](const Env&) { return num(lstrlenA("abc")); }},
    {"lstrlen.high_bytes", [](const Env&) { return num(lstrlenA("\xE9\x93\xFA")); }},

    // lstrcmpA: Windows returns exactly -1, 0 or 1.
    {"lstrcmp.equal", [](const Env&) { return cmp("Winamp", "Winamp"); }},
    {"lstrcmp.empty_both", [](const Env&) { return cmp("", ""); }},
    {"lstrcmp.less", [](const Env&) { return cmp("abc", "abd"); }},
    {"lstrcmp.greater", [](const Env&) { return cmp("abd", "abc"); }},
    {"lstrcmp.prefix_longer", [](const Env&) { return cmp("abc", "ab"); }},
    {"lstrcmp.prefix_shorter", [](const Env&) { return cmp("ab", "abc"); }},
    {"lstrcmp.empty_first", [](const Env&) { return cmp("", "a"); }},
    {"lstrcmp.lower_vs_upper", [](const Env&) { return cmp("a", "A"); }},
    {"lstrcmp.upper_vs_lower", [](const Env&) { return cmp("A", "a"); }},
    {"lstrcmp.case_only_word", [](const Env&) { return cmp("Winamp", "winamp"); }},
    {"lstrcmp.case_first_diff", [](const Env&) { return cmp("Ab", "aB"); }},
    {"lstrcmp.letters_ignore_case", [](const Env&) { return cmp("a", "B"); }},
    {"lstrcmp.letters_ignore_case2", [](const Env&) { return cmp("B", "a"); }},
    {"lstrcmp.primary_before_case", [](const Env&) { return cmp("a", "Ab"); }},
    {"lstrcmp.digits", [](const Env&) { return cmp("10", "9"); }},
    {"lstrcmp.digit_vs_letter", [](const Env&) { return cmp("Z", "1"); }},
    {"lstrcmp.underscore_vs_upper", [](const Env&) { return cmp("_", "A"); }},
    {"lstrcmp.bracket_vs_upper", [](const Env&) { return cmp("[", "A"); }},
    {"lstrcmp.space_vs_letter", [](const Env&) { return cmp("a b", "ab"); }},
    {"lstrcmp.hyphen_ignored", [](const Env&) { return cmp("a-c", "ab"); }},
    {"lstrcmp.hyphen_tiebreak", [](const Env&) { return cmp("co-op", "coop"); }},
    {"lstrcmp.hyphen_vs_apostrophe", [](const Env&) { return cmp("-", "'"); }},
    {"lstrcmp.hyphen_position", [](const Env&) { return cmp("-ab", "a-b"); }},
    {"lstrcmp.hyphen_count", [](const Env&) { return cmp("a--b", "a-b"); }},
    {"lstrcmp.hyphen_case", [](const Env&) { return cmp("a-B", "A-b"); }},
    {"lstrcmp.space_vs_hyphen", [](const Env&) { return cmp("a b", "a-b"); }},
    {"lstrcmp.plus_after_tilde", [](const Env&) { return cmp("+", "~"); }},
    {"lstrcmp.symbol_vs_digit", [](const Env&) { return cmp(">", "0"); }},
    {"lstrcmp.control_char", [](const Env&) { return cmp("a\x01", "a"); }},
    {"lstrcmp.ascii_order", [](const Env&) { return asciiOrder(); }},
    {"lstrcmp.null_null", [](const Env&) { return cmp(NULL, NULL); }},
    {"lstrcmp.null_first", [](const Env&) { return cmp(NULL, "a"); }},
    {"lstrcmp.null_second", [](const Env&) { return cmp("a", NULL); }},
    {"lstrcmp.null_vs_empty", [](const Env&) { return cmp(NULL, ""); }},

    // lstrcpynA into a '#'-filled 8-byte buffer.
    {"lstrcpyn.max0", [](const Env&) { return cpyn("hello", 0); }},
    {"lstrcpyn.max1", [](const Env&) { return cpyn("hello", 1); }},
    {"lstrcpyn.cut", [](const Env&) { return cpyn("hello", 4); }},
    {"lstrcpyn.exact", [](const Env&) { return cpyn("hello", 6); }},
    {"lstrcpyn.one_short", [](const Env&) { return cpyn("hello", 5); }},
    {"lstrcpyn.shorter", [](const Env&) { return cpyn("hi", 8); }},
    {"lstrcpyn.empty_src", [](const Env&) { return cpyn("", 8); }},

    // PathRemoveFileSpecA
    {"removespec.file", [](const Env&) { return removeSpec("C:\\Host\\a.exe"); }},
    {"removespec.root_file", [](const Env&) { return removeSpec("C:\\a.exe"); }},
    {"removespec.root", [](const Env&) { return removeSpec("C:\\"); }},
    {"removespec.drive", [](const Env&) { return removeSpec("C:"); }},
    {"removespec.trailing_backslash", [](const Env&) { return removeSpec("C:\\Host\\"); }},
    {"removespec.deep", [](const Env&) { return removeSpec("C:\\Program Files\\Host\\plugins\\MelodyRibbon.dll"); }},
    {"removespec.bare_name", [](const Env&) { return removeSpec("a.exe"); }},
    {"removespec.empty", [](const Env&) { return removeSpec(""); }},
    {"removespec.rooted", [](const Env&) { return removeSpec("\\a.exe"); }},
    {"removespec.unc", [](const Env&) { return removeSpec("\\\\server\\share\\a.exe"); }},
    {"removespec.unc_server", [](const Env&) { return removeSpec("\\\\server"); }},
    {"removespec.forward_slashes", [](const Env&) { return removeSpec("C:/Host/a.exe"); }},
    {"removespec.relative", [](const Env&) { return removeSpec("Host\\a.exe"); }},
    {"removespec.dbcs_trail_backslash", [](const Env&) { return removeSpec("C:\\dir\\\x95\x5C"); }},
    {"removespec.dbcs_folder", [](const Env&) { return removeSpec("C:\\\x95\x5C\\a.exe"); }},
    {"removespec.null", [](const Env&) { return boolText(PathRemoveFileSpecA(NULL)); }},

    // Directories (PathIsDirectoryA answers FILE_ATTRIBUTE_DIRECTORY).
    {"dir.scratch_is_dir", [](const Env& e) { return num(PathIsDirectoryA(e.dir.c_str())); }},
    {"dir.file_is_not_dir", [](const Env& e) {
         std::string p = e.path("plain.txt");
         writeFile(e, p, "x");
         return num(PathIsDirectoryA(p.c_str()));
     }},
    {"dir.missing_is_not_dir", [](const Env& e) { return num(PathIsDirectoryA(e.path("no-such-dir").c_str())); }},
    {"dir.create", [](const Env& e) {
         std::string p = e.path("made");
         e.removeDir(p.c_str());
         BOOL first = CreateDirectoryA(p.c_str(), NULL);
         SetLastError(0);
         BOOL second = CreateDirectoryA(p.c_str(), NULL);
         DWORD err = GetLastError();
         return "first=" + boolText(first) + " second=" + boolText(second) + " err=" + num(err) +
                " isdir=" + num(PathIsDirectoryA(p.c_str()));
     }},
    {"dir.create_trailing_backslash", [](const Env& e) {
         std::string p = e.path("made2");
         e.removeDir(p.c_str());
         BOOL ret = CreateDirectoryA((p + "\\").c_str(), NULL);
         return "ret=" + boolText(ret) + " isdir=" + num(PathIsDirectoryA((p + "\\").c_str()));
     }},
    {"dir.create_missing_parent", [](const Env& e) {
         std::string p = e.path("no-such-parent\\child");
         SetLastError(0);
         BOOL ret = CreateDirectoryA(p.c_str(), NULL);
         return "ret=" + boolText(ret) + " err=" + num(GetLastError());
     }},
    {"dir.create_over_file", [](const Env& e) {
         std::string p = e.path("plain2.txt");
         writeFile(e, p, "x");
         SetLastError(0);
         BOOL ret = CreateDirectoryA(p.c_str(), NULL);
         return "ret=" + boolText(ret) + " err=" + num(GetLastError());
     }},

    // Profile reads.
    {"profile.read.plain", [](const Env& e) { return readString(settingsFile(e, "r01.ini"), "General", "Format", "dflt", 40); }},
    {"profile.read.section_case", [](const Env& e) { return readString(settingsFile(e, "r02.ini"), "gEnErAl", "Format", "dflt", 40); }},
    {"profile.read.key_case", [](const Env& e) { return readString(settingsFile(e, "r03.ini"), "General", "FORMAT", "dflt", 40); }},
    {"profile.read.blanks_trimmed", [](const Env& e) { return readString(settingsFile(e, "r04.ini"), "General", "Spaced", "dflt", 40); }},
    {"profile.read.lookup_blanks", [](const Env& e) { return readString(settingsFile(e, "r05.ini"), " General ", " Spaced ", "dflt", 40); }},
    {"profile.read.double_quotes", [](const Env& e) { return readString(settingsFile(e, "r06.ini"), "General", "Quoted", "dflt", 40); }},
    {"profile.read.single_quotes", [](const Env& e) { return readString(settingsFile(e, "r07.ini"), "General", "Single", "dflt", 40); }},
    {"profile.read.mismatched_quote", [](const Env& e) { return readString(settingsFile(e, "r08.ini"), "General", "Mismatch", "dflt", 40); }},
    {"profile.read.lone_quote", [](const Env& e) { return readString(settingsFile(e, "r09.ini"), "General", "Lone", "dflt", 40); }},
    {"profile.read.inner_quotes", [](const Env& e) { return readString(settingsFile(e, "r10.ini"), "General", "Inner", "dflt", 40); }},
    {"profile.read.empty_value", [](const Env& e) { return readString(settingsFile(e, "r11.ini"), "General", "Empty", "dflt", 40); }},
    {"profile.read.no_equals", [](const Env& e) { return readString(settingsFile(e, "r12.ini"), "General", "NoEquals", "dflt", 40); }},
    {"profile.read.equals_in_value", [](const Env& e) { return readString(settingsFile(e, "r13.ini"), "General", "Equals", "dflt", 40); }},
    {"profile.read.duplicate_key", [](const Env& e) { return readString(settingsFile(e, "r14.ini"), "General", "Dup", "dflt", 40); }},
    {"profile.read.tabs_trimmed", [](const Env& e) { return readString(settingsFile(e, "r15.ini"), "General", "Tabbed", "dflt", 40); }},
    {"profile.read.other_section", [](const Env& e) { return readString(settingsFile(e, "r16.ini"), "Players", "Winamp", "dflt", 40); }},
    {"profile.read.spaced_section", [](const Env& e) { return readString(settingsFile(e, "r17.ini"), "Spaced Section", "k", "dflt", 40); }},
    {"profile.read.key_in_other_section", [](const Env& e) { return readString(settingsFile(e, "r18.ini"), "Players", "Format", "dflt", 40); }},
    {"profile.read.missing_key", [](const Env& e) { return readString(settingsFile(e, "r19.ini"), "General", "Nope", "dflt", 40); }},
    {"profile.read.missing_section", [](const Env& e) { return readString(settingsFile(e, "r20.ini"), "Nope", "Format", "dflt", 40); }},
    {"profile.read.missing_file", [](const Env& e) {
         std::string p = e.path("r21-missing.ini");
         removeFile(e, p);
         return readString(p, "General", "Format", "dflt", 40);
     }},
    {"profile.read.null_default", [](const Env& e) { return readString(settingsFile(e, "r22.ini"), "General", "Nope", NULL, 40); }},
    {"profile.read.null_default_missing_file", [](const Env& e) {
         std::string p = e.path("r23-missing.ini");
         removeFile(e, p);
         return readString(p, "General", "Format", NULL, 40);
     }},
    {"profile.read.default_trailing_blanks", [](const Env& e) { return readString(settingsFile(e, "r24.ini"), "General", "Nope", "  dflt  ", 40); }},
    {"profile.read.default_quoted", [](const Env& e) { return readString(settingsFile(e, "r25.ini"), "General", "Nope", "\"dflt\"", 40); }},
    {"profile.read.cut", [](const Env& e) { return readString(settingsFile(e, "r26.ini"), "General", "Format", "dflt", 8); }},
    {"profile.read.cut_size1", [](const Env& e) { return readString(settingsFile(e, "r27.ini"), "General", "Format", "dflt", 1); }},
    {"profile.read.size0", [](const Env& e) { return readString(settingsFile(e, "r28.ini"), "General", "Format", "dflt", 0); }},
    {"profile.read.exact_fit", [](const Env& e) { return readString(settingsFile(e, "r29.ini"), "Players", "Winamp", "dflt", 2); }},
    {"profile.read.cut_quoted", [](const Env& e) { return readString(settingsFile(e, "r30.ini"), "General", "Single", "dflt", 4); }},
    {"profile.read.cut_quoted_fits", [](const Env& e) { return readString(settingsFile(e, "r31.ini"), "General", "Single", "dflt", 7); }},
    {"profile.read.cut_default", [](const Env& e) { return readString(settingsFile(e, "r32.ini"), "General", "Nope", "default", 4); }},
    {"profile.read.cut_default_missing_file", [](const Env& e) {
         std::string p = e.path("r33-missing.ini");
         removeFile(e, p);
         return readString(p, "General", "Format", "default", 4);
     }},
    {"profile.read.lf_only_file", [](const Env& e) {
         std::string p = e.path("r34.ini");
         writeFile(e, p, "[A]\nk = v\n[B]\nk=w\n");
         return readString(p, "B", "K", "dflt", 40);
     }},
    {"profile.read.no_final_newline", [](const Env& e) {
         std::string p = e.path("r35.ini");
         writeFile(e, p, "[A]\r\nk=last");
         return readString(p, "A", "k", "dflt", 40);
     }},
    {"profile.read.header_junk", [](const Env& e) {
         std::string p = e.path("r37.ini");
         writeFile(e, p, "[A] ; note\r\nk=1\r\n[B]x]\r\nk=2\r\n[noclose\r\nk=3\r\n");
         return readString(p, "A", "k", "dflt", 40) + " " + readString(p, "B]x", "k", "dflt", 40) + " " +
                readString(p, "B", "k", "dflt", 40) + " " + readString(p, "B]x", "[noclose", "dflt", 40) + " " + readString(p, "B]x", "k", "dflt", 40);
     }},
    {"profile.read.keys_before_section", [](const Env& e) {
         std::string p = e.path("r38.ini");
         writeFile(e, p, "top=1\r\n[A]\r\nk=2\r\n");
         return readString(p, "", "top", "dflt", 40) + " " + readString(p, "A", "top", "dflt", 40);
     }},
    {"profile.read.empty_names", [](const Env& e) {
         std::string p = e.path("r39.ini");
         writeFile(e, p, "[A]\r\n=one\r\n=two\r\nk=v\r\n");
         return readString(p, "A", "", "dflt", 40);
     }},
    {"profile.read.duplicate_section", [](const Env& e) {
         std::string p = e.path("r40.ini");
         writeFile(e, p, "[A]\r\nx=1\r\n[B]\r\n[a]\r\nx=2\r\ny=3\r\n");
         return readString(p, "A", "x", "dflt", 40) + " " + readString(p, "A", "y", "dflt", 40);
     }},
    {"profile.read.default_quoted_missing_file", [](const Env& e) {
         std::string p = e.path("r41-missing.ini");
         removeFile(e, p);
         return readString(p, "General", "Format", "\"dflt\"", 40);
     }},
    {"profile.read.default_only_spaces", [](const Env& e) { return readString(settingsFile(e, "r42.ini"), "General", "Nope", "   ", 40); }},
    {"profile.read.empty_quotes", [](const Env& e) {
         std::string p = e.path("r43.ini");
         writeFile(e, p, "[A]\r\nq=''\r\nd=\"\"\r\n");
         return readString(p, "A", "q", "dflt", 40) + " " + readString(p, "A", "d", "dflt", 1);
     }},
    {"profile.read.cr_only_lines", [](const Env& e) {
         std::string p = e.path("r44.ini");
         writeFile(e, p, "[A]\rk=v\r[B]\rk=w\r");
         return readString(p, "A", "k", "dflt", 40) + " " + readString(p, "B", "k", "dflt", 40);
     }},
    {"profile.read.sjis_text", [](const Env& e) {
         std::string p = e.path("r45.ini");
         writeFile(e, p, "[\x95\x5C]\r\n\x8E\xA6=\x95\x5C\x8E\xA6\r\n");
         return readString(p, "\x95\x5C", "\x8E\xA6", "dflt", 40);
     }},
    {"profile.read.null_key", [](const Env& e) {
         std::string p = e.path("r36.ini");
         writeFile(e, p, "[A]\r\nk=v\r\n");
         char buf[16];
         memset(buf, '#', sizeof buf);
         buf[0] = 'x';
         (void)GetPrivateProfileStringA("A", NULL, "dflt", buf, 0, p.c_str());
         return std::string("size0 buf=") + str(buf, 2);
     }},

    // Profile integers.
    {"profile.int.plain", [](const Env& e) { return readInt(settingsFile(e, "i01.ini"), "General", "Interval", 5); }},
    {"profile.int.negative", [](const Env& e) { return readInt(settingsFile(e, "i02.ini"), "General", "Negative", 5); }},
    {"profile.int.plus", [](const Env& e) { return readInt(settingsFile(e, "i03.ini"), "General", "Plus", 5); }},
    {"profile.int.leading_blanks", [](const Env& e) { return readInt(settingsFile(e, "i04.ini"), "General", "Blanks", 5); }},
    {"profile.int.trailing_junk", [](const Env& e) { return readInt(settingsFile(e, "i05.ini"), "General", "Junk", 5); }},
    {"profile.int.no_digits", [](const Env& e) { return readInt(settingsFile(e, "i06.ini"), "General", "NoDigits", 5); }},
    {"profile.int.sign_only", [](const Env& e) { return readInt(settingsFile(e, "i07.ini"), "General", "Minus", 5); }},
    {"profile.int.empty_value", [](const Env& e) { return readInt(settingsFile(e, "i08.ini"), "General", "Empty", 5); }},
    {"profile.int.hex", [](const Env& e) { return readInt(settingsFile(e, "i09.ini"), "General", "Hex", 5); }},
    {"profile.int.hex_upper", [](const Env& e) { return readInt(settingsFile(e, "i10.ini"), "General", "HexUpper", 5); }},
    {"profile.int.octal", [](const Env& e) { return readInt(settingsFile(e, "i11.ini"), "General", "Octal", 5); }},
    {"profile.int.binary", [](const Env& e) { return readInt(settingsFile(e, "i12.ini"), "General", "Binary", 5); }},
    {"profile.int.quoted", [](const Env& e) { return readInt(settingsFile(e, "i13.ini"), "General", "QuotedInt", 5); }},
    {"profile.int.overflow", [](const Env& e) { return readInt(settingsFile(e, "i14.ini"), "General", "Big", 5); }},
    {"profile.int.missing_key", [](const Env& e) { return readInt(settingsFile(e, "i15.ini"), "General", "Nope", 5); }},
    {"profile.int.missing_key_negative_default", [](const Env& e) { return readInt(settingsFile(e, "i16.ini"), "General", "Nope", -3); }},
    {"profile.int.missing_file", [](const Env& e) {
         std::string p = e.path("i17-missing.ini");
         removeFile(e, p);
         return readInt(p, "General", "Interval", 5);
     }},
    {"profile.int.text_value", [](const Env& e) { return readInt(settingsFile(e, "i18.ini"), "General", "Format", 5); }},

    // Profile writes: the whole file is shown afterwards.  (Wine re-writes
    // the whole file from its parsed form on any change: blank lines and the
    // blanks around names and values go, every line ends in CRLF.)
    {"profile.write.replace", [](const Env& e) {
         std::string p = settingsFile(e, "w01.ini");
         return write(e, p, "General", "Interval", "500");
     }},
    {"profile.write.replace_key_case", [](const Env& e) {
         std::string p = settingsFile(e, "w02.ini");
         return write(e, p, "GENERAL", "interval", "500");
     }},
    {"profile.write.same_value", [](const Env& e) {
         std::string p = settingsFile(e, "w03.ini");
         return write(e, p, "General", "Interval", "250");
     }},
    {"profile.write.new_key", [](const Env& e) {
         std::string p = settingsFile(e, "w04.ini");
         return write(e, p, "Players", "foobar", "0");
     }},
    {"profile.write.new_section", [](const Env& e) {
         std::string p = settingsFile(e, "w05.ini");
         return write(e, p, "Publish", "Target", "messenger");
     }},
    {"profile.write.missing_file", [](const Env& e) {
         std::string p = e.path("w06-missing.ini");
         removeFile(e, p);
         return write(e, p, "General", "Format", "%title%");
     }},
    {"profile.write.missing_file_two_keys", [](const Env& e) {
         std::string p = e.path("w07-missing.ini");
         removeFile(e, p);
         WritePrivateProfileStringA("General", "A", "1", p.c_str());
         WritePrivateProfileStringA("Other", "B", "2", p.c_str());
         return write(e, p, "General", "C", "3");
     }},
    {"profile.write.value_blanks", [](const Env& e) {
         std::string p = e.path("w08-missing.ini");
         removeFile(e, p);
         return write(e, p, "General", "Key", "  padded  ");
     }},
    {"profile.write.value_quotes", [](const Env& e) {
         std::string p = e.path("w09-missing.ini");
         removeFile(e, p);
         std::string w = write(e, p, "General", "Key", "\"quoted\"");
         return w + " read=" + readString(p, "General", "Key", "dflt", 40);
     }},
    {"profile.write.empty_value", [](const Env& e) {
         std::string p = e.path("w10-missing.ini");
         removeFile(e, p);
         return write(e, p, "General", "Key", "");
     }},
    {"profile.write.lf_file", [](const Env& e) {
         std::string p = e.path("w11.ini");
         writeFile(e, p, "; c\n[A]\nx = 1\n\n[B]\ny=2\n");
         return write(e, p, "A", "x", "9");
     }},
    {"profile.write.lf_file_new_key", [](const Env& e) {
         std::string p = e.path("w12.ini");
         writeFile(e, p, "; c\n[A]\nx = 1\n\n[B]\ny=2\n");
         return write(e, p, "A", "z", "9");
     }},
    {"profile.write.no_final_newline", [](const Env& e) {
         std::string p = e.path("w13.ini");
         writeFile(e, p, "[A]\r\nk=v");
         return write(e, p, "A", "n", "1");
     }},
    {"profile.write.no_final_newline_new_section", [](const Env& e) {
         std::string p = e.path("w14.ini");
         writeFile(e, p, "[A]\r\nk=v");
         return write(e, p, "B", "n", "1");
     }},
    {"profile.write.then_read", [](const Env& e) {
         std::string p = settingsFile(e, "w15.ini");
         WritePrivateProfileStringA("General", "Interval", "750", p.c_str());
         return readString(p, "General", "Interval", "dflt", 40) + " int=" +
                readInt(p, "General", "Interval", 5);
     }},
    {"profile.write.delete_key", [](const Env& e) {
         std::string p = settingsFile(e, "w16.ini");
         return write(e, p, "Players", "Winamp", NULL);
     }},
    {"profile.write.delete_section", [](const Env& e) {
         std::string p = settingsFile(e, "w17.ini");
         return write(e, p, "Players", NULL, NULL);
     }},
    {"profile.write.names_trimmed", [](const Env& e) {
         std::string p = e.path("w19-missing.ini");
         removeFile(e, p);
         return write(e, p, "  New Section ", " New Key ", "v");
     }},
    {"profile.write.key_without_value", [](const Env& e) {
         std::string p = settingsFile(e, "w20.ini");
         return write(e, p, "General", "NoEquals", "now");
     }},
    {"profile.write.delete_missing_key", [](const Env& e) {
         std::string p = settingsFile(e, "w21.ini");
         return write(e, p, "General", "Nope", NULL);
     }},
    {"profile.write.empty_names", [](const Env& e) {
         std::string p = e.path("w22.ini");
         writeFile(e, p, "top=1\r\n[A]\r\n=one\r\n=two\r\nk=v\r\n");
         return write(e, p, "A", "k", "w");
     }},
    {"profile.write.sjis_text", [](const Env& e) {
         std::string p = e.path("w23.ini");
         writeFile(e, p, "[\x95\x5C]\r\nk=v\r\n");
         return write(e, p, "\x95\x5C", "\x8E\xA6", "\x83\x41\x83\x5C");
     }},
    {"profile.write.missing_dir", [](const Env& e) {
         std::string p = e.path("no-such-dir\\w18.ini");
         BOOL ret = WritePrivateProfileStringA("A", "k", "v", p.c_str());
         return "ret=" + boolText(ret);
     }},

    // Files as the media-file reader uses them
    {"file.read.whole", [](const Env& e) { return seekAndRead(e, "f01.bin", 0, 10); }},
    {"file.read.short_at_end", [](const Env& e) { return seekAndRead(e, "f02.bin", 6, 8); }},
    {"file.read.past_end", [](const Env& e) { return seekAndRead(e, "f03.bin", 100, 4); }},
    {"file.read_at.middle", [](const Env& e) { return readAtOffset(e, "f04.bin", 3, 4); }},
    {"file.read_at.short_at_end", [](const Env& e) { return readAtOffset(e, "f05.bin", 6, 8); }},
    {"file.read_at.at_end", [](const Env& e) { return readAtOffset(e, "f06.bin", 10, 4); }},
    {"file.read_at.past_end", [](const Env& e) { return readAtOffset(e, "f07.bin", 100, 4); }},
    {"file.seek.negative", [](const Env& e) {
         std::string path = e.path("f04.bin");
         writeFile(e, path, "0123456789");
         HANDLE f = openForReading(path);
         SetLastError(0);
         DWORD pos = SetFilePointer(f, -5, NULL, FILE_BEGIN);
         std::string out = "pos=" + num(pos) + " err=" + num(GetLastError());
         CloseHandle(f);
         return out;
     }},
    {"file.size_and_type", [](const Env& e) {
         std::string path = e.path("f05.bin");
         writeFile(e, path, std::string(300, 'x'));
         HANDLE f = openForReading(path);
         DWORD high = 7;
         SetLastError(0);
         DWORD size = GetFileSize(f, &high);
         std::string out = "size=" + num(size) + " high=" + num(high) +
                           " err=" + num(GetLastError()) + " type=" + num(GetFileType(f));
         CloseHandle(f);
         return out;
     }},
    {"file.open.missing", [](const Env& e) {
         return boolText(openForReading(e.path("no-such-file.mp3")) != INVALID_HANDLE_VALUE);
     }},
    {"file.open.directory", [](const Env& e) {
         return boolText(openForReading(e.dir) != INVALID_HANDLE_VALUE);
     }},
    {"file.open.while_written", [](const Env& e) {
         std::string path = e.path("f06.bin");
         writeFile(e, path, "abc");
         HANDLE writer = CreateFileA(path.c_str(), GENERIC_WRITE,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
         HANDLE reader = openForReading(path);
         std::string out = boolText(reader != INVALID_HANDLE_VALUE);
         if (reader != INVALID_HANDLE_VALUE) CloseHandle(reader);
         if (writer != INVALID_HANDLE_VALUE) CloseHandle(writer);
         return out;
     }},

    // The trace log: one open-and-append per line, the file created once.
    {"file.log.append_creates", [](const Env& e) {
         std::string p = e.path("log01.txt");
         removeFile(e, p);
         return appendLines(e, p, {"first\r\n", "second\r\n"});
     }},
    {"file.log.append_to_existing", [](const Env& e) {
         std::string p = e.path("log02.txt");
         writeFile(e, p, "old\r\n");
         return appendLines(e, p, {"new\r\n"});
     }},
    {"file.log.missing_folder", [](const Env& e) {
         HANDLE f = openLog(e.path("no-such-dir\\log03.txt"));
         if (f != INVALID_HANDLE_VALUE) CloseHandle(f);
         return boolText(f != INVALID_HANDLE_VALUE);
     }},

    // A media path that names a device rather than a disk file.
    {"file.device.nul", [](const Env&) { return deviceType("NUL"); }},
    {"file.device.nul_lower", [](const Env&) { return deviceType("nul"); }},
    {"file.device.nul_in_folder", [](const Env& e) { return deviceType(e.path("NUL")); }},
    {"file.device.nul_with_extension", [](const Env& e) { return deviceType(e.path("nul.mp3")); }},
    {"file.device.con", [](const Env&) { return deviceType("CON"); }},
    {"file.device.pipe_without_server", [](const Env&) {
         return deviceType("\\\\.\\pipe\\mr-differential-no-server");
     }},

    // The locale's ANSI code page and GetACP, under each pass's code page.
    {"locale.acp", [](const Env&) { return num(GetACP()); }},
    {"locale.ansi_code_page", [](const Env&) { return localeCodePage(7); }},
    {"locale.ansi_code_page_size_query", [](const Env&) { return localeCodePage(0); }},
    {"locale.ansi_code_page_small", [](const Env&) { return localeCodePage(4); }},
    {"locale.ansi_code_page_tiny", [](const Env&) { return localeCodePage(2); }},

    // Profile files named without a folder live in the Windows directory.
    {"profile.bare_name.read_missing", [](const Env&) {
         return readString("mr-differential-none.ini", "Main", "k", "dflt", 40);
     }},
    {"profile.bare_name.write_and_read", [](const Env& e) {
         const char* name = "mr-differential-bare.ini";
         std::string full = e.windowsDir + "\\" + name;
         removeFile(e, full);
         BOOL ret = WritePrivateProfileStringA("Main", "k", "v", name);
         std::string out = "ret=" + boolText(ret) + " bare=" +
                           readString(name, "Main", "k", "dflt", 40) +
                           " full=" + fileText(e, full);
         removeFile(e, full);
         return out;
     }},
    {"profile.empty_name.write_and_read", [](const Env&) {
         BOOL ret = WritePrivateProfileStringA("Main", "k", "v", "");
         return "ret=" + boolText(ret) + " read=" + readString("", "Main", "k", "dflt", 40) +
                " int=" + num(GetPrivateProfileIntA("Main", "k", 7, ""));
     }},

    // DDE string handles, which need no server.
    {"dde.string.plain", [](const Env&) { return ddeString("KbMedia Player", CP_WINANSI); }},
    {"dde.string.code_page_zero", [](const Env&) { return ddeString("Lilith", 0); }},
    {"dde.string.empty", [](const Env&) { return ddeString("", CP_WINANSI); }},
    {"dde.string.null", [](const Env&) { return ddeString(NULL, CP_WINANSI); }},
    {"dde.string.255_chars", [](const Env&) { return ddeString(std::string(255, 'a').c_str(), CP_WINANSI); }},
    {"dde.string.256_chars", [](const Env&) { return ddeString(std::string(256, 'a').c_str(), CP_WINANSI); }},
    {"dde.string.no_instance", [](const Env&) {
         HSZ h = DdeCreateStringHandleA(0, "x", CP_WINANSI);
         return "handle=" + boolText(h != NULL) + " err=" + num(DdeGetLastError(0));
     }},
    {"dde.string.after_uninitialize", [](const Env&) {
         DWORD instance = 0;
         DdeInitializeA(&instance, ignoreDde, APPCMD_CLIENTONLY, 0);
         DdeUninitialize(instance);
         HSZ h = DdeCreateStringHandleA(instance, "x", CP_WINANSI);
         return "handle=" + boolText(h != NULL) + " err=" + num(DdeGetLastError(instance));
     }},

    // WideCharToMultiByte, 1252
    {"w2a.1252.latin1", [](const Env&) { return w2a(1252, {'C', 'a', 'f', 0xE9}, -1, 8); }},
    {"w2a.1252.euro", [](const Env&) { return w2a(1252, {0x20AC, 0x2019}, 2, 8); }},
    {"w2a.1252.c1_control", [](const Env&) { return w2a(1252, {0x81, 0x8D, 0x8F, 0x90, 0x9D}, 5, 8); }},
    {"w2a.1252.cjk_default", [](const Env&) { return w2a(1252, {'a', 0x4E2D, 'b'}, 3, 8, NULL, true); }},
    {"w2a.1252.emoji_default", [](const Env&) { return w2a(1252, {'a', 0xD83D, 0xDE00, 'b'}, 4, 8, NULL, true); }},
    {"w2a.1252.no_default_used", [](const Env&) { return w2a(1252, {'a', 'b'}, 2, 8, NULL, true); }},
    {"w2a.1252.own_default", [](const Env&) { return w2a(1252, {'a', 0x4E2D, 'b'}, 3, 8, "*", true); }},
    {"w2a.1252.no_best_fit", [](const Env&) { return w2a(1252, {0x2033, 0x3042, 0x0416}, 3, 8, NULL, true); }},
    {"w2a.1252.lone_high_surrogate", [](const Env&) { return w2a(1252, {'a', 0xD800, 'b'}, 3, 8, NULL, true); }},
    {"w2a.1252.size_query_nul", [](const Env&) { return w2a(1252, {'a', 'b', 'c'}, -1, 0); }},
    {"w2a.1252.size_query_len", [](const Env&) { return w2a(1252, {'a', 'b', 'c'}, 3, 0); }},
    {"w2a.1252.too_small", [](const Env&) { return w2a(1252, {'a', 'b', 'c'}, -1, 3); }},
    {"w2a.1252.exact", [](const Env&) { return w2a(1252, {'a', 'b', 'c'}, -1, 4); }},
    {"w2a.1252.src_len_zero", [](const Env&) { return w2a(1252, {'a'}, 0, 8); }},
    {"w2a.1252.embedded_nul", [](const Env&) { return w2a(1252, {'a', 0, 'b'}, 3, 8); }},
    // (No Latin-1 letters here: 932 maps U+00E9 to 'e' by best fit.)
    {"w2a.acp", [](const Env&) { return w2a(CP_ACP, {'C', 'a', 'f', 0x20AC, 0x65E5}, -1, 8, NULL, true); }},
    {"w2a.thread_acp", [](const Env&) { return w2a(CP_THREAD_ACP, {'C', 'a', 'f', 0x20AC, 0x65E5}, -1, 8, NULL, true); }},
    {"w2a.acp_default", [](const Env&) { return w2a(CP_ACP, {0x65E5}, 1, 8, NULL, true); }},

    // WideCharToMultiByte, 932
    {"w2a.932.kanji", [](const Env&) { return w2a(932, {0x65E5, 0x672C}, -1, 8); }},
    {"w2a.932.mixed", [](const Env&) { return w2a(932, {'A', 0x3042, 0xFF71, '\\', '~'}, 5, 8); }},
    {"w2a.932.emoji_default", [](const Env&) { return w2a(932, {'a', 0xD83D, 0xDE00, 'b'}, 4, 8, NULL, true); }},
    {"w2a.932.own_default", [](const Env&) { return w2a(932, {0xD83D, 0xDE00}, 2, 8, "*", true); }},
    {"w2a.932.yen", [](const Env&) { return w2a(932, {0xA5, 'x'}, 2, 8, NULL, true); }},
    {"w2a.932.unassigned_bytes", [](const Env&) { return w2a(932, {0x80, 0xF8F0, 0xF8F1, 0xF8F2, 0xF8F3}, 5, 8, NULL, true); }},
    {"w2a.932.double_byte_default", [](const Env&) { return w2a(932, {'a', 0xD83D, 'b'}, 3, 8, "\x81\x45", true); }},
    {"w2a.932.lone_low_surrogate", [](const Env&) { return w2a(932, {'a', 0xDC00, 'b'}, 3, 8, NULL, true); }},
    {"w2a.932.size_query", [](const Env&) { return w2a(932, {0x65E5, 0x672C, 'x'}, -1, 0); }},
    {"w2a.932.too_small_mid_char", [](const Env&) { return w2a(932, {'a', 0x65E5}, 2, 2); }},
    {"w2a.932.too_small_nul", [](const Env&) { return w2a(932, {0x65E5, 0x672C}, -1, 4); }},

    // WideCharToMultiByte, 65001
    {"w2a.utf8.mixed", [](const Env&) { return w2a(CP_UTF8, {'a', 0xE9, 0x20AC, 0xD83D, 0xDE00}, -1, 12); }},
    {"w2a.utf8.size_query", [](const Env&) { return w2a(CP_UTF8, {'a', 0xE9, 0x20AC, 0xD83D, 0xDE00}, -1, 0); }},
    {"w2a.utf8.too_small", [](const Env&) { return w2a(CP_UTF8, {'a', 0xE9, 0x20AC}, 3, 5); }},
    {"w2a.utf8.lone_high_surrogate", [](const Env&) { return w2a(CP_UTF8, {'a', 0xD800, 'b'}, 3, 8); }},
    {"w2a.utf8.lone_low_surrogate", [](const Env&) { return w2a(CP_UTF8, {'a', 0xDC00, 'b'}, 3, 8); }},
    {"w2a.utf8.high_surrogate_at_end", [](const Env&) { return w2a(CP_UTF8, {'a', 0xD800}, 2, 8); }},
    {"w2a.unknown_code_page", [](const Env&) { return w2a(12345, {'a'}, 1, 8); }},
    {"w2a.negative_dst_len", [](const Env&) { return w2a(1252, {'a'}, 1, -1); }},

    // MultiByteToWideChar, 1252
    {"a2w.1252.latin1", [](const Env&) { return a2w(1252, "Caf\xE9", -1, 8); }},
    {"a2w.1252.high_range", [](const Env&) { return a2w(1252, "\x80\x81\x8D\x8F\x90\x9D\x9F\xFF", 8, 10); }},
    {"a2w.1252.size_query_nul", [](const Env&) { return a2w(1252, "abc", -1, 0); }},
    {"a2w.1252.size_query_len", [](const Env&) { return a2w(1252, "abc", 3, 0); }},
    {"a2w.1252.too_small", [](const Env&) { return a2w(1252, "abc", -1, 3); }},
    {"a2w.1252.exact", [](const Env&) { return a2w(1252, "abc", -1, 4); }},
    {"a2w.1252.src_len_zero", [](const Env&) { return a2w(1252, "abc", 0, 8); }},
    {"a2w.acp", [](const Env&) { return a2w(CP_ACP, "Caf\xE9\x80", -1, 8); }},
    {"a2w.thread_acp", [](const Env&) { return a2w(CP_THREAD_ACP, "Caf\xE9\x80", -1, 8); }},

    // MultiByteToWideChar, 932
    {"a2w.932.kanji", [](const Env&) { return a2w(932, "\x93\xFA\x96\x7B", -1, 8); }},
    {"a2w.932.mixed", [](const Env&) { return a2w(932, "A\x82\xA0\xB1\\~\x81\x5F", 8, 8); }},
    {"a2w.932.size_query", [](const Env&) { return a2w(932, "\x93\xFA\x96\x7Bx", -1, 0); }},
    {"a2w.932.too_small", [](const Env&) { return a2w(932, "\x93\xFA\x96\x7B", -1, 2); }},
    {"a2w.932.lead_at_end", [](const Env&) { return a2w(932, "a\x93", 2, 8); }},
    {"a2w.932.bad_trail", [](const Env&) { return a2w(932, "\x81\x20z", 3, 8); }},
    {"a2w.932.unmapped_pair", [](const Env&) { return a2w(932, "\x85\x40z", 3, 8); }},
    {"a2w.932.unmapped_single", [](const Env&) { return a2w(932, "\x80\xA0\xFDz", 4, 8); }},
    {"a2w.932.unassigned_high", [](const Env&) { return a2w(932, "\xFE\xFF", 2, 8); }},
    {"a2w.932.lead_before_nul", [](const Env&) { return a2w(932, "a\x93", -1, 8); }},
    {"a2w.932.half_width_range", [](const Env&) { return a2w(932, "\xA1\xDF", 2, 8); }},
    {"a2w.unknown_code_page", [](const Env&) { return a2w(12345, "a", 1, 8); }},

    // MultiByteToWideChar, 65001
    {"a2w.utf8.mixed", [](const Env&) { return a2w(CP_UTF8, "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", -1, 8); }},
    {"a2w.utf8.size_query", [](const Env&) { return a2w(CP_UTF8, "a\xC3\xA9\xF0\x9F\x98\x80", -1, 0); }},
    {"a2w.utf8.too_small", [](const Env&) { return a2w(CP_UTF8, "a\xC3\xA9\xF0\x9F\x98\x80", -1, 3); }},
    {"a2w.utf8.invalid_byte", [](const Env&) { return a2w(CP_UTF8, "a\xFF" "b", 3, 8); }},
    {"a2w.utf8.truncated", [](const Env&) { return a2w(CP_UTF8, "a\xE2\x82" "b", 4, 8); }},
    {"a2w.utf8.truncated_at_end", [](const Env&) { return a2w(CP_UTF8, "a\xE2\x82", 3, 8); }},
    {"a2w.utf8.overlong", [](const Env&) { return a2w(CP_UTF8, "a\xC0\xAF" "b", 4, 8); }},
    {"a2w.utf8.surrogate_encoded", [](const Env&) { return a2w(CP_UTF8, "a\xED\xA0\x80" "b", 5, 8); }},
    {"a2w.utf8.lone_continuation", [](const Env&) { return a2w(CP_UTF8, "a\x80\x80" "b", 4, 8); }},
    {"a2w.utf8.above_max", [](const Env&) { return a2w(CP_UTF8, "a\xF4\x90\x80\x80" "b", 6, 8); }},
    {"a2w.utf8.max", [](const Env&) { return a2w(CP_UTF8, "\xF4\x8F\xBF\xBF", 4, 8); }},
    {"a2w.utf8.overlong3", [](const Env&) { return a2w(CP_UTF8, "\xE0\x80\x80" "b", 4, 8); }},
    {"a2w.utf8.overlong4", [](const Env&) { return a2w(CP_UTF8, "\xF0\x8F\xBF\xBF" "b", 5, 8); }},
    {"a2w.utf8.truncated_near_end", [](const Env&) { return a2w(CP_UTF8, "x\xE2" "a", 3, 8); }},
    {"a2w.utf8.truncated_before_nul", [](const Env&) { return a2w(CP_UTF8, "x\xE2", -1, 8); }},

    // _snprintf "%f": the log's one use of the C runtime's formatter.
    {"snprintf.fixed.plain", [](const Env&) { return fmtFixed(20, 1.5); }},
    {"snprintf.fixed.negative", [](const Env&) { return fmtFixed(20, -0.25); }},
    {"snprintf.fixed.rounding", [](const Env&) { return fmtFixed(20, 2.0000005); }},
    {"snprintf.fixed.zero", [](const Env&) { return fmtFixed(20, 0.0); }},
    {"snprintf.fixed.exact_fit", [](const Env&) { return fmtFixed(8, 1.5); }},
    {"snprintf.fixed.cut", [](const Env&) { return fmtFixed(4, 1.5); }},
    {"snprintf.fixed.large", [](const Env&) { return fmtFixed(40, 123456789012.0); }},
};

}  // namespace

const Case* cases(size_t* count) {
    *count = sizeof kCases / sizeof kCases[0];
    return kCases;
}

}  // namespace differential
