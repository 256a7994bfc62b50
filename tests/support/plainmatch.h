// The word-sequence matcher as first written, one character at a time: what the program's
// matcher, which skips ahead, is checked against by the tests and the matcher fuzzer.
#pragma once

#include <cstddef>
#include <string_view>

namespace testsupport {

inline bool readEveryCharacter(std::string_view needle, std::string_view haystack) {
    std::size_t i = 0, start = 0;
    for (std::size_t j = 0; j < haystack.size(); ++j) {
        const char ch = i < needle.size() ? needle[i] : '\0';
        if (ch == ' ')
            start = i + 1;
        i = ch == haystack[j] ? i + 1 : start;
        if (i >= needle.size())
            return true;
    }
    return false;
}

} // namespace testsupport
