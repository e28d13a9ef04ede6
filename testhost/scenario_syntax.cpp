#include "testhost/scenario_syntax.h"

#include <stdlib.h>

namespace testhost {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool readQuoted(const std::string& line, size_t* i, std::string* text) {
    for (++*i; *i < line.size(); ++*i) {
        char c = line[*i];
        if (c == '"') {
            ++*i;
            return true;
        }
        if (c == '\\' && *i + 1 < line.size()) c = line[++*i];
        *text += c;
    }
    return false;
}

}  // namespace

bool splitLine(const std::string& line, Words* words, std::string* error) {
    words->clear();
    size_t i = 0;
    for (;;) {
        while (i < line.size() && isBlank(line[i])) ++i;
        if (i == line.size() || line[i] == '#') return true;
        Word word = {std::string(), line[i] == '"'};
        if (word.quoted) {
            if (!readQuoted(line, &i, &word.text)) {
                *error = "unterminated quote";
                return false;
            }
        } else {
            while (i < line.size() && !isBlank(line[i])) word.text += line[i++];
        }
        words->push_back(word);
    }
}

bool parseNumber(const std::string& text, long* value) {
    if (text.empty()) return false;
    char* end = NULL;
    *value = strtol(text.c_str(), &end, 10);
    return *end == 0;
}

}  // namespace testhost
