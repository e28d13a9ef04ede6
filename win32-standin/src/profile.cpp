// Profile (.ini) files of the stand-in: GetPrivateProfileIntA,
// GetPrivateProfileStringA, WritePrivateProfileStringA over real files.
//
// The rules are Windows' as measured under Wine (tests/differential):
//   * A file is read line by line (split at '\n' or '\r'); blanks at both ends of a
//     line are dropped (space, \t \n \v \f \r and ^Z), and so are empty lines.
//     "[name]" (up to the last ']', the name trimmed) starts a section; lines
//     before the first section belong to a nameless one.  Any other line is
//     a key: the text before the first '=' (trimmed) is its name and the text
//     after it (trimmed) its value; a line without '=' is a key with no value
//     (it reads as missing).  A comment line is such a key.
//   * Look-ups trim the section and key names given and compare them without
//     regard to ASCII case; only the first section of a name is searched, and
//     the first key of a name in it is found.
//   * A value (or the default) that starts and ends with the same quote, '"'
//     or '\'', is read without them -- with Wine's quirk that the closing
//     quote's removal is decided before the cut to the buffer: a buffer one
//     byte too small for the unquoted text loses its last byte too.
//   * The default loses its trailing spaces; null is "".  The result is cut to
//     size-1 bytes and NUL-ended; the return value is its length.  size 0
//     writes nothing.
//   * Integers: the string read (at most 29 characters) as Windows'
//     RtlUnicodeStringToInteger with base 0 reads it: leading control
//     characters and blanks, one sign, then "0x" hex, "0o" octal or "0b"
//     binary (lower-case letter only) or decimal; digits up to the first
//     non-digit; wrapping on overflow.  An empty or missing value gives the
//     default.
//   * Writing re-writes the whole file from its parsed form, as Wine does:
//     every line becomes "[name]", "name=value" or "name", CRLF-ended, and
//     empty lines and the blanks around names and values are gone.  A write
//     that changes nothing leaves the file untouched.  A new key goes at the
//     end of its section, a new section at the end of the file, each named
//     as given less its leading blanks (trailing ones stay, as in Wine);
//     the value loses its leading blanks.  A null value deletes the key, a null key the
//     section.
//
// Not modelled: byte-order marks and UTF-16 files, case folding beyond
// ASCII, enumeration with a null section or key (reads give "" and 0).
// Reads allocate nothing (the file is mapped); writes do.
#include "standin/profile.h"

#include <fcntl.h>
#include <limits.h>
#include <stdio.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <windows.h>

#include <string>
#include <vector>

#include "standin_internal.h"

namespace standin {

bool toLinuxPath(const char* path, char* out, size_t size) {
    if (!path) return false;
    size_t n = strlen(path);
    if (n + 1 > size) return false;
    for (size_t i = 0; i <= n; ++i) out[i] = path[i] == '\\' ? '/' : path[i];
    return true;
}

namespace {

std::string g_windowsDirectory;
int g_profileWrites = 0;

}  // namespace

void setWindowsDirectory(const std::string& linuxFolder) {
    g_windowsDirectory = linuxFolder;
}

int profileWrites() {
    return g_profileWrites;
}

}  // namespace standin

void standin_resetProfile() {
    standin::g_windowsDirectory.clear();
    standin::g_profileWrites = 0;
}

namespace {

// A file named without a folder is the Windows directory's; "" names that
// folder itself, which no read or write opens.
bool profilePath(const char* file, char* out, size_t size) {
    if (!file) return false;
    if (strchr(file, '\\') || strchr(file, '/') || (file[0] && file[1] == ':'))
        return standin::toLinuxPath(file, out, size);
    if (standin::g_windowsDirectory.empty()) return false;
    int n = snprintf(out, size, "%s/%s", standin::g_windowsDirectory.c_str(), file);
    return n >= 0 && (size_t)n < size;
}

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r' ||
           c == 0x1A;
}

char lowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

struct Span {
    const char* p = NULL;
    size_t n = 0;
};

Span trimmed(const char* s, size_t n) {
    while (n && isSpace(*s)) {
        ++s;
        --n;
    }
    while (n && isSpace(s[n - 1])) --n;
    Span r;
    r.p = s;
    r.n = n;
    return r;
}

Span trimmed(const char* s) {
    return trimmed(s, strlen(s));
}

bool sameName(Span a, Span b) {
    if (a.n != b.n) return false;
    for (size_t i = 0; i < a.n; ++i)
        if (lowerAscii(a.p[i]) != lowerAscii(b.p[i])) return false;
    return true;
}

// One parsed line.
struct Line {
    bool section;
    Span name;
    bool hasValue;
    Span value;
};

// Walks the lines of a file's bytes as Windows parses them.
class Parser {
public:
    Parser(const char* data, size_t size) : p_(data), end_(data + size) {}

    bool next(Line* line) {
        while (p_ < end_) {
            const char* nl = p_;
            while (nl < end_ && *nl != '\n' && *nl != '\r') ++nl;
            Span s = trimmed(p_, nl - p_);
            p_ = nl < end_ ? nl + 1 : end_;
            if (s.n == 0) continue;
            if (s.p[0] == '[') {
                const char* close = NULL;
                for (const char* q = s.p + s.n; q > s.p + 1;)
                    if (*--q == ']') {
                        close = q;
                        break;
                    }
                if (close) {
                    line->section = true;
                    line->name = trimmed(s.p + 1, close - (s.p + 1));
                    line->hasValue = false;
                    prevEmptyName_ = false;
                    prevKey_ = false;
                    return true;
                }
            }
            const char* eq = static_cast<const char*>(memchr(s.p, '=', s.n));
            line->section = false;
            if (eq) {
                line->name = trimmed(s.p, eq - s.p);
                line->hasValue = true;
                line->value = trimmed(eq + 1, s.p + s.n - (eq + 1));
            } else {
                line->name = s;
                line->hasValue = false;
            }
            // Windows keeps a key with an empty name only if the key before
            // it in the section had a name.
            if (line->name.n == 0 && prevKey_ && prevEmptyName_) continue;
            prevKey_ = true;
            prevEmptyName_ = line->name.n == 0;
            return true;
        }
        return false;
    }

private:
    const char* p_;
    const char* end_;
    bool prevKey_ = false;
    bool prevEmptyName_ = false;
};

// A file mapped read-only; no heap.
class Mapped {
public:
    explicit Mapped(const char* file) {
        char path[PATH_MAX];
        if (!profilePath(file, path, sizeof path)) return;
        int fd = open(path, O_RDONLY | O_CLOEXEC);
        if (fd < 0) return;
        struct stat st;
        if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
            exists_ = true;
            size_ = static_cast<size_t>(st.st_size);
            if (size_) {
                void* m = mmap(NULL, size_, PROT_READ, MAP_PRIVATE, fd, 0);
                if (m == MAP_FAILED) {
                    exists_ = false;
                    size_ = 0;
                } else {
                    data_ = static_cast<const char*>(m);
                }
            }
        }
        close(fd);
    }
    ~Mapped() {
        if (data_) munmap(const_cast<char*>(data_), size_);
    }
    Mapped(const Mapped&) = delete;
    Mapped& operator=(const Mapped&) = delete;

    bool exists() const { return exists_; }
    const char* data() const { return data_ ? data_ : ""; }
    size_t size() const { return size_; }

private:
    bool exists_ = false;
    const char* data_ = NULL;
    size_t size_ = 0;
};

// Finds the value of key in the first section named app; false if there is
// no such key or it has no value.
bool findValue(const Mapped& file, const char* app, const char* key, Span* value) {
    Span wantApp = trimmed(app), wantKey = trimmed(key);
    Parser parser(file.data(), file.size());
    Span nameless;
    bool inSection = sameName(nameless, wantApp);
    bool seenSection = inSection;
    Line line;
    while (parser.next(&line)) {
        if (line.section) {
            if (seenSection) return false;
            inSection = sameName(line.name, wantApp);
            seenSection = inSection;
            continue;
        }
        if (inSection && sameName(line.name, wantKey)) {
            if (!line.hasValue) return false;
            *value = line.value;
            return true;
        }
    }
    return false;
}

// Windows' PROFILE_CopyEntry with quote removal.
size_t copyEntry(Span v, char* out, DWORD size) {
    bool quoted = false;
    if (v.n >= 2 && (v.p[0] == '"' || v.p[0] == '\'') && v.p[v.n - 1] == v.p[0]) {
        quoted = true;
        ++v.p;
        --v.n;
    }
    size_t k = v.n < size - 1 ? v.n : size - 1;
    if (quoted && size >= v.n && k > 0) --k;
    memcpy(out, v.p, k);
    out[k] = '\0';
    return k;
}

// The default as Windows uses it: null is "", trailing spaces go (but a
// default of only spaces keeps one).
Span defaultSpan(const char* def) {
    Span d;
    d.p = def ? def : "";
    d.n = strlen(d.p);
    while (d.n > 1 && d.p[d.n - 1] == ' ') --d.n;
    return d;
}

// --- the parsed form, for writes ---------------------------------------------

struct Key {
    std::string name;
    bool hasValue;
    std::string value;
};

struct Section {
    std::string name;
    std::vector<Key> keys;
};

bool sameName(const std::string& a, Span b) {
    Span s;
    s.p = a.data();
    s.n = a.size();
    return sameName(s, b);
}

std::vector<Section> parseAll(const Mapped& file) {
    std::vector<Section> sections(1);
    Parser parser(file.data(), file.size());
    Line line;
    while (parser.next(&line)) {
        if (line.section) {
            sections.emplace_back();
            sections.back().name.assign(line.name.p, line.name.n);
        } else {
            Key k;
            k.name.assign(line.name.p, line.name.n);
            k.hasValue = line.hasValue;
            if (line.hasValue) k.value.assign(line.value.p, line.value.n);
            sections.back().keys.push_back(k);
        }
    }
    return sections;
}

std::string serialize(const std::vector<Section>& sections) {
    std::string out;
    for (const Section& s : sections) {
        if (!s.name.empty()) out += "[" + s.name + "]\r\n";
        for (const Key& k : s.keys) {
            out += k.name;
            if (k.hasValue) out += "=" + k.value;
            out += "\r\n";
        }
    }
    return out;
}

bool saveFile(const char* file, const std::string& bytes) {
    char path[PATH_MAX];
    if (!profilePath(file, path, sizeof path)) return false;
    if (standin::isReadOnlyFile(path)) return false;
    FILE* f = fopen(path, "wb");
    if (!f) return false;
    bool ok = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    ok = fclose(f) == 0 && ok;
    return ok;
}

bool equalNoCase(const std::string& a, const char* b) {
    Span s;
    s.p = b;
    s.n = strlen(b);
    return sameName(a, s);
}

}  // namespace

DWORD WINAPI GetPrivateProfileStringA(LPCSTR app, LPCSTR key, LPCSTR def, LPSTR out,
                                      DWORD size, LPCSTR file) {
    if (!out || size == 0) return 0;
    if (!app || !key) {  // enumeration: not modelled
        out[0] = '\0';
        return 0;
    }
    Span d = defaultSpan(def);
    Mapped mapped(file);
    Span v;
    if (mapped.exists() && findValue(mapped, app, key, &v))
        return static_cast<DWORD>(copyEntry(v, out, size));
    return static_cast<DWORD>(copyEntry(d, out, size));
}

UINT WINAPI GetPrivateProfileIntA(LPCSTR app, LPCSTR key, INT def, LPCSTR file) {
    char buf[30];
    if (!app || !key) return static_cast<UINT>(def);
    if (GetPrivateProfileStringA(app, key, "", buf, sizeof buf, file) == 0)
        return static_cast<UINT>(def);
    const unsigned char* s = reinterpret_cast<const unsigned char*>(buf);
    while (*s && *s <= ' ') ++s;
    bool minus = false;
    if (*s == '+') {
        ++s;
    } else if (*s == '-') {
        minus = true;
        ++s;
    }
    unsigned base = 10;
    if (s[0] == '0' && s[1] == 'x') {
        base = 16;
        s += 2;
    } else if (s[0] == '0' && s[1] == 'o') {
        base = 8;
        s += 2;
    } else if (s[0] == '0' && s[1] == 'b') {
        base = 2;
        s += 2;
    }
    UINT total = 0;
    for (; *s; ++s) {
        unsigned digit;
        if (*s >= '0' && *s <= '9')
            digit = *s - '0';
        else if (*s >= 'A' && *s <= 'Z')
            digit = *s - 'A' + 10;
        else if (*s >= 'a' && *s <= 'z')
            digit = *s - 'a' + 10;
        else
            break;
        if (digit >= base) break;
        total = total * base + digit;
    }
    return minus ? 0u - total : total;
}

BOOL WINAPI WritePrivateProfileStringA(LPCSTR app, LPCSTR key, LPCSTR value,
                                       LPCSTR file) {
    standin::g_profileWrites++;
    if (!app || !file) return FALSE;
    std::vector<Section> sections;
    {
        Mapped mapped(file);
        sections = parseAll(mapped);
    }
    bool changed = false;
    if (!key) {  // delete the first section of that name
        for (size_t i = 0; i < sections.size(); ++i) {
            if (equalNoCase(sections[i].name, app)) {
                sections.erase(sections.begin() + static_cast<long>(i));
                changed = true;
                break;
            }
        }
    } else if (!value) {  // delete the first key of that name
        for (size_t i = 0; i < sections.size() && !changed; ++i) {
            if (!equalNoCase(sections[i].name, app)) continue;
            std::vector<Key>& keys = sections[i].keys;
            for (size_t j = 0; j < keys.size(); ++j) {
                if (equalNoCase(keys[j].name, key)) {
                    keys.erase(keys.begin() + static_cast<long>(j));
                    changed = true;
                    break;
                }
            }
        }
    } else {
        Span wantApp = trimmed(app), wantKey = trimmed(key);
        while (isSpace(*value)) ++value;
        Section* section = NULL;
        for (Section& s : sections) {
            if (sameName(s.name, wantApp)) {
                section = &s;
                break;
            }
        }
        if (!section) {  // named as given, less its leading blanks only
            sections.emplace_back();
            sections.back().name = wantApp.p;
            section = &sections.back();
        }
        Key* found = NULL;
        for (Key& k : section->keys) {
            if (sameName(k.name, wantKey)) {
                found = &k;
                break;
            }
        }
        if (!found) {
            Key k;
            k.name = wantKey.p;
            k.hasValue = false;
            section->keys.push_back(k);
            found = &section->keys.back();
        }
        if (!found->hasValue || found->value != value) {
            found->hasValue = true;
            found->value = value;
            changed = true;
        }
    }
    if (!changed) return TRUE;
    return saveFile(file, serialize(sections)) ? TRUE : FALSE;
}
