// The matcher and the search scan fed arbitrary search texts and records. Input: a flag byte
// (bit 0: persons), the lengths of box 1 and box 2, their texts, then the haystack, which is
// also taken as a data file.
//
// Each word of a needle that matches occurs whole in the haystack (a blank in the needle takes
// up one character of any kind); a text is found in itself and stays found when more follows
// it. The characters that the reading of every next character at once gives are exactly those
// with which the needle, one character longer, matches. The scan of a file finds the first
// record that the matcher finds in the record as read through the record codec. Box 1 is also
// read as a script of typing, deleting, pasting and editing in the middle of both boxes, with
// the characters of box 2, and of reading ahead between keys: at every step the searches'
// memory answers what a search from the first record answers.
#include "fuzzcheck.h"

#include "../tests/support/plainmatch.h"
#include "core/fileio.h"
#include "core/record.h"
#include "core/search.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

namespace {

// A copy of exactly its size, so that a read past its end is caught.
struct Exact {
    Exact(const std::uint8_t* data, std::size_t size)
        : bytes(new char[size + (size == 0)]), n(size) {
        if (size)
            std::memcpy(bytes.get(), data, size);
    }
    std::string_view view() const { return {bytes.get(), n}; }
    std::unique_ptr<char[]> bytes;
    std::size_t n;
};

void checkWords(std::string_view needle, std::string_view haystack) {
    std::size_t start = 0;
    while (start <= needle.size()) {
        const std::size_t end = std::min(needle.find(' ', start), needle.size());
        const std::string_view word = needle.substr(start, end - start);
        FUZZ_CHECK(haystack.find(word) != std::string_view::npos);
        start = end + 1;
    }
}

void checkMatcher(std::string_view needle, std::string_view haystack) {
    FUZZ_CHECK(core::palabra(needle, haystack) ==
               testsupport::readEveryCharacter(needle, haystack));
    core::CharacterSet next = {};
    core::nextCharacters(needle, haystack, next);
    std::string more(needle);
    more.push_back(' ');
    for (int c = 0; c < 256; ++c) {
        more.back() = static_cast<char>(c);
        FUZZ_CHECK((next[c >> 6] >> (c & 63) & 1) == core::palabra(more, haystack));
    }
    if (!needle.empty())
        FUZZ_CHECK(core::palabra(needle, needle));
    if (needle.empty() || !core::palabra(needle, haystack))
        return;
    checkWords(needle, haystack);
    const std::string longer = std::string(haystack) + std::string(needle);
    const Exact extended(reinterpret_cast<const std::uint8_t*>(longer.data()), longer.size());
    FUZZ_CHECK(core::palabra(needle, extended.view()));
}

void checkScan(const std::uint8_t* data, std::size_t size, bool persons, std::string_view box1,
               std::string_view box2) {
    const auto file = fuzz::writeScratch("datos.dat", data, size);
    core::fileio::File f = core::fileio::openReadWrite(file);
    bool lastTest = false;
    std::int64_t count = -1;
    const std::int64_t found = core::findRecord(f, 0, persons, box1, box2, lastTest, &count);
    f.close();
    FUZZ_CHECK(count == static_cast<std::int64_t>(size / core::kRecordSize));
    std::int64_t expected = -1;
    for (std::int64_t n = 0; n < count && expected < 0; ++n) {
        const core::Record record = core::decodeRecord(data + n * core::kRecordSize);
        std::string second;
        core::secondText(data + n * core::kRecordSize, persons, second);
        FUZZ_CHECK(second == core::secondText(record, persons));
        if (core::busca(box1, box2, record.texts[0], second))
            expected = n;
    }
    FUZZ_CHECK(found == expected);
    FUZZ_CHECK(count == 0 || lastTest == (found >= 0));
}

void checkTyping(const std::filesystem::path& file, bool persons, std::string_view script,
                 std::string_view characters) {
    // Long written, so that the memory trusts the file.
    std::filesystem::last_write_time(file, std::filesystem::file_time_type::clock::now() -
                                               std::chrono::hours(1));
    core::fileio::File f = core::fileio::openReadWrite(file);
    core::SearchMemory memory;
    std::string boxes[2];
    std::size_t k = 0;
    const auto character = [&](unsigned char b) {
        return characters.empty() ? static_cast<char>(b) : characters[k++ % characters.size()];
    };
    for (const char op : script) {
        const auto b = static_cast<unsigned char>(op);
        std::string& box = boxes[b >> 7];
        switch (b & 7) {
        case 0:
            if (!box.empty())
                box.pop_back();
            break;
        case 1:
            for (int n = (b >> 3 & 7) + 1; n > 0; --n) // a paste
                box += character(b);
            break;
        case 2:
            box.clear();
            break;
        case 3:
            box.insert(box.size() / 2, 1, character(b));
            break;
        case 4: // the window reading ahead before the key
            memory.lookAhead(f, b >> 3 & 15 ? b >> 3 & 15 : 1 << 20);
            box += character(b);
            break;
        default:
            box += character(b);
        }
        bool freshLast = false, memoryLast = false;
        const std::int64_t fresh = core::findRecord(f, 0, persons, boxes[0], boxes[1], freshLast);
        FUZZ_CHECK(memory.findFirst(f, persons, boxes[0], boxes[1], memoryLast) == fresh);
        FUZZ_CHECK(memoryLast == freshLast);
    }
    f.close();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3 || size > 64 * 1024)
        return 0;
    const bool persons = data[0] & 1;
    std::size_t n1 = data[1], n2 = data[2];
    data += 3;
    size -= 3;
    n1 = std::min(n1, size);
    n2 = std::min(n2, size - n1);
    const Exact box1(data, n1), box2(data + n1, n2);
    const Exact haystack(data + n1 + n2, size - n1 - n2);
    checkMatcher(box1.view(), haystack.view());
    checkMatcher(box2.view(), haystack.view());
    checkMatcher(box1.view(), box2.view());
    if (haystack.n >= core::kRecordSize) {
        checkScan(data + n1 + n2, haystack.n, persons, box1.view(), box2.view());
        checkTyping(fuzz::scratchDir() / "datos.dat", persons, box1.view(), box2.view());
    }
    return 0;
}
