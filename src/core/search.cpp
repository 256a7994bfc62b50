#include "core/search.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace core {

namespace {

// Records read per block: 641 records are just over 1 MiB, few enough calls that the scan
// reads about as fast as the file can be read.
constexpr std::size_t kBlockRecords = 641;
constexpr std::size_t kPhonesCut = 200;

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

std::int64_t findRecord(const fileio::File& file, std::int64_t start, bool persons,
                        std::string_view box1, std::string_view box2, bool& lastTest,
                        std::int64_t* recordCount) {
    const auto count = static_cast<std::int64_t>(file.size() / kRecordSize);
    if (recordCount)
        *recordCount = count;
    const std::int64_t from = std::max<std::int64_t>(start, 0);
    if (from >= count)
        return -1;
    // Not zeroed: every byte tested is read first. No larger than the records to be read.
    const auto blockRecords = static_cast<std::size_t>(
        std::min<std::int64_t>(count - from, static_cast<std::int64_t>(kBlockRecords)));
    const std::unique_ptr<unsigned char[]> block(new unsigned char[blockRecords * kRecordSize]);
    std::string second;
    second.reserve(kPhonesCut + 256);
    for (std::int64_t first = from; first < count;) {
        const auto n = static_cast<std::size_t>(
            std::min<std::int64_t>(count - first, static_cast<std::int64_t>(blockRecords)));
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

} // namespace core
