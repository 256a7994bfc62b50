#include "core/csv.h"

#include "core/cp1252.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace core::csv {

namespace {

constexpr std::size_t kPiece = 1u << 20;
constexpr std::string_view kBom = "\xEF\xBB\xBF";

// Control bytes that no text file holds: everything below a blank except tab, line feed,
// vertical tab, form feed, carriage return, and the end-of-file mark of old editors (0x1A).
constexpr std::array<bool, 256> kBinary = [] {
    std::array<bool, 256> t{};
    for (int c = 0; c < 0x20; ++c)
        t[c] = !(c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r' || c == 0x1A);
    return t;
}();

// Where a piece can be cut for checking it as UTF-8: before a character whose bytes run past
// the piece's end.
std::size_t completeUpTo(std::string_view s) {
    for (std::size_t back = 1; back <= 4 && back <= s.size(); ++back) {
        const auto b = static_cast<unsigned char>(s[s.size() - back]);
        if ((b & 0xC0) == 0x80)
            continue; // a continuation byte: its lead is further back
        const std::size_t length = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
        return length > back ? s.size() - back : s.size();
    }
    return s.size();
}

// Where the first byte of kBinary stands; the size when there is none. Eight bytes are looked
// at together, one by one only where one of them is below a blank (a line end, mostly).
std::size_t firstBinary(std::string_view s) {
    constexpr std::uint64_t ones = 0x0101010101010101, highs = 0x8080808080808080;
    std::size_t i = 0;
    for (std::uint64_t w; i + 8 <= s.size(); i += 8) {
        std::memcpy(&w, s.data() + i, 8);
        if (((w - ones * 0x20) & ~w & highs) == 0)
            continue;
        for (std::size_t k = i; k < i + 8; ++k)
            if (kBinary[static_cast<unsigned char>(s[k])])
                return k;
    }
    for (; i < s.size(); ++i)
        if (kBinary[static_cast<unsigned char>(s[i])])
            return i;
    return s.size();
}

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string trimmed(const std::string& s) {
    std::size_t from = 0, to = s.size();
    while (from < to && (s[from] == ' ' || s[from] == '\t'))
        ++from;
    while (to > from && (s[to - 1] == ' ' || s[to - 1] == '\t'))
        --to;
    return s.substr(from, to - from);
}

} // namespace

Reader::Reader(const fs::path& file)
    : file_(fileio::openReadOnly(file)), size_(file_.size()), piece_(new char[kPiece]) {
    scan();
    if (error_ != ReadError::None)
        return;
    if (size_ >= kBom.size()) {
        char start[3];
        if (file_.readAt(0, start, 3) == 3 && std::string_view(start, 3) == kBom)
            offset_ = 3;
    }
    separator_ = pickSeparator();
    std::size_t count = 0;
    do { // blank lines before the header
        if (!readRow(header_, count, kMaxColumns)) {
            if (error_ == ReadError::None)
                fail(ReadError::Empty, 1);
            return;
        }
    } while (count == 1 && trimmed(header_[0]).empty());
    header_.resize(count);
    for (std::string& name : header_)
        name = trimmed(utf8_ ? name : cp1252ToUtf8(name));
    hasPending_ = next(pending_);
    pendingLine_ = rowLine_;
    if (!hasPending_ && error_ == ReadError::None)
        fail(ReadError::HeaderOnly, 1);
}

// The first pass: binary bytes, whether the text is UTF-8, whether there is any text at all.
void Reader::scan() {
    std::string carry; // the start of a UTF-8 character the last piece cut
    bool blank = true, bom = false;
    std::size_t lines = 1;
    for (std::uint64_t at = 0; at < size_;) {
        const std::size_t n = file_.readAt(at, piece_.get(), kPiece);
        if (n == 0)
            break;
        std::string_view piece(piece_.get(), n);
        if (at == 0 && piece.substr(0, 3) == kBom) {
            bom = true;
            piece.remove_prefix(3);
        }
        const std::size_t bad = firstBinary(piece);
        if (bad != piece.size()) {
            lines += static_cast<std::size_t>(std::count(piece.begin(), piece.begin() + bad, '\n'));
            fail(ReadError::Binary, lines);
            return;
        }
        blank = blank && std::all_of(piece.begin(), piece.end(), isBlank);
        lines += static_cast<std::size_t>(std::count(piece.begin(), piece.end(), '\n'));
        if (utf8_ && !bom) {
            carry.append(piece);
            const std::size_t cut = at + n < size_ ? completeUpTo(carry) : carry.size();
            utf8_ = isValidUtf8(std::string_view(carry).substr(0, cut));
            carry.erase(0, cut);
        }
        at += n;
    }
    if (blank)
        fail(ReadError::Empty, 1);
}

// The separator the header row uses most, counted outside quotes; a comma when it uses none.
char Reader::pickSeparator() {
    const std::size_t n = file_.readAt(offset_, piece_.get(), kPiece);
    std::size_t comma = 0, semicolon = 0, tab = 0;
    bool quoted = false, begun = false;
    for (std::size_t i = 0; i < n; ++i) {
        const char c = piece_[i];
        if (!begun && (c == '\r' || c == '\n'))
            continue; // blank lines before the header
        begun = true;
        if (c == '"')
            quoted = !quoted;
        else if (!quoted && (c == '\r' || c == '\n'))
            break;
        else if (!quoted)
            comma += c == ',', semicolon += c == ';', tab += c == '\t';
    }
    if (semicolon > comma && semicolon >= tab)
        return ';';
    return tab > comma ? '\t' : ',';
}

// Whether a byte is waiting, reading the next piece when the last one is used up.
bool Reader::more() {
    if (at_ < end_)
        return true;
    if (offset_ >= size_)
        return false;
    end_ = file_.readAt(offset_, piece_.get(), kPiece);
    offset_ += end_;
    at_ = 0;
    return end_ > 0;
}

bool Reader::fail(ReadError error, std::size_t line) {
    error_ = error;
    errorLine_ = line;
    return false;
}

// One row into fields[0 .. count): false at the end of the file, or at an error. More than
// `limit` fields stop the reading, so that no row holds more than the header asks for.
bool Reader::readRow(std::vector<std::string>& fields, std::size_t& count, std::size_t limit) {
    count = 0;
    rowLine_ = line_;
    std::size_t rowBytes = 0; // of the fields before this one
    if (!more())
        return false;
    const char sep = separator_;
    for (;;) {
        if (count == limit) {
            fieldCount_ = count + 1;
            return fail(limit == kMaxColumns ? ReadError::TooManyColumns : ReadError::Ragged,
                        rowLine_);
        }
        if (fields.size() <= count)
            fields.emplace_back();
        if (count > 0)
            rowBytes += fields[count - 1].size();
        std::string& field = fields[count++];
        field.clear();
        if (more() && piece_[at_] == '"') {
            const std::size_t opened = line_;
            ++at_;
            for (;;) {
                if (!more())
                    return fail(ReadError::UnbalancedQuote, opened);
                const char* from = piece_.get() + at_;
                const char* const last = piece_.get() + end_;
                const char* p = from;
                while (p != last && *p != '"' && *p != '\n' && *p != '\r')
                    ++p;
                field.append(from, p);
                at_ = static_cast<std::size_t>(p - piece_.get());
                if (rowBytes + field.size() > kMaxRow)
                    return fail(ReadError::UnbalancedQuote, opened);
                if (p == last)
                    continue;
                const char c = *p;
                ++at_;
                if (c == '"') {
                    if (more() && piece_[at_] == '"') {
                        field += '"';
                        ++at_;
                        continue;
                    }
                    break;
                }
                field += c;
                // CR LF is one line break, and so is a lone CR.
                if (c == '\n' || !more() || piece_[at_] != '\n')
                    ++line_;
            }
        }
        // An unquoted field, or what follows a closing quote up to the separator: taken as it is.
        for (;;) {
            if (!more())
                return true;
            const char* from = piece_.get() + at_;
            const char* const last = piece_.get() + end_;
            const char* p = from;
            while (p != last && *p != sep && *p != '\n' && *p != '\r')
                ++p;
            field.append(from, p);
            at_ = static_cast<std::size_t>(p - piece_.get());
            if (rowBytes + field.size() > kMaxRow)
                return fail(ReadError::RowTooLong, rowLine_);
            if (p != last)
                break;
        }
        const char c = piece_[at_++];
        if (c == sep)
            continue;
        if (c == '\r' && more() && piece_[at_] == '\n')
            ++at_;
        ++line_;
        return true;
    }
}

bool Reader::next(std::vector<std::string>& fields) {
    if (hasPending_) {
        hasPending_ = false;
        fields.swap(pending_);
        rowLine_ = pendingLine_;
        fields.resize(header_.size());
        return true;
    }
    if (error_ != ReadError::None)
        return false;
    const std::size_t columns = header_.size();
    for (;;) {
        std::size_t count = 0;
        if (!readRow(fields, count, columns))
            return false;
        if (count == 1 && fields[0].empty())
            continue; // an empty line
        if (count != columns) {
            fieldCount_ = count;
            return fail(ReadError::Ragged, rowLine_);
        }
        fields.resize(count);
        if (!utf8_)
            for (std::string& field : fields)
                field = cp1252ToUtf8(field);
        return true;
    }
}

bool needsQuotes(std::string_view field) {
    if (field.empty())
        return false;
    if (field.front() == ' ' || field.back() == ' ' || field.front() == '\t' ||
        field.back() == '\t')
        return true;
    for (const char c : field)
        if (c == ',' || c == ';' || c == '"' || c == '\r' || c == '\n')
            return true;
    return false;
}

std::string quoted(std::string_view field) {
    std::string out;
    out.reserve(field.size() + 2);
    out += '"';
    for (const char c : field) {
        out += c;
        if (c == '"')
            out += '"';
    }
    out += '"';
    return out;
}

} // namespace core::csv
