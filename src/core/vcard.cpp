#include "core/vcard.h"

#include "core/cp1252.h"

#include <algorithm>
#include <cstring>
#include <functional>

namespace core::vcard {

namespace {

char upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 0x20) : c;
}

std::string upperAscii(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        c = upper(c);
    return out;
}

bool equalsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return upper(x) == upper(y); });
}

bool containsNoCase(std::string_view haystack, std::string_view needle) {
    return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end(),
                       [](char x, char y) { return upper(x) == upper(y); }) != haystack.end();
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

// Where the name and parameters end: the first ":" outside double quotes, or npos.
std::size_t valueColon(std::string_view line) {
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '"')
            quoted = !quoted;
        else if (line[i] == ':' && !quoted)
            return i;
    }
    return std::string_view::npos;
}

// The property name of a header, upper case, without its group.
std::string propertyName(std::string_view header) {
    std::string_view name = header.substr(0, header.find(';'));
    const std::size_t dot = name.rfind('.');
    if (dot != std::string_view::npos)
        name.remove_prefix(dot + 1);
    return upperAscii(trim(name));
}

// Binary properties: their values are never used, so they are stepped over, not decoded.
bool isSkipped(std::string_view name) {
    return name == "PHOTO" || name == "LOGO" || name == "SOUND" || name == "KEY";
}

bool isBase64Line(std::string_view line) {
    if (line.empty())
        return false;
    for (char c : line) {
        const bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                        (c >= '0' && c <= '9') || c == '+' || c == '/' || c == '=';
        if (!ok)
            return false;
    }
    return true;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    c = upper(c);
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// False for "=" not followed by two hexadecimal digits; a lone "=" at the very end is the
// soft break of a last line and is dropped.
bool decodeQuotedPrintable(std::string_view in, std::string& out) {
    out.clear();
    out.reserve(in.size());
    for (std::size_t i = 0; i < in.size(); ++i) {
        if (in[i] != '=') {
            out += in[i];
            continue;
        }
        if (i + 1 == in.size())
            break;
        const int hi = i + 2 < in.size() ? hexValue(in[i + 1]) : -1;
        const int lo = i + 2 < in.size() ? hexValue(in[i + 2]) : -1;
        if (hi < 0 || lo < 0)
            return false;
        out += static_cast<char>(hi * 16 + lo);
        i += 2;
    }
    return true;
}

void assignUpper(std::string& out, std::string_view s) {
    out.assign(s);
    for (char& c : out)
        c = upper(c);
}

// The parameters of a header into `params`, whose strings keep their room from one property to
// the next.
void parseParams(std::string_view header, std::vector<Param>& params) {
    std::size_t count = 0;
    std::size_t start = header.find(';');
    while (start != std::string_view::npos) {
        std::size_t end = start + 1;
        bool quoted = false;
        for (; end < header.size(); ++end) {
            if (header[end] == '"')
                quoted = !quoted;
            else if (header[end] == ';' && !quoted)
                break;
        }
        const std::string_view item = trim(header.substr(start + 1, end - start - 1));
        if (!item.empty()) {
            const std::size_t eq = item.find('=');
            if (count == params.size())
                params.emplace_back();
            Param& p = params[count++];
            if (eq == std::string_view::npos) {
                p.name = equalsNoCase(item, "QUOTED-PRINTABLE") || equalsNoCase(item, "BASE64") ||
                                 equalsNoCase(item, "8BIT")
                             ? "ENCODING"
                             : "TYPE";
                p.value.assign(item);
            } else {
                assignUpper(p.name, trim(item.substr(0, eq)));
                std::string_view value = trim(item.substr(eq + 1));
                if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
                    value = value.substr(1, value.size() - 2);
                p.value.assign(value);
            }
        }
        start = end < header.size() ? end : std::string_view::npos;
    }
    params.resize(count);
}

const Param* findParam(const std::vector<Param>& params, std::string_view name) {
    for (const Param& p : params)
        if (p.name == name)
            return &p;
    return nullptr;
}

// Into UTF-8 by the declared character set; without one, UTF-8 when the bytes are valid UTF-8,
// else the Windows code page older programs wrote in.
void toUtf8(std::string_view bytes, const Param* charset, std::string& out) {
    const bool latin = charset && (containsNoCase(charset->value, "8859-1") ||
                                   containsNoCase(charset->value, "1252") ||
                                   containsNoCase(charset->value, "LATIN1"));
    if (!latin && isValidUtf8(bytes))
        out.assign(bytes);
    else
        out = cp1252ToUtf8(bytes);
}

// Splits the text into lines (LF or CR LF; a lone CR as well) and hands them out in turn. The
// line looked at ahead is remembered, so that each line is found once.
class Lines {
  public:
    explicit Lines(std::string_view text) : text_(text) {}
    bool done() const { return pos_ >= text_.size(); }
    std::string_view peek() {
        if (peekedAt_ != pos_) {
            peeked_ = lineAt(pos_);
            peekedAt_ = pos_;
        }
        return peeked_.first;
    }
    std::string_view next() {
        const std::string_view line = peek();
        pos_ = peeked_.second;
        ++number_;
        return line;
    }
    std::size_t number() const { return number_; }

  private:
    std::pair<std::string_view, std::size_t> lineAt(std::size_t pos) const {
        const char* begin = text_.data() + pos;
        const std::size_t left = text_.size() - pos;
        const void* lf = std::memchr(begin, '\n', left);
        std::size_t length = lf ? static_cast<const char*>(lf) - begin : left;
        std::size_t after = pos + length + (lf ? 1 : 0);
        if (const void* cr = std::memchr(begin, '\r', length)) {
            // CR LF, or a lone CR of an old Mac file.
            length = static_cast<const char*>(cr) - begin;
            after = pos + length + 1 +
                    (pos + length + 1 < text_.size() && text_[pos + length + 1] == '\n' ? 1 : 0);
        }
        return {text_.substr(pos, length), after};
    }

    std::string_view text_;
    std::size_t pos_ = 0;
    std::size_t number_ = 0;
    std::pair<std::string_view, std::size_t> peeked_;
    std::size_t peekedAt_ = std::string_view::npos;
};

bool continues(std::string_view line) {
    return !line.empty() && (line[0] == ' ' || line[0] == '\t');
}

class Parser {
  public:
    Parser(std::string_view text, const std::function<void(Card&)>& take)
        : lines_(text), take_(take) {}

    ReadResult run() {
        while (!lines_.done() && result_.error == ReadError::None)
            step();
        if (result_.error == ReadError::None && inCard_)
            unterminated();
        if (result_.error == ReadError::None && cards_ == 0)
            fail(sawText_ ? ReadError::NotVCard : ReadError::Empty);
        return std::move(result_);
    }

  private:
    void fail(ReadError error) {
        result_.error = error;
        result_.line = lines_.number();
    }

    // Names the line where the card without its end began.
    void unterminated() {
        result_.error = ReadError::Unterminated;
        result_.line = cardStart_;
    }

    bool tooLong(std::size_t length) {
        if (length <= kMaxLine)
            return false;
        fail(ReadError::LineTooLong);
        return true;
    }

    void step() {
        const std::string_view first = lines_.next();
        if (tooLong(first.size()) || trim(first).empty())
            return;
        sawText_ = true;
        const std::size_t colon = valueColon(first);
        const std::string_view header = first.substr(0, colon);
        std::string name = propertyName(header);
        if (inCard_ && isSkipped(name)) {
            skipValue(first.size(),
                      containsNoCase(header, "BASE64") || containsNoCase(header, "ENCODING=B"));
            return;
        }
        // Most lines are whole: they are read where they lie, and only a folded one is put
        // together in a string of its own.
        if (containsNoCase(header, "QUOTED-PRINTABLE")) {
            // A soft line break: "=" at the end of the line, the value goes on in the next,
            // whose leading blanks belong to the value.
            if (first.empty() || first.back() != '=' || lines_.done())
                return contentLine(first, colon, std::move(name));
            logical_.assign(first);
            while (!logical_.empty() && logical_.back() == '=' && !lines_.done()) {
                logical_.pop_back();
                logical_.append(lines_.next());
                if (tooLong(logical_.size()))
                    return;
            }
        } else {
            if (lines_.done() || !continues(lines_.peek()))
                return contentLine(first, colon, std::move(name));
            logical_.assign(first);
            while (!lines_.done() && continues(lines_.peek())) {
                logical_.append(lines_.next().substr(1));
                if (tooLong(logical_.size()))
                    return;
            }
        }
        const std::size_t logicalColon = valueColon(logical_);
        contentLine(logical_, logicalColon, propertyName(logical_.substr(0, logicalColon)));
    }

    // Steps over a binary value: folded lines, and in 2.1 the unindented base64 lines that run
    // to a blank line.
    void skipValue(std::size_t length, bool base64) {
        while (!lines_.done()) {
            const std::string_view line = lines_.peek();
            if (!continues(line) && !(base64 && isBase64Line(line)))
                break;
            length += line.size();
            lines_.next();
            if (tooLong(length))
                return;
        }
    }

    // One logical line; `colon` ends its header (npos: it has none), `name` is the header's
    // property name.
    void contentLine(std::string_view line, std::size_t colon, std::string name) {
        if (colon == std::string_view::npos) {
            // Outside a card this is not a vCard; inside one, a stray line some writers leave
            // (a broken-off note) that carries no property.
            if (!inCard_ && cards_ == 0)
                fail(ReadError::NotVCard);
            return;
        }
        const std::string_view header = line.substr(0, colon);
        const std::string_view raw = line.substr(colon + 1);
        if (name == "BEGIN") {
            if (!equalsNoCase(trim(raw), "VCARD")) {
                if (!inCard_)
                    fail(ReadError::NotVCard);
                return; // a nested object of another kind carries nothing we read
            }
            if (inCard_)
                return unterminated(); // the card before has no END:VCARD
            inCard_ = true;
            cardStart_ = lines_.number();
            for (Property& p : card_.properties)
                spare_.push_back(std::move(p));
            card_.properties.clear();
            return;
        }
        if (!inCard_) {
            // Text before the first card means this is no vCard file; between cards it is
            // left alone.
            if (cards_ == 0)
                fail(ReadError::NotVCard);
            return;
        }
        if (name == "END") {
            if (equalsNoCase(trim(raw), "VCARD")) {
                ++cards_;
                take_(card_);
                inCard_ = false;
            }
            return;
        }
        // The property is built in one of an earlier card when there is one: its strings
        // have room already.
        if (spare_.empty())
            spare_.emplace_back();
        Property& property = spare_.back();
        property.name = std::move(name);
        parseParams(header, property.params);
        const Param* encoding = findParam(property.params, "ENCODING");
        if (encoding &&
            (equalsNoCase(encoding->value, "B") || equalsNoCase(encoding->value, "BASE64")))
            return; // binary data of a property we have no slot for
        const Param* charset = findParam(property.params, "CHARSET");
        if (encoding && equalsNoCase(encoding->value, "QUOTED-PRINTABLE")) {
            if (!decodeQuotedPrintable(raw, bytes_))
                return fail(ReadError::BadQuotedPrintable);
            toUtf8(bytes_, charset, property.value);
        } else {
            toUtf8(raw, charset, property.value);
        }
        card_.properties.push_back(std::move(property));
        spare_.pop_back();
    }

    Lines lines_;
    const std::function<void(Card&)>& take_;
    ReadResult result_;
    Card card_;
    std::size_t cards_ = 0;
    bool inCard_ = false;
    std::size_t cardStart_ = 0;
    bool sawText_ = false;
    std::vector<Property> spare_; // properties of cards handed over, kept for their room
    std::string logical_;         // a folded line put together
    std::string bytes_;           // a quoted-printable value decoded
};

} // namespace

bool Property::hasType(std::string_view type) const {
    for (const Param& p : params) {
        if (p.name != "TYPE")
            continue;
        std::string_view list = p.value;
        while (!list.empty()) {
            const std::size_t comma = list.find(',');
            if (equalsNoCase(trim(list.substr(0, comma)), type))
                return true;
            list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
        }
    }
    return false;
}

ReadResult parseEach(std::string_view text, const std::function<void(Card&)>& take) {
    if (const void* nul = std::memchr(text.data(), '\0', text.size())) {
        ReadResult result;
        result.error = ReadError::NulByte;
        const auto at = static_cast<std::size_t>(static_cast<const char*>(nul) - text.data());
        result.line =
            1 + static_cast<std::size_t>(std::count(text.begin(), text.begin() + at, '\n'));
        return result;
    }
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    return Parser(text, take).run();
}

ReadResult parse(std::string_view text) {
    std::vector<Card> cards;
    ReadResult result = parseEach(text, [&](Card& card) { cards.push_back(std::move(card)); });
    if (result.error == ReadError::None)
        result.cards = std::move(cards);
    return result;
}

std::string unescape(std::string_view raw) {
    const std::size_t first = raw.find('\\');
    if (first == std::string_view::npos)
        return std::string(raw);
    std::string out(raw.substr(0, first));
    out.reserve(raw.size());
    for (std::size_t i = first; i < raw.size(); ++i) {
        if (raw[i] != '\\' || i + 1 == raw.size()) {
            out += raw[i];
            continue;
        }
        const char next = raw[i + 1];
        if (next == 'n' || next == 'N')
            out += '\n';
        else if (next == ',' || next == ';' || next == ':' || next == '\\')
            out += next;
        else {
            out += '\\';
            continue;
        }
        ++i;
    }
    return out;
}

std::vector<std::string> components(std::string_view raw) {
    std::vector<std::string> parts;
    forEachComponent(raw, [&](std::string_view part) { parts.push_back(unescape(part)); });
    return parts;
}

std::string escape(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size() + 8);
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const char c = utf8[i];
        switch (c) {
        case '\\':
        case ',':
        case ';':
            out += '\\';
            out += c;
            break;
        case '\r':
            if (i + 1 < utf8.size() && utf8[i + 1] == '\n')
                ++i;
            out += "\\n";
            break;
        case '\n':
            out += "\\n";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string escapeLight(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size() + 8);
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const char c = utf8[i];
        if (c == '\\') {
            const char next = i + 1 < utf8.size() ? utf8[i + 1] : '\0';
            // Before a line break too: that becomes "\n" itself.
            out += std::string_view("nN,;:\\\r\n").find(next) != std::string_view::npos ? "\\\\"
                                                                                        : "\\";
        } else if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < utf8.size() && utf8[i + 1] == '\n')
                ++i;
            out += "\\n";
        } else {
            out += c;
        }
    }
    return out;
}

void appendFolded(std::string& out, std::string_view line) {
    std::size_t room = 75;
    while (line.size() > room) {
        std::size_t cut = room;
        // Never between the bytes of one character.
        while (cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80)
            --cut;
        out.append(line.substr(0, cut));
        out += "\r\n ";
        line.remove_prefix(cut);
        room = 74; // the leading blank takes one octet
    }
    out.append(line);
    out += "\r\n";
}

} // namespace core::vcard
