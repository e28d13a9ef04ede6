// Runs the differential table and renders results as diffable text.
#include <stdio.h>

#include <set>

#include "cases.h"

namespace differential {

std::string str(const char* s, size_t n) {
    std::string out = "\"";
    for (size_t i = 0; i < n; ++i) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '"':
            out += "\\\"";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (c >= 0x20 && c < 0x7f) {
                out += static_cast<char>(c);
            } else {
                char buf[8];
                snprintf(buf, sizeof buf, "\\x%02X", c);
                out += buf;
            }
        }
    }
    return out + "\"";
}

std::string str(const char* s) {
    if (!s) return "NULL";
    size_t n = 0;
    while (s[n]) ++n;
    return str(s, n);
}

std::string hex(const void* p, size_t n) {
    const unsigned char* b = static_cast<const unsigned char*>(p);
    std::string out;
    for (size_t i = 0; i < n; ++i) {
        char buf[4];
        snprintf(buf, sizeof buf, "%02X", b[i]);
        if (i) out += ' ';
        out += buf;
    }
    return "[" + out + "]";
}

std::string hexw(const WCHAR* p, size_t n) {
    std::string out;
    for (size_t i = 0; i < n; ++i) {
        char buf[8];
        snprintf(buf, sizeof buf, "%04X", static_cast<unsigned>(p[i]));
        if (i) out += ' ';
        out += buf;
    }
    return "[" + out + "]";
}

std::string num(long long v) {
    char buf[32];
    snprintf(buf, sizeof buf, "%lld", v);
    return buf;
}

std::string fileText(const Env& env, const std::string& path) {
    FILE* f = fopen(env.toStdio(path).c_str(), "rb");
    if (!f) return "<missing>";
    std::string bytes;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0) bytes.append(buf, n);
    fclose(f);
    return str(bytes.data(), bytes.size());
}

void writeFile(const Env& env, const std::string& path, const std::string& bytes) {
    FILE* f = fopen(env.toStdio(path).c_str(), "wb");
    if (!f) {
        fprintf(stderr, "differential: cannot write %s\n", path.c_str());
        return;
    }
    fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
}

void removeFile(const Env& env, const std::string& path) {
    remove(env.toStdio(path).c_str());
}

int runAll(const Env& env) {
    size_t count = 0;
    const Case* table = cases(&count);
    std::set<std::string> seen;
    int status = 0;
    for (size_t i = 0; i < count; ++i) {
        if (!seen.insert(table[i].name).second) {
            fprintf(stderr, "differential: duplicate case name %s\n", table[i].name);
            status = 2;
        }
        std::string result = table[i].run(env);
        printf("%s\t%s\n", table[i].name, result.c_str());
        fflush(stdout);
    }
    // The comparison sees only the lines both sides printed: a side that
    // stopped early (both at the same case, even) shows here by a missing
    // or short count.
    printf("#end\t%lu\n", (unsigned long)count);
    fflush(stdout);
    return status;
}

}  // namespace differential
