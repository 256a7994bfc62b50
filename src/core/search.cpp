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

bool palabra(std::string_view needle, std::string_view haystack) {
    if (needle.empty())
        return !haystack.empty(); // the end of the needle is reached by the first character
    std::size_t i = 0;            // position in the needle
    std::size_t start = 0;        // beginning of the needle's current word
    for (std::size_t j = 0; j < haystack.size(); ++j) {
        const char ch = needle[i];
        if (i == start && ch != ' ') {
            // At a word's beginning every character but the word's first leaves the needle
            // where it is, so the next place the word can begin is the next such character.
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
        if (i >= needle.size())
            return true;
    }
    return false;
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

// Records `from` to `to` (exclusive) of a file of `count` records, as findRecord tests them.
std::int64_t scanRange(const fileio::File& file, std::int64_t count, std::int64_t from,
                       std::int64_t to, bool persons, std::string_view box1, std::string_view box2,
                       bool& lastTest) {
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
    std::string second;
    second.reserve(kPhonesCut + 256);
    for (std::int64_t first = from; first < to;) {
        const auto n = static_cast<std::size_t>(
            std::min<std::int64_t>(to - first, static_cast<std::int64_t>(blockRecords)));
        file.readExactAt(static_cast<std::uint64_t>(first) * kRecordSize, block.get(),
                         n * kRecordSize);
        for (std::size_t k = 0; k < n; ++k) {
            // As busca, but the second text is put together only for a record whose name
            // passed box 1: most records of a search fail there.
            const unsigned char* record = block.get() + k * kRecordSize;
            lastTest = box1.empty() ? !box2.empty() : palabra(box1, slotView(record, 0));
            if (lastTest && !box2.empty()) {
                secondText(record, persons, second);
                lastTest = palabra(box2, second);
            }
            if (lastTest)
                return first + static_cast<std::int64_t>(k);
        }
        first += static_cast<std::int64_t>(n);
    }
    return -1;
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

std::int64_t SearchMemory::findFirst(const fileio::File& file, bool persons, std::string_view box1,
                                     std::string_view box2, bool& lastTest,
                                     std::int64_t* recordCount) {
    // A write after this status sets a modification time of the clock's reading or later, so
    // the identity tells it, provided the clock has moved past the last write already. A file
    // system that keeps whole seconds cannot tell within a second, so its files are not
    // trusted.
    const std::int64_t now = searchClock();
    const fileio::Identity id = file.identity();
    const bool trusted = id.inode != 0 && id.modifiedNs % 1000000000 != 0 && now > id.modifiedNs;
    if (!trusted || id != identity_ || persons != persons_) {
        forget();
        identity_ = id;
        persons_ = persons;
    }
    if (!trusted || (box1.empty() && box2.empty()))
        return findRecord(file, 0, persons, box1, box2, lastTest, recordCount);

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
    if (!none) {
        first = scanRange(file, count, from, to, persons, box1, box2, lastTest);
        if (first < 0 && to < count)
            first = to;
    }
    if (count > 0)
        lastTest = first >= 0;
    learn(box1, box2, first);
    return first;
}

void SearchMemory::learn(std::string_view box1, std::string_view box2, std::int64_t first) {
    if (learned_.size() >= kMostLearned)
        learned_.erase(learned_.begin());
    learned_.push_back({std::string(box1), std::string(box2), first});
}

void SearchMemory::forget() {
    learned_.clear();
    identity_ = {};
}

void SearchMemory::setClock(std::int64_t (*now)()) {
    searchClock = now ? now : fileio::fileSystemClock;
}

} // namespace core
