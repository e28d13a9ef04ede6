// The scenario language's words: one command per line, words separated by
// blanks, text in double quotes (\" and \\ inside), '#' starts a comment.
#pragma once

#include <string>
#include <vector>

namespace testhost {

struct Word {
    std::string text;  // UTF-8, quotes and escapes removed
    bool quoted;
};
typedef std::vector<Word> Words;

// Splits one line; returns false with a reason on an unterminated quote.
bool splitLine(const std::string& line, Words* words, std::string* error);

// Parses a whole decimal number; false for anything else.
bool parseNumber(const std::string& text, long* value);

}  // namespace testhost
