#include "core/search.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <new>

namespace core {

namespace {

// Records read per block: 641 records are just over 1 MiB, few enough calls that the scan
// reads about as fast as the file can be read.
constexpr std::size_t kBlockRecords = 641;
constexpr std::size_t kPhonesCut = 200;
constexpr std::size_t kPage = 4096;

std::string_view slotView(const unsigned char* record, int slot) {
    const Slot& s = kSlots[slot];
    const std::size_t length = std::min<std::size_t>(record[s.offset], s.capacity);
    return {reinterpret_cast<const char*>(record + s.offset + 1), length};
}

// Only a-z: accented small letters stay as they are.
void appendAsciiUpper(std::string& out, std::string_view text) {
    for (char c : text)
        out.push_back(c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c);
}

void buildSecond(std::string_view a, std::string_view b, std::string_view c, bool persons,
                 std::string& out) {
    out.clear();
    if (persons) {
        out.append(a);
        out.append(b);
        if (out.size() > kPhonesCut)
            out.resize(kPhonesCut);
        out.append(c);
    } else {
        out.append(a);
        appendAsciiUpper(out, b);
    }
}

} // namespace

namespace {

// The matcher's reading of haystack[j]: `i`, the next character of the needle to compare, and
// `start`, where the needle's current word begins, move on. At a word's beginning every
// character but the word's first leaves the needle where it is, so `j` jumps to the next place
// the word can begin; false when there is none.
inline bool readOne(std::string_view needle, std::string_view haystack, std::size_t& i,
                    std::size_t& start, std::size_t& j) {
    const char ch = needle[i];
    if (i == start && ch != ' ') {
        const void* at = std::memchr(haystack.data() + j, ch, haystack.size() - j);
        if (!at)
            return false;
        j = static_cast<std::size_t>(static_cast<const char*>(at) - haystack.data());
        ++i;
    } else {
        if (ch == ' ')
            start = i + 1;
        if (ch == haystack[j])
            ++i;
        else
            i = start;
    }
    return true;
}

} // namespace

bool palabra(std::string_view needle, std::string_view haystack) {
    if (needle.empty())
        return !haystack.empty(); // the end of the needle is reached by the first character
    std::size_t i = 0;            // position in the needle
    std::size_t start = 0;        // beginning of the needle's current word
    for (std::size_t j = 0; j < haystack.size(); ++j) {
        if (!readOne(needle, haystack, i, start, j))
            return false;
        if (i >= needle.size())
            return true;
    }
    return false;
}

void nextCharacters(std::string_view needle, std::string_view haystack, CharacterSet& out) {
    const auto add = [&out](char ch) {
        const auto c = static_cast<unsigned char>(ch);
        out[c >> 6] |= std::uint64_t{1} << (c & 63);
    };
    // palabra's reading of the needle with a character c more, for every c at once. Up to the
    // needle's end c is never looked at, so the readings are one. There, c is compared with the
    // character at hand: that character ends a match. Every other c mismatches, and the reading
    // goes on from its word's beginning without c again until the needle's end comes back.
    const std::size_t n = needle.size();
    std::size_t i = 0, start = 0;
    bool blank = false;
    for (std::size_t j = 0; j < haystack.size(); ++j) {
        if (i == n) {
            if (!blank) // a blank takes whatever character follows
                add(' ');
            blank = true;
            if (start == n) { // c begins a word: it is looked for in the rest of the haystack
                for (; j < haystack.size(); ++j)
                    add(haystack[j]);
                return;
            }
            add(haystack[j]);
            i = start;
            continue;
        }
        if (!readOne(needle, haystack, i, start, j))
            return;
    }
}

bool busca(std::string_view box1, std::string_view box2, std::string_view name,
           std::string_view second) {
    if (box1.empty() && box2.empty())
        return false;
    if (!box1.empty() && !palabra(box1, name))
        return false;
    return box2.empty() || palabra(box2, second);
}

void secondText(const unsigned char* record, bool persons, std::string& out) {
    if (persons)
        buildSecond(slotView(record, person::Phone), slotView(record, person::Mobile),
                    slotView(record, person::OtherPhone), true, out);
    else
        buildSecond(slotView(record, company::Business), slotView(record, company::WebSite), {},
                    false, out);
}

std::string secondText(const Record& record, bool persons) {
    std::string out;
    if (persons)
        buildSecond(record.texts[person::Phone], record.texts[person::Mobile],
                    record.texts[person::OtherPhone], true, out);
    else
        buildSecond(record.texts[company::Business], record.texts[company::WebSite], {}, false,
                    out);
    return out;
}

namespace {

// Hands records `from` to `to` (exclusive) of a file of `count` records to `each` (its number,
// its bytes), read in large blocks, until `each` returns true or the records end. Returns the
// number of the record it stopped at, or -1.
template <typename Each>
std::int64_t forEachRecord(const fileio::File& file, std::int64_t count, std::int64_t from,
                           std::int64_t to, Each&& each) {
    to = std::min(to, count);
    if (from >= to)
        return -1;
    // Not zeroed: every byte tested is read first. No larger than the records to be read. On a
    // page boundary: a read from a page boundary (the first record's) into a buffer 16 bytes
    // past one, where the allocator puts a large block, costs some processors three times
    // the copying.
    const auto blockRecords = static_cast<std::size_t>(
        std::min<std::int64_t>(to - from, static_cast<std::int64_t>(kBlockRecords)));
    const std::size_t pages = (blockRecords * kRecordSize + kPage - 1) / kPage;
    const std::unique_ptr<unsigned char, decltype(&std::free)> block(
        static_cast<unsigned char*>(std::aligned_alloc(kPage, pages * kPage)), &std::free);
    if (!block)
        throw std::bad_alloc();
    for (std::int64_t first = from; first < to;) {
        const auto n = static_cast<std::size_t>(
            std::min<std::int64_t>(to - first, static_cast<std::int64_t>(blockRecords)));
        file.readExactAt(static_cast<std::uint64_t>(first) * kRecordSize, block.get(),
                         n * kRecordSize);
        for (std::size_t k = 0; k < n; ++k)
            if (each(first + static_cast<std::int64_t>(k), block.get() + k * kRecordSize))
                return first + static_cast<std::int64_t>(k);
        first += static_cast<std::int64_t>(n);
    }
    return -1;
}

// As busca, but the second text is put together only for a record whose name passed box 1:
// most records of a search fail there. `second` is left holding it when it was put together.
bool matches(const unsigned char* record, bool persons, std::string_view box1,
             std::string_view box2, std::string& second) {
    bool match = box1.empty() ? !box2.empty() : palabra(box1, slotView(record, 0));
    if (match && !box2.empty()) {
        secondText(record, persons, second);
        match = palabra(box2, second);
    }
    return match;
}

// Records `from` to `to` (exclusive) of a file of `count` records, as findRecord tests them.
std::int64_t scanRange(const fileio::File& file, std::int64_t count, std::int64_t from,
                       std::int64_t to, bool persons, std::string_view box1, std::string_view box2,
                       bool& lastTest) {
    std::string second;
    second.reserve(kPhonesCut + 256);
    return forEachRecord(file, count, from, to, [&](std::int64_t, const unsigned char* record) {
        lastTest = matches(record, persons, box1, box2, second);
        return lastTest;
    });
}

bool startsWith(std::string_view text, std::string_view start) {
    return text.substr(0, start.size()) == start;
}

std::int64_t (*searchClock)() = fileio::fileSystemClock;

// Enough for every text typed into the boxes since the file was last changed, and small.
constexpr std::size_t kMostLearned = 64;

} // namespace

std::int64_t findRecord(const fileio::File& file, std::int64_t start, bool persons,
                        std::string_view box1, std::string_view box2, bool& lastTest,
                        std::int64_t* recordCount) {
    const auto count = static_cast<std::int64_t>(file.size() / kRecordSize);
    if (recordCount)
        *recordCount = count;
    return scanRange(file, count, std::max<std::int64_t>(start, 0), count, persons, box1, box2,
                     lastTest);
}

namespace {

// The box that `box1`, `box2` fill with one character more than `was1`, `was2`, the other box
// as it was: 0 or 1, and the character; -1 for any other change.
int oneMore(std::string_view box1, std::string_view box2, std::string_view was1,
            std::string_view was2, unsigned char& c) {
    if (box2 == was2 && box1.size() == was1.size() + 1 && startsWith(box1, was1)) {
        c = static_cast<unsigned char>(box1.back());
        return 0;
    }
    if (box1 == was1 && box2.size() == was2.size() + 1 && startsWith(box2, was2)) {
        c = static_cast<unsigned char>(box2.back());
        return 1;
    }
    return -1;
}

} // namespace

std::int64_t SearchMemory::findFirst(const fileio::File& file, bool persons, std::string_view box1,
                                     std::string_view box2, bool& lastTest,
                                     std::int64_t* recordCount) {
    const std::int64_t now = searchClock();
    const fileio::Identity id = file.identity();
    // A write after this status would show in the identity, unless the clock has not yet moved
    // past the file's last write.
    const bool trusted = fileio::laterWritesShow(id, now);
    if (!trusted || id != identity_ || persons != persons_) {
        forget();
        identity_ = id;
        persons_ = persons;
    }
    if (!trusted || (box1.empty() && box2.empty())) {
        list_.active = false;
        return findRecord(file, 0, persons, box1, box2, lastTest, recordCount);
    }

    const auto count = static_cast<std::int64_t>(id.size / kRecordSize);
    if (recordCount)
        *recordCount = count;
    std::int64_t from = 0, to = count; // the first match is in [from, to], `to` itself a match
    bool none = false;
    for (const Learned& l : learned_) {
        if (startsWith(box1, l.box1) && startsWith(box2, l.box2)) {
            none = none || l.first < 0;
            from = std::max(from, l.first);
        }
        if (l.first >= 0 && startsWith(l.box1, box1) && startsWith(l.box2, box2))
            to = std::min(to, l.first);
    }
    std::int64_t first = -1;
    bool known = false; // the first match found without reading
    const bool listed = listServes(box1, box2);
    if (!none && listed) {
        // No record before the list's first matches the listed texts, so none matches these.
        from = std::max(from, list_.from);
        unsigned char c = 0;
        const int box = oneMore(box1, box2, list_.box1, list_.box2, c);
        if (box >= 0 && !(box ? list_.box2 : list_.box1).empty() &&
            !(list_.open[box][c >> 6] >> (c & 63) & 1)) {
            first = list_.next[box][c]; // the first of those met up to `reached`
            known = true;
        } else if (box >= 0 && !(box ? list_.box2 : list_.box1).empty()) {
            from = std::max(from, list_.reached); // none up to `reached`
        } else {
            // Every record that matches these texts before the list's end is listed.
            const std::int64_t end = std::min(to, list_.listEnd);
            std::uint32_t begin = 0;
            for (const Listed& e : list_.entries) {
                if (e.at >= end)
                    break;
                const std::string_view name(list_.texts.data() + begin, e.nameEnd - begin);
                const std::string_view second(list_.texts.data() + e.nameEnd, e.end - e.nameEnd);
                begin = e.end;
                if (e.at >= from && busca(box1, box2, name, second)) {
                    first = e.at;
                    known = true;
                    break;
                }
            }
            from = std::max(from, list_.listEnd);
        }
    }
    if (!none && !known) {
        first = scanRange(file, count, from, to, persons, box1, box2, lastTest);
        if (first < 0 && to < count)
            first = to;
    }
    if (count > 0)
        lastTest = first >= 0;
    learn(box1, box2, first);
    if (first < 0)
        list_.active = false;
    else if (listed && first < list_.listEnd)
        narrowList(box1, box2, first);
    else
        startList(box1, box2, first);
    return first;
}

bool SearchMemory::listServes(std::string_view box1, std::string_view box2) const {
    // The second texts are listed only for texts with box 2 filled.
    return list_.active && startsWith(box1, list_.box1) && startsWith(box2, list_.box2) &&
           (box2.empty() || !list_.box2.empty());
}

void SearchMemory::startList(std::string_view box1, std::string_view box2, std::int64_t first) {
    // The match itself is listed by the first look ahead, which starts there.
    list_.active = true;
    list_.full = false;
    list_.box1.assign(box1);
    list_.box2.assign(box2);
    list_.from = list_.listEnd = list_.reached = first;
    list_.entries.clear();
    list_.texts.clear();
    for (int box = 0; box < 2; ++box) {
        std::fill(std::begin(list_.next[box]), std::end(list_.next[box]), -1);
        const bool filled = !(box ? box2 : box1).empty();
        std::fill(std::begin(list_.open[box]), std::end(list_.open[box]),
                  filled ? ~std::uint64_t{0} : 0);
    }
}

void SearchMemory::narrowList(std::string_view box1, std::string_view box2, std::int64_t from) {
    const std::int64_t listEnd = list_.listEnd;
    std::vector<Listed> entries = std::move(list_.entries);
    std::string texts = std::move(list_.texts);
    startList(box1, box2, from);
    // Moved down in place: every kept entry's texts go to or below where they were.
    std::size_t kept = 0;
    std::uint32_t begin = 0, out = 0;
    const bool seconds = !box2.empty();
    for (const Listed& e : entries) {
        const std::string_view name(texts.data() + begin, e.nameEnd - begin);
        const std::string_view second(texts.data() + e.nameEnd, e.end - e.nameEnd);
        begin = e.end;
        if (e.at < from || !busca(box1, box2, name, second))
            continue;
        std::memmove(texts.data() + out, name.data(), name.size());
        const auto nameEnd = static_cast<std::uint32_t>(out + name.size());
        std::memmove(texts.data() + nameEnd, second.data(), second.size());
        out = static_cast<std::uint32_t>(nameEnd + (seconds ? second.size() : 0));
        entries[kept++] = {e.at, nameEnd, out};
        noteNextKeys(e.at, {texts.data() + nameEnd - name.size(), name.size()},
                     {texts.data() + nameEnd, out - nameEnd});
    }
    entries.resize(kept);
    texts.resize(out);
    list_.entries = std::move(entries);
    list_.texts = std::move(texts);
    list_.listEnd = list_.reached = listEnd; // the file is read on from the list's end
}

void SearchMemory::noteNextKeys(std::int64_t at, std::string_view name, std::string_view second) {
    for (int box = 0; box < 2; ++box) {
        CharacterSet& open = list_.open[box];
        if (!(open[0] | open[1] | open[2] | open[3]))
            continue;
        CharacterSet ends = {};
        nextCharacters(box ? list_.box2 : list_.box1, box ? second : name, ends);
        for (int word = 0; word < 4; ++word) {
            const std::uint64_t met = ends[word] & open[word];
            for (std::uint64_t bits = met; bits; bits &= bits - 1)
                list_.next[box][word * 64 + __builtin_ctzll(bits)] = at;
            open[word] &= ~met;
        }
    }
}

bool SearchMemory::lookAhead(const fileio::File& file, std::int64_t records) {
    if (!list_.active)
        return false;
    const std::int64_t now = searchClock();
    const fileio::Identity id = file.identity();
    if (!fileio::laterWritesShow(id, now) || id != identity_) {
        forget();
        return false;
    }
    const auto count = static_cast<std::int64_t>(id.size / kRecordSize);
    const std::int64_t to = std::min(count, list_.reached + std::max<std::int64_t>(records, 1));
    const bool seconds = !list_.box2.empty();
    std::string second;
    forEachRecord(
        file, count, list_.reached, to, [&](std::int64_t at, const unsigned char* record) {
            if (!matches(record, persons_, list_.box1, list_.box2, second))
                return false;
            const std::string_view name = slotView(record, 0);
            if (!list_.full) {
                const std::size_t end =
                    list_.texts.size() + name.size() + (seconds ? second.size() : 0);
                list_.full = (list_.entries.size() + 1) * sizeof(Listed) + end > kMostListed;
                if (list_.full) {
                    list_.listEnd = at; // the list ends before this record
                } else {
                    list_.texts.append(name);
                    const auto nameEnd = static_cast<std::uint32_t>(list_.texts.size());
                    if (seconds)
                        list_.texts.append(second);
                    list_.entries.push_back({at, nameEnd, static_cast<std::uint32_t>(end)});
                }
            }
            noteNextKeys(at, name, seconds ? std::string_view(second) : std::string_view());
            return false;
        });
    list_.reached = to;
    if (!list_.full)
        list_.listEnd = to;
    return to < count;
}

void SearchMemory::learn(std::string_view box1, std::string_view box2, std::int64_t first) {
    if (learned_.size() >= kMostLearned)
        learned_.erase(learned_.begin());
    learned_.push_back({std::string(box1), std::string(box2), first});
}

void SearchMemory::forget() {
    learned_.clear();
    list_ = List{};
    identity_ = {};
}

void SearchMemory::setClock(std::int64_t (*now)()) {
    searchClock = now ? now : fileio::fileSystemClock;
}

} // namespace core
