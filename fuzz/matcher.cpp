// The matcher and the search scan fed arbitrary search texts and records. Input: a flag byte
// (bit 0: persons), the lengths of box 1 and box 2, their texts, then the haystack, which is
// also taken as a data file.
//
// Each word of a needle that matches occurs whole in the haystack (a blank in the needle takes
// up one character of any kind); a text is found in itself and stays found when more follows
// it. The scan of a file finds the first record that the matcher finds in the record as read
// through the record codec.
#include "fuzzcheck.h"

#include "../tests/support/plainmatch.h"
#include "core/fileio.h"
#include "core/record.h"
#include "core/search.h"

#include <algorithm>
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
    if (haystack.n >= core::kRecordSize)
        checkScan(data + n1 + n2, haystack.n, persons, box1.view(), box2.view());
    return 0;
}
