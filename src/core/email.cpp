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
        if (!isLetter(c))
            return false;
        s = State::DomainLabel;
        return true;
    case State::DomainLabel:
        if (c == '.') {
            ++dots;
            s = State::DomainStart;
        } else if (c == '-') {
            s = State::AfterHyphen;
        } else if (!isLetter(c) && !isDigit(c)) {
            return false;
        }
        return true;
    case State::AfterHyphen:
        if (isLetter(c) || isDigit(c))
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
