// vCard files as phones and mail programs write them (2.1, 3.0 and 4.0): a reader that is strict
// about the card structure and lenient about the quirks of real writers, and the pieces of a
// 3.0 writer. Values are UTF-8 here; the mapping to records converts them.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace core::vcard {

struct Param {
    std::string name;  // upper case; a bare parameter of 2.1 ("CELL") is a TYPE
    std::string value; // as written, quotes removed
};

struct Property {
    std::string name; // upper case, without its group ("item1.EMAIL" is EMAIL)
    std::vector<Param> params;
    // Quoted-printable and the character set decoded into UTF-8; backslash escapes still in.
    std::string value;

    // Whether one of its types is `type` (upper case), in any of the ways writers list them:
    // TYPE=HOME,VOICE / TYPE=home;TYPE=voice / HOME;VOICE.
    bool hasType(std::string_view type) const;
};

struct Card {
    std::vector<Property> properties;
};

enum class ReadError {
    None,
    Empty,              // no bytes, or only blank lines
    NotVCard,           // the text does not begin with BEGIN:VCARD
    NulByte,            // a NUL byte: a binary file, or text in a wide encoding
    LineTooLong,        // one line longer than kMaxLine
    Unterminated,       // a card without its END:VCARD
    BadQuotedPrintable, // "=" followed by something other than two hexadecimal digits
};

// Embedded photos run to a few hundred kilobytes; a line far longer is no card's.
constexpr std::size_t kMaxLine = 8u << 20;

struct ReadResult {
    std::vector<Card> cards;
    ReadError error = ReadError::None;
    // The line (from 1) where the error was found; for a card without its end, where the card
    // began.
    std::size_t line = 0;
};

// Reads every card of the text. Photos, logos, sounds and keys are skipped unread.
ReadResult parse(std::string_view text);
// The same reading, handing each card to `take` as soon as its END:VCARD is read instead of
// keeping them all; the card is the reader's again once `take` returns. The result holds no
// cards; after an error, the cards handed over before it are to be thrown away.
ReadResult parseEach(std::string_view text, const std::function<void(Card&)>& take);

// A text value with its escapes resolved: "\n" is a line break, "\," "\;" "\:" "\\" the
// character itself; a backslash before anything else stays.
std::string unescape(std::string_view raw);
// Hands out the components of a structured value (N, ADR, ORG) as they are written, split at
// unescaped ";", without a list of strings for each value.
template <typename Take> void forEachComponent(std::string_view raw, Take take) {
    std::size_t start = 0;
    for (std::size_t i = 0; i <= raw.size(); ++i) {
        if (i < raw.size() && raw[i] == '\\') {
            ++i;
            continue;
        }
        if (i == raw.size() || raw[i] == ';') {
            take(raw.substr(start, i - start));
            start = i + 1;
        }
    }
}
// The components of a structured value, each unescaped.
std::vector<std::string> components(std::string_view raw);

// A text escaped for a 3.0 value: backslash, comma, semicolon and line breaks (CR LF, CR or LF
// each become "\n").
std::string escape(std::string_view utf8);
// The lighter escape of values that are no free text (telephone numbers, e-mail and web
// addresses), which many readers take as written: only line breaks, and a backslash that would
// otherwise read as an escape.
std::string escapeLight(std::string_view utf8);
// Appends one content line ("NAME;PARAMS:value") folded at 75 octets, never inside a UTF-8
// character, continuation lines starting with a blank, and ended with CR LF.
void appendFolded(std::string& out, std::string_view line);

} // namespace core::vcard
