#include "core/duplicates.h"

#include "core/fileio.h"
#include "core/ioerror.h"

#include <algorithm>
#include <array>
#include <functional>
#include <memory>
#include <numeric>
#include <unordered_map>

namespace core {

namespace {

static_assert(static_cast<int>(person::Notes) == static_cast<int>(company::Notes),
              "both kinds keep their notes in one slot");
constexpr int kNotes = person::Notes;

// What each byte stands for in a comparison: its letters in capitals without accents, or
// nothing for a separator.
const std::array<const char*, 256>& foldTable() {
    static const std::array<const char*, 256> table = [] {
        std::array<const char*, 256> t{};
        static char single[256][2];
        for (int b = 0; b < 256; ++b) {
            single[b][0] = static_cast<char>(b);
            single[b][1] = '\0';
        }
        for (int b = '0'; b <= '9'; ++b)
            t[b] = single[b];
        for (int b = 'A'; b <= 'Z'; ++b) {
            t[b] = single[b];
            t[b + 32] = single[b];
        }
        // The accented letters of the code page, capital and small (small = capital + 0x20).
        const std::pair<int, const char*> accented[] = {
            {0xC0, "A"},  {0xC1, "A"}, {0xC2, "A"}, {0xC3, "A"}, {0xC4, "A"}, {0xC5, "A"},
            {0xC6, "AE"}, {0xC7, "C"}, {0xC8, "E"}, {0xC9, "E"}, {0xCA, "E"}, {0xCB, "E"},
            {0xCC, "I"},  {0xCD, "I"}, {0xCE, "I"}, {0xCF, "I"}, {0xD0, "D"}, {0xD1, "N"},
            {0xD2, "O"},  {0xD3, "O"}, {0xD4, "O"}, {0xD5, "O"}, {0xD6, "O"}, {0xD8, "O"},
            {0xD9, "U"},  {0xDA, "U"}, {0xDB, "U"}, {0xDC, "U"}, {0xDD, "Y"}, {0xDE, "TH"}};
        for (const auto& [capital, plain] : accented) {
            t[capital] = plain;
            t[capital + 0x20] = plain;
        }
        t[0xDF] = "SS";
        t[0xFF] = "Y";
        t[0x9F] = "Y";
        t[0x8A] = t[0x9A] = "S";
        t[0x8E] = t[0x9E] = "Z";
        t[0x8C] = t[0x9C] = "OE";
        t[0x83] = "F";
        return t;
    }();
    return table;
}

// A slot's text where it lies in the record, as readSlot reads it.
std::string_view slotText(const unsigned char* record, int slot) {
    const Slot& at = kSlots[static_cast<std::size_t>(slot)];
    return {reinterpret_cast<const char*>(record + at.offset + 1),
            std::min<std::size_t>(record[at.offset], at.capacity)};
}

void foldInto(std::string_view text, std::string& out) {
    const auto& table = foldTable();
    out.clear();
    bool gap = false;
    for (const char c : text) {
        const char* plain = table[static_cast<unsigned char>(c)];
        if (!plain) {
            gap = !out.empty();
            continue;
        }
        if (gap)
            out += ' ';
        gap = false;
        out += plain;
    }
}

void nameKeyInto(std::string_view name, std::string& folded, std::vector<std::string_view>& words,
                 std::string& out) {
    foldInto(name, folded);
    words.clear();
    for (std::size_t at = 0; at < folded.size();) {
        const std::size_t end = std::min(folded.find(' ', at), folded.size());
        words.push_back(std::string_view(folded).substr(at, end - at));
        at = end + 1;
    }
    std::sort(words.begin(), words.end());
    out.clear();
    for (const std::string_view word : words) {
        if (!out.empty())
            out += ' ';
        out += word;
    }
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Characters a telephone number is written with besides its digits.
bool withinNumber(char c) {
    return isDigit(c) || c == ' ' || c == '\t' || c == '+' || c == '-' || c == '(' || c == ')' ||
           c == '.';
}

template <typename Keep> void eachNumber(std::string_view text, const Keep& keep) {
    std::string digits;
    const auto end = [&] {
        if (digits.size() >= 6)
            keep(digits.size() > 8 ? digits.substr(digits.size() - 8) : digits);
        digits.clear();
    };
    for (const char c : text) {
        if (isDigit(c))
            digits += c;
        else if (!withinNumber(c))
            end();
    }
    end();
}

char lower(char c) {
    const auto b = static_cast<unsigned char>(c);
    // ASCII capitals and the code page's accented capitals (0xC0-0xDE but 0xD7, "×").
    if ((b >= 'A' && b <= 'Z') || (b >= 0xC0 && b <= 0xDE && b != 0xD7))
        return static_cast<char>(b + 0x20);
    return c;
}

bool wordBreak(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == ',' || c == ';' || c == '<' ||
           c == '>';
}

template <typename Keep> void eachWord(std::string_view text, const Keep& keep) {
    std::string word;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && !wordBreak(text[i])) {
            word += lower(text[i]);
            continue;
        }
        if (!word.empty())
            keep(word);
        word.clear();
    }
}

bool startsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

template <typename Keep> void eachEmail(std::string_view text, const Keep& keep) {
    eachWord(text, [&](std::string_view word) {
        if (startsWith(word, "mailto:"))
            word.remove_prefix(7);
        if (word.find('@') != std::string_view::npos)
            keep(word);
    });
}

template <typename Keep> void eachWeb(std::string_view text, const Keep& keep) {
    eachWord(text, [&](std::string_view word) {
        if (const std::size_t scheme = word.find("://"); scheme != std::string_view::npos)
            word.remove_prefix(scheme + 3);
        if (startsWith(word, "www."))
            word.remove_prefix(4);
        while (!word.empty() && word.back() == '/')
            word.remove_suffix(1);
        if (word.find('.') != std::string_view::npos)
            keep(word);
    });
}

// The slots of each kind that hold numbers and e-mail addresses (-1: none).
constexpr std::array<int, 3> kPersonPhones{person::Phone, person::Mobile, person::OtherPhone};
constexpr std::array<int, 3> kCompanyPhones{company::Phone, company::Fax, -1};
constexpr std::array<int, 2> kPersonEmails{person::Email1, person::Email2};
constexpr std::array<int, 2> kCompanyEmails{company::Email, -1};

// Disjoint sets of record indices.
class Sets {
  public:
    std::uint32_t add() {
        parent_.push_back(static_cast<std::uint32_t>(parent_.size()));
        return parent_.back();
    }
    std::uint32_t root(std::uint32_t i) {
        while (parent_[i] != i)
            i = parent_[i] = parent_[parent_[i]];
        return i;
    }
    // The smaller index becomes the root: a group is named by its first record.
    void join(std::uint32_t a, std::uint32_t b) {
        a = root(a);
        b = root(b);
        if (a != b)
            parent_[std::max(a, b)] = std::min(a, b);
    }
    std::size_t size() const { return parent_.size(); }

  private:
    std::vector<std::uint32_t> parent_;
};

// The keys of every record seen, each by the first record that had it; a record that has a key
// already seen joins that record's set. Keys carry their kind as their first byte, so that a
// number never meets a name.
class Grouper {
  public:
    // `count` records to come: the table is made large enough once, for a few keys each.
    Grouper(bool persons, std::uint64_t count) : persons_(persons) {
        first_.reserve(static_cast<std::size_t>(count) * 4);
        links_.reserve(static_cast<std::size_t>(count));
        fingerprints_.reserve(static_cast<std::size_t>(count));
    }

    void add(const unsigned char* record) {
        const std::uint32_t index = sets_.add();
        links_.push_back(0);
        fingerprints_.push_back(fingerprint(record));
        nameKeyInto(slotText(record, 0), folded_, words_, key_);
        if (!key_.empty())
            link(index, LinkName, key_);
        for (const int slot : persons_ ? kPersonPhones : kCompanyPhones)
            if (slot >= 0)
                eachNumber(slotText(record, slot),
                           [&](std::string_view k) { link(index, LinkPhone, k); });
        for (const int slot : persons_ ? kPersonEmails : kCompanyEmails)
            if (slot >= 0)
                eachEmail(slotText(record, slot),
                          [&](std::string_view k) { link(index, LinkEmail, k); });
        if (!persons_)
            eachWeb(slotText(record, company::WebSite),
                    [&](std::string_view k) { link(index, LinkWeb, k); });
    }

    std::vector<DuplicateGroup> groups() {
        std::vector<DuplicateGroup> result;
        std::vector<std::uint32_t> at(sets_.size(), UINT32_MAX); // root -> place in result
        for (std::uint32_t i = 0; i < sets_.size(); ++i) {
            if (!links_[i])
                continue; // linked to nobody
            const std::uint32_t root = sets_.root(i);
            if (at[root] == UINT32_MAX) {
                at[root] = static_cast<std::uint32_t>(result.size());
                result.emplace_back();
            }
            DuplicateGroup& group = result[at[root]];
            group.records.push_back(i);
            group.fingerprints.push_back(fingerprints_[i]);
            group.links |= links_[i];
        }
        return result;
    }

    // Of what the record means (its texts and tag), not of the unused bytes of its slots.
    static std::uint64_t fingerprint(const unsigned char* record) {
        thread_local std::string meaning;
        meaning.clear();
        for (int slot = 0; slot < kSlotCount; ++slot) {
            const std::string_view text = slotText(record, slot);
            meaning += static_cast<char>(text.size());
            meaning += text;
        }
        meaning.append(reinterpret_cast<const char*>(record + kTagOffset), 4);
        return std::hash<std::string_view>()(meaning);
    }

  private:
    void link(std::uint32_t index, LinkKind kind, std::string_view key) {
        kinded_.assign(1, static_cast<char>(kind));
        kinded_ += key;
        const auto [it, fresh] = first_.try_emplace(kinded_, index);
        if (fresh || it->second == index)
            return;
        sets_.join(it->second, index);
        links_[it->second] |= kind;
        links_[index] |= kind;
    }

    bool persons_;
    Sets sets_;
    std::vector<unsigned char> links_; // per record: the kinds it shares with another
    std::vector<std::uint64_t> fingerprints_;
    std::unordered_map<std::string, std::uint32_t> first_;
    std::string folded_, key_, kinded_;
    std::vector<std::string_view> words_;
};

constexpr std::size_t kBlockRecords = 641;

} // namespace

std::string foldText(std::string_view text) {
    std::string out;
    foldInto(text, out);
    return out;
}

std::string nameKey(std::string_view name) {
    std::string folded, out;
    std::vector<std::string_view> words;
    nameKeyInto(name, folded, words, out);
    return out;
}

std::vector<std::string> phoneKeys(std::string_view text) {
    std::vector<std::string> keys;
    eachNumber(text, [&](std::string_view k) { keys.emplace_back(k); });
    return keys;
}

std::vector<std::string> emailKeys(std::string_view text) {
    std::vector<std::string> keys;
    eachEmail(text, [&](std::string_view k) { keys.emplace_back(k); });
    return keys;
}

std::vector<std::string> webKeys(std::string_view text) {
    std::vector<std::string> keys;
    eachWeb(text, [&](std::string_view k) { keys.emplace_back(k); });
    return keys;
}

std::vector<DuplicateGroup> findDuplicates(const fs::path& file, bool persons) {
    fileio::File data = fileio::openReadWrite(file);
    const std::uint64_t count = data.size() / kRecordSize;
    if (count > UINT32_MAX)
        throw IoError(EFBIG, file.string());
    Grouper grouper(persons, count);
    const std::unique_ptr<unsigned char[]> block(new unsigned char[kBlockRecords * kRecordSize]);
    for (std::uint64_t first = 0; first < count; first += kBlockRecords) {
        const std::uint64_t n = std::min<std::uint64_t>(kBlockRecords, count - first);
        data.readExactAt(first * kRecordSize, block.get(), n * kRecordSize);
        for (std::uint64_t i = 0; i < n; ++i)
            grouper.add(block.get() + i * kRecordSize);
    }
    data.close();
    return grouper.groups();
}

std::vector<std::string> groupNames(const fs::path& file,
                                    const std::vector<DuplicateGroup>& groups) {
    fileio::File data = fileio::openReadWrite(file);
    std::vector<std::string> names;
    unsigned char slot[256];
    for (const DuplicateGroup& group : groups) {
        data.readExactAt(static_cast<std::uint64_t>(group.records.front()) * kRecordSize, slot,
                         sizeof slot);
        names.push_back(readSlot(slot, 0));
    }
    data.close();
    return names;
}

std::optional<std::vector<Record>> readGroup(const fs::path& file, const DuplicateGroup& group) {
    fileio::File data = fileio::openReadWrite(file);
    const std::uint64_t count = data.size() / kRecordSize;
    std::vector<Record> records;
    RecordBytes bytes;
    for (std::size_t i = 0; i < group.records.size(); ++i) {
        const auto n = static_cast<std::uint64_t>(group.records[i]);
        if (n >= count)
            return std::nullopt;
        data.readExactAt(n * kRecordSize, bytes.data(), bytes.size());
        if (Grouper::fingerprint(bytes.data()) != group.fingerprints[i])
            return std::nullopt;
        records.push_back(decodeRecord(bytes.data()));
    }
    data.close();
    return records;
}

void renumberAfterMerge(std::vector<DuplicateGroup>& groups, std::size_t merged,
                        std::int64_t position) {
    const std::vector<std::int64_t> gone = groups[merged].records; // ascending
    groups.erase(groups.begin() + static_cast<std::ptrdiff_t>(merged));
    for (DuplicateGroup& group : groups)
        for (std::int64_t& n : group.records) {
            n -= std::lower_bound(gone.begin(), gone.end(), n) - gone.begin();
            if (n >= position)
                ++n;
        }
}

std::string joinNotes(const std::vector<Record>& records, bool& cut) {
    std::vector<std::string_view> seen;
    std::string joined;
    for (const Record& r : records) {
        const std::string& note = r.texts[kNotes];
        if (note.empty() || std::find(seen.begin(), seen.end(), note) != seen.end())
            continue;
        seen.push_back(note);
        if (!joined.empty())
            joined += "\r\n";
        joined += note;
    }
    const std::size_t capacity = kSlots[kNotes].capacity;
    cut = joined.size() > capacity;
    if (cut) {
        joined.resize(capacity);
        // Half a line break would be a stray character.
        if (joined.back() == '\r')
            joined.pop_back();
    }
    return joined;
}

MergeProposal proposeMerge(const std::vector<Record>& records) {
    MergeProposal proposal;
    if (records.empty())
        return proposal;
    proposal.merged.tag = records.front().tag;
    for (int slot = 0; slot < kSlotCount; ++slot) {
        if (slot == kNotes)
            continue;
        for (const Record& r : records)
            if (r.texts[slot].size() > proposal.merged.texts[slot].size())
                proposal.merged.texts[slot] = r.texts[slot];
    }
    proposal.merged.texts[kNotes] = joinNotes(records, proposal.notesCut);
    return proposal;
}

} // namespace core
