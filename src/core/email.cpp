#include "core/email.h"

#include <cstring>

namespace core {

namespace {

enum class State {
    LocalStart,
    LocalWord,
    Quoted,
    Escaped,
    AfterQuoted,
    AfterLocalDot,
    DomainStart,
    DomainLabel,
    AfterHyphen,
};

bool isAtom(unsigned char c) {
    if (c >= 128)
        return true;
    if (c < 33 || c > 126)
        return false;
    return std::strchr("\"()<>[],./:;@\\", c) == nullptr;
}

bool isLetter(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool isDigit(unsigned char c) {
    return c >= '0' && c <= '9';
}

// A character a domain label may hold: an ASCII letter or digit (labels such as "163" are
// common), or a letter of the code page, which an international domain carries before it is
// written in its ASCII form.
bool isLabelChar(unsigned char c) {
    if (isLetter(c) || isDigit(c))
        return true;
    if (c >= 0xC0)
        return c != 0xD7 && c != 0xF7; // × and ÷ are no letters
    return std::strchr("\x8A\x8C\x8E\x9A\x9C\x9E\x9F", c) != nullptr && c != 0;
}

// The next state, or nothing when the byte rejects the text.
bool step(State& s, unsigned char c, int& dots) {
    switch (s) {
    case State::LocalStart:
    case State::AfterLocalDot:
        if (isAtom(c))
            s = State::LocalWord;
        else if (c == '"')
            s = State::Quoted;
        else
            return false;
        return true;
    case State::LocalWord:
        if (c == '@')
            s = State::DomainStart;
        else if (c == '.')
            s = State::AfterLocalDot;
        else if (!isAtom(c))
            return false;
        return true;
    case State::Quoted:
        if (c == '\\')
            s = State::Escaped;
        else if (c == '"')
            s = State::AfterQuoted;
        else if (c == '\r')
            return false;
        return true;
    case State::Escaped:
        s = State::Quoted;
        return true;
    case State::AfterQuoted:
        if (c == '@')
            s = State::DomainStart;
        else if (c == '.')
            s = State::AfterLocalDot;
        else
            return false;
        return true;
    case State::DomainStart:
        if (!isLabelChar(c))
            return false;
        s = State::DomainLabel;
        return true;
    case State::DomainLabel:
        if (c == '.') {
            ++dots;
            s = State::DomainStart;
        } else if (c == '-') {
            s = State::AfterHyphen;
        } else if (!isLabelChar(c)) {
            return false;
        }
        return true;
    case State::AfterHyphen:
        if (isLabelChar(c))
            s = State::DomainLabel;
        else if (c != '-')
            return false;
        return true;
    }
    return false;
}

} // namespace

bool ValidEmail(std::string_view text) {
    State s = State::LocalStart;
    int dots = 1;
    for (unsigned char c : text)
        if (!step(s, c, dots))
            return false;
    return s == State::DomainLabel && dots >= 2;
}

} // namespace core
