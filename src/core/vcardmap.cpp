#include "core/vcardmap.h"

#include "core/cp1252.h"
#include "core/fileio.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <iterator>
#include <thread>
#include <type_traits>
#include <unordered_set>

namespace core {

// Appends a part with text to a list written as one text.
void appendJoined(std::string& out, std::string_view part, std::string_view separator) {
    if (part.empty())
        return;
    if (!out.empty())
        out += separator;
    out += part;
}

namespace {

using vcard::Card;
using vcard::Property;

// The property that keeps the contact persons of a company; other programs show it as a field
// of their own or not at all, and it brings the text back unchanged.
constexpr const char* kContactsProperty = "X-TEVO-CONTACTOS";

// The parts with text, separated; any list of strings or views.
template <typename Parts> std::string join(const Parts& parts, std::string_view separator) {
    std::string out;
    for (const auto& part : parts) {
        if (std::string_view(part).empty())
            continue;
        if (!out.empty())
            out += separator;
        out += part;
    }
    return out;
}

// Each line break of the text (CR LF, a lone CR or a lone LF) written as `as`.
std::string breaksAs(std::string text, std::string_view as) {
    const auto isBreak = [](char c) { return c == '\r' || c == '\n'; };
    const auto first = std::find_if(text.begin(), text.end(), isBreak);
    if (first == text.end())
        return text;
    std::string out(text.begin(), first);
    out.reserve(text.size() + 8);
    for (std::size_t i = static_cast<std::size_t>(first - text.begin()); i < text.size(); ++i) {
        if (isBreak(text[i])) {
            out += as;
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

// Line breaks of a card (CR LF, LF or a lone CR) are stored as the records' CR LF, so that a
// record written out and read back keeps its bytes.
std::string withCrLf(std::string text) {
    return breaksAs(std::move(text), "\r\n");
}

// A number written as a "tel:" address (4.0) is stored as the number.
std::string telNumber(std::string text) {
    if (text.size() >= 4 && (text[0] == 't' || text[0] == 'T') &&
        (text[1] == 'e' || text[1] == 'E') && (text[2] == 'l' || text[2] == 'L') && text[3] == ':')
        text.erase(0, 4);
    return text;
}

// A number that itself begins with "tel:" keeps it behind the one a reader takes off.
std::string telValue(const std::string& number) {
    return telNumber(number) == number ? number : "tel:" + number;
}

enum class Line { Fixed, Mobile, Fax, Other };

Line lineOf(const Property& tel) {
    // Its types looked at once, in any of the ways writers list them.
    bool fax = false, mobile = false, other = false;
    for (const vcard::Param& p : tel.params) {
        if (p.name != "TYPE")
            continue;
        std::string_view list = p.value;
        while (!list.empty()) {
            const std::size_t comma = list.find(',');
            std::string_view type = list.substr(0, comma);
            list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
            while (!type.empty() && (type.front() == ' ' || type.front() == '\t'))
                type.remove_prefix(1);
            while (!type.empty() && (type.back() == ' ' || type.back() == '\t'))
                type.remove_suffix(1);
            if (type.size() > 9) // the longest type looked for, TEXTPHONE
                continue;
            char upper[9];
            for (std::size_t i = 0; i < type.size(); ++i)
                upper[i] =
                    type[i] >= 'a' && type[i] <= 'z' ? static_cast<char>(type[i] - 0x20) : type[i];
            const std::string_view t(upper, type.size());
            if (t == "FAX")
                fax = true;
            else if (t == "CELL" || t == "MOBILE" || t == "IPHONE")
                mobile = true;
            else if (t == "PAGER" || t == "OTHER" || t == "CAR" || t == "ISDN" || t == "MODEM" ||
                     t == "BBS" || t == "VIDEO" || t == "MSG" || t == "TEXTPHONE" || t == "TEXT")
                other = true;
        }
    }
    if (fax)
        return Line::Fax;
    if (mobile)
        return Line::Mobile;
    if (other)
        return Line::Other;
    return Line::Fixed; // HOME, WORK, VOICE, MAIN or no type at all
}

// The postal address as one line: its parts from the post-office box to the country, those
// with text, separated by ", "; the lines of a street joined the same way.
std::string addressLine(const Property& adr) {
    std::string line;
    vcard::forEachComponent(adr.value, [&](std::string_view part) {
        appendJoined(line, breaksAs(vcard::unescape(part), ", "), ", ");
    });
    return line;
}

// The name that N spells: prefix, given names, additional names, family names, suffix.
std::string nameFromN(const Property& n) {
    std::array<std::string, 5> c;
    std::size_t count = 0;
    vcard::forEachComponent(n.value, [&](std::string_view part) {
        if (count < c.size())
            c[count++] = vcard::unescape(part);
    });
    std::string name;
    for (std::size_t i : {3, 1, 2, 0, 4})
        appendJoined(name, c[i], " ");
    return name;
}

struct CardTexts {
    explicit CardTexts(const Card& of) : card(of) {}
    // The name N spells, looked for only when the card has no FN to name it.
    const std::string& n() {
        if (!nLooked) {
            nLooked = true;
            for (const Property& p : card.properties)
                if (p.name == "N" && (nText = withCrLf(nameFromN(p)), !nText.empty()))
                    break;
        }
        return nText;
    }

    const Card& card;
    std::string fn, org, title, role, contacts, note;
    std::vector<std::pair<Line, std::string>> tels;
    std::vector<std::string> addresses, labels, emails, urls;

  private:
    std::string nText;
    bool nLooked = false;
};

// An empty value holds nothing to keep; listed, it would leave a slot empty and push the next
// value into the slot after it.
void addIfAny(std::vector<std::string>& list, std::string value) {
    if (!value.empty())
        list.push_back(std::move(value));
}

void addIfAny(std::vector<std::pair<Line, std::string>>& list, std::string number, Line line) {
    if (!number.empty())
        list.emplace_back(line, std::move(number));
}

CardTexts gather(const Card& card) {
    CardTexts t(card);
    std::vector<std::string> notes;
    for (const Property& p : card.properties) {
        const std::string_view name = p.name;
        if (name == "FN" && t.fn.empty())
            t.fn = withCrLf(vcard::unescape(p.value));
        else if (name == "ORG" && t.org.empty())
            t.org = withCrLf(join(vcard::components(p.value), ", "));
        else if (name == "TITLE" && t.title.empty())
            t.title = withCrLf(vcard::unescape(p.value));
        else if (name == "ROLE" && t.role.empty())
            t.role = withCrLf(vcard::unescape(p.value));
        else if (name == kContactsProperty && t.contacts.empty())
            t.contacts = withCrLf(vcard::unescape(p.value));
        else if (name == "TEL")
            addIfAny(t.tels, telNumber(withCrLf(vcard::unescape(p.value))), lineOf(p));
        else if (name == "ADR")
            addIfAny(t.addresses, addressLine(p));
        else if (name == "LABEL")
            addIfAny(t.labels, breaksAs(vcard::unescape(p.value), ", "));
        else if (name == "EMAIL")
            addIfAny(t.emails, withCrLf(vcard::unescape(p.value)));
        else if (name == "URL")
            addIfAny(t.urls, withCrLf(vcard::unescape(p.value)));
        else if (name == "NOTE")
            addIfAny(notes, withCrLf(vcard::unescape(p.value)));
    }
    t.note = join(notes, "\r\n");
    if (t.addresses.empty())
        t.addresses = t.labels;
    return t;
}

std::vector<std::string> telsOf(const CardTexts& t, std::initializer_list<Line> lines) {
    std::vector<std::string> out;
    for (const auto& [line, number] : t.tels)
        if (std::find(lines.begin(), lines.end(), line) != lines.end())
            out.push_back(number);
    return out;
}

// The addresses past the first `slots`, which have no slot of their own, one line each.
void appendEmailsToNotes(std::string& notes, const std::vector<std::string>& emails,
                         std::size_t slots) {
    for (std::size_t i = slots; i < emails.size(); ++i)
        appendJoined(notes, "Correo: " + emails[i], "\r\n");
}

std::array<std::string, kSlotCount> personTexts(CardTexts& t) {
    std::array<std::string, kSlotCount> s;
    s[person::Name] = !t.fn.empty() ? std::move(t.fn) : !t.n().empty() ? t.n() : t.org;
    // The first fixed and the first mobile number have their slots; every other number of the
    // card, fax and pager included, goes to the third, in the card's order.
    bool fixed = false, mobile = false;
    for (auto& [line, number] : t.tels) {
        if (line == Line::Fixed && !fixed) {
            s[person::Phone] = std::move(number), fixed = true;
        } else if (line == Line::Mobile && !mobile) {
            s[person::Mobile] = std::move(number), mobile = true;
        } else {
            appendJoined(s[person::OtherPhone], number, ", ");
        }
    }
    for (const std::string& address : t.addresses)
        appendJoined(s[person::Address], address, " / ");
    // One address to a slot: two joined in one would be neither a valid address nor a link.
    if (!t.emails.empty())
        s[person::Email1] = std::move(t.emails[0]);
    if (t.emails.size() > 1)
        s[person::Email2] = std::move(t.emails[1]);
    for (const std::string& url : t.urls)
        appendJoined(s[person::WebSite], url, ", ");
    // A person's work has no slot of its own: it is kept among the notes.
    s[person::Notes] = std::move(t.note);
    if (!t.title.empty())
        appendJoined(s[person::Notes], "Cargo: " + t.title, "\r\n");
    if (!t.org.empty() && t.org != s[person::Name])
        appendJoined(s[person::Notes], "Organización: " + t.org, "\r\n");
    appendEmailsToNotes(s[person::Notes], t.emails, 2);
    return s;
}

std::array<std::string, kSlotCount> companyTexts(CardTexts& t) {
    std::array<std::string, kSlotCount> s;
    s[company::Name] = !t.org.empty() ? t.org : !t.fn.empty() ? t.fn : t.n();
    s[company::Business] = t.role;
    s[company::Phone] = join(telsOf(t, {Line::Fixed, Line::Mobile, Line::Other}), ", ");
    s[company::Fax] = join(telsOf(t, {Line::Fax}), ", ");
    s[company::WebSite] = join(t.urls, ", ");
    if (!t.emails.empty())
        s[company::Email] = t.emails[0];
    if (!t.contacts.empty()) {
        s[company::Contacts] = t.contacts;
    } else {
        // The card of a person who works there: that person is the company's contact.
        const std::string person = !t.fn.empty() ? t.fn : t.n();
        if (!person.empty() && person != s[company::Name])
            s[company::Contacts] = t.title.empty() ? person : person + " (" + t.title + ")";
    }
    s[company::Address] = join(t.addresses, " / ");
    s[company::Notes] = t.note;
    appendEmailsToNotes(s[company::Notes], t.emails, 1);
    return s;
}

void appendProperty(std::string& out, std::string_view nameAndParams, const std::string& text) {
    std::string line(nameAndParams);
    line += ':';
    line += vcard::escape(cp1252ToUtf8(text));
    vcard::appendFolded(out, line);
}

void appendIfAny(std::string& out, std::string_view nameAndParams, const std::string& text) {
    if (!text.empty())
        appendProperty(out, nameAndParams, text);
}

// Numbers and addresses, which readers take as written.
void appendPlainIfAny(std::string& out, std::string_view nameAndParams, const std::string& text) {
    if (text.empty())
        return;
    std::string line(nameAndParams);
    line += ':';
    line += vcard::escapeLight(cp1252ToUtf8(text));
    vcard::appendFolded(out, line);
}

// A record's text as a component of a structured value: escaped, in UTF-8.
std::string component(const std::string& text) {
    return vcard::escape(cp1252ToUtf8(text));
}

// Two records are the same contact when their nine texts are equal in the bytes a slot can
// hold (255 at most): what lies beyond is never stored, so a record cut on import still finds
// itself in the file.
std::string_view keyText(const std::string& text) {
    return std::string_view(text).substr(0, 255);
}

struct SameTexts {
    bool operator()(const Record* a, const Record* b) const {
        for (int i = 0; i < kSlotCount; ++i)
            if (keyText(a->texts[i]) != keyText(b->texts[i]))
                return false;
        return true;
    }
};

struct HashTexts {
    std::size_t operator()(const Record* r) const {
        std::size_t h = 0;
        for (const std::string& text : r->texts)
            h = h * 1000003u ^ std::hash<std::string_view>()(keyText(text));
        return h;
    }
};

} // namespace

Record recordFromCard(const Card& card, bool persons, CardLosses& losses) {
    CardTexts t = gather(card);
    const std::size_t emailSlots = persons ? 2 : 1;
    if (t.emails.size() > emailSlots)
        losses.emailsInNotes += static_cast<std::int64_t>(t.emails.size() - emailSlots);
    return recordFromTexts(persons ? personTexts(t) : companyTexts(t), persons, losses);
}

Record recordFromTexts(std::array<std::string, kSlotCount> texts, bool persons,
                       CardLosses& losses) {
    Record record;
    record.tag = persons ? kTagPerson : kTagCompany;
    // An address is one line; every other text keeps its line breaks as the records' CR LF.
    const int address = persons ? int(person::Address) : int(company::Address);
    for (int i = 0; i < kSlotCount; ++i)
        texts[i] =
            i == address ? breaksAs(std::move(texts[i]), ", ") : withCrLf(std::move(texts[i]));
    for (int i = 0; i < kSlotCount; ++i) {
        // Plain ASCII reads the same in both; only other texts are converted.
        bool ascii = true, nul = false;
        for (const char c : texts[i]) {
            ascii &= static_cast<unsigned char>(c) < 0x80;
            nul |= c == '\0';
        }
        std::string text = ascii ? std::move(texts[i]) : utf8ToCp1252(texts[i], losses.replaced);
        // A NUL (a quoted-printable "=00") would make an exported file no text file at all.
        if (nul)
            for (char& c : text)
                if (c == '\0')
                    c = '?', ++losses.replaced;
        if (i < 4)
            text = upperCp1252(std::move(text));
        if (text.size() > kSlots[i].capacity) {
            text.resize(kSlots[i].capacity);
            // Never half a line break.
            if (text.back() == '\r')
                text.pop_back();
            ++losses.cut;
        }
        record.texts[i] = std::move(text);
    }
    return record;
}

std::string cardFromRecord(const Record& record, bool persons) {
    const auto& s = record.texts;
    std::string out = "BEGIN:VCARD\r\nVERSION:3.0\r\n";
    // N and FN are required; the name is one text (name, surname, nickname), so all of it is
    // the family part, which every program shows whole.
    vcard::appendFolded(out, "N:" + component(s[0]) + ";;;;");
    appendProperty(out, "FN", s[0]);
    if (persons) {
        appendPlainIfAny(out, "TEL;TYPE=HOME,VOICE", telValue(s[person::Phone]));
        appendPlainIfAny(out, "TEL;TYPE=CELL,VOICE", telValue(s[person::Mobile]));
        appendPlainIfAny(out, "TEL;TYPE=OTHER,VOICE", telValue(s[person::OtherPhone]));
        if (!s[person::Address].empty())
            vcard::appendFolded(out, "ADR;TYPE=HOME:;;" + component(s[person::Address]) + ";;;;");
        appendPlainIfAny(out, "EMAIL;TYPE=INTERNET", s[person::Email1]);
        appendPlainIfAny(out, "EMAIL;TYPE=INTERNET", s[person::Email2]);
        appendPlainIfAny(out, "URL", s[person::WebSite]);
        appendIfAny(out, "NOTE", s[person::Notes]);
    } else {
        vcard::appendFolded(out, "ORG:" + component(s[company::Name]));
        // How phones and mail programs know to show the card as a company.
        vcard::appendFolded(out, "X-ABShowAs:COMPANY");
        appendIfAny(out, "ROLE", s[company::Business]);
        appendPlainIfAny(out, "TEL;TYPE=WORK,VOICE", telValue(s[company::Phone]));
        appendPlainIfAny(out, "TEL;TYPE=WORK,FAX", telValue(s[company::Fax]));
        appendPlainIfAny(out, "URL", s[company::WebSite]);
        appendPlainIfAny(out, "EMAIL;TYPE=INTERNET,WORK", s[company::Email]);
        appendIfAny(out, kContactsProperty, s[company::Contacts]);
        if (!s[company::Address].empty())
            vcard::appendFolded(out, "ADR;TYPE=WORK:;;" + component(s[company::Address]) + ";;;;");
        appendIfAny(out, "NOTE", s[company::Notes]);
    }
    out += "END:VCARD\r\n";
    return out;
}

namespace {

// A file this large is read as two halves at once, the second on a thread of its own.
constexpr std::size_t kHalvesFrom = 4u << 20;

struct Part {
    vcard::ReadResult read;
    std::vector<Record> records;
    CardLosses losses;
};

// Each card becomes its record as soon as it is read: the cards themselves are never all kept.
Part readPart(std::string_view text, bool persons) {
    Part part;
    part.read = vcard::parseEach(text, [&](const Card& card) {
        part.records.push_back(recordFromCard(card, persons, part.losses));
    });
    return part;
}

// Where the second half can begin: a BEGIN:VCARD line straight after an END:VCARD line, the
// first such place past the middle; npos when there is none. A first half that reads without
// an error has ended every card it began, and nothing of one card carries over to the next, so
// the two halves read as the whole does. Any error sends the whole file through one reading,
// which then tells the error as it always did.
std::size_t seamOf(std::string_view text) {
    constexpr std::string_view kEnd = "\nEND:VCARD\r\n", kBegin = "BEGIN:VCARD\r\n";
    for (std::size_t at = text.find(kEnd, text.size() / 2); at != std::string_view::npos;
         at = text.find(kEnd, at + 1)) {
        const std::size_t next = at + kEnd.size();
        if (text.substr(next, kBegin.size()) == kBegin)
            return next;
    }
    return std::string_view::npos;
}

} // namespace

VCardFile readVCardFile(const fs::path& file, bool persons) {
    VCardFile result;
    const std::string text = fileio::readAll(file);
    const std::size_t seam = text.size() >= kHalvesFrom && !std::memchr(text.data(), 0, text.size())
                                 ? seamOf(text)
                                 : std::string_view::npos;
    if (seam != std::string_view::npos) {
        Part second;
        std::exception_ptr failed;
        std::thread reader([&] {
            try {
                second = readPart(std::string_view(text).substr(seam), persons);
            } catch (...) {
                failed = std::current_exception();
            }
        });
        Part first;
        try {
            first = readPart(std::string_view(text).substr(0, seam), persons);
        } catch (...) {
            reader.join();
            throw;
        }
        reader.join();
        if (failed)
            std::rethrow_exception(failed);
        if (first.read.error == vcard::ReadError::None &&
            second.read.error == vcard::ReadError::None) {
            result.records = std::move(first.records);
            result.records.insert(result.records.end(),
                                  std::make_move_iterator(second.records.begin()),
                                  std::make_move_iterator(second.records.end()));
            result.losses.cut = first.losses.cut + second.losses.cut;
            result.losses.replaced = first.losses.replaced + second.losses.replaced;
            result.losses.emailsInNotes = first.losses.emailsInNotes + second.losses.emailsInNotes;
            return result;
        }
    }
    Part whole = readPart(text, persons);
    const vcard::ReadResult& read = whole.read;
    result.records = std::move(whole.records);
    result.losses = whole.losses;
    result.error = read.error;
    result.line = read.line;
    if (read.error != vcard::ReadError::None) {
        result.records.clear();
        result.losses = CardLosses();
    }
    return result;
}

void writeVCardFile(const fs::path& file, const std::vector<Record>& records, bool persons) {
    std::string out;
    out.reserve(records.size() * 256);
    for (const Record& record : records)
        out += cardFromRecord(record, persons);
    fileio::replaceContents(file, out);
}

std::vector<Record> readAllRecords(const fs::path& dataFile) {
    std::vector<Record> records;
    if (!fileio::exists(dataFile))
        return records;
    const fileio::File file = fileio::openReadWrite(dataFile);
    const std::uint64_t count = file.size() / kRecordSize;
    records.reserve(count);
    constexpr std::uint64_t kBlock = 641; // about 1 MiB
    std::vector<unsigned char> block(kBlock * kRecordSize);
    for (std::uint64_t first = 0; first < count; first += kBlock) {
        const std::uint64_t n = std::min(kBlock, count - first);
        file.readExactAt(first * kRecordSize, block.data(), n * kRecordSize);
        for (std::uint64_t i = 0; i < n; ++i)
            records.push_back(decodeRecord(block.data() + i * kRecordSize));
    }
    return records;
}

namespace {

// Which of `records` the data file does not hold yet, nor an earlier one of them.
std::vector<bool> freshOnes(const fs::path& dataFile, const std::vector<Record>& records) {
    const std::vector<Record> stored = readAllRecords(dataFile);
    std::unordered_set<const Record*, HashTexts, SameTexts> known;
    known.reserve(stored.size() + records.size());
    for (const Record& record : stored)
        known.insert(&record);
    std::vector<bool> fresh(records.size());
    for (std::size_t i = 0; i < records.size(); ++i)
        fresh[i] = known.insert(&records[i]).second;
    return fresh;
}

template <typename Records> NewRecords keepFresh(const fs::path& dataFile, Records&& records) {
    const std::vector<bool> fresh = freshOnes(dataFile, records);
    NewRecords result;
    result.records.reserve(static_cast<std::size_t>(std::count(fresh.begin(), fresh.end(), true)));
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (!fresh[i])
            ++result.present;
        else if constexpr (std::is_const_v<std::remove_reference_t<Records>>)
            result.records.push_back(records[i]);
        else
            result.records.push_back(std::move(records[i]));
    }
    return result;
}

} // namespace

NewRecords newRecordsFor(const fs::path& dataFile, const std::vector<Record>& records) {
    return keepFresh(dataFile, records);
}

NewRecords newRecordsFor(const fs::path& dataFile, std::vector<Record>&& records) {
    return keepFresh(dataFile, records);
}

} // namespace core
