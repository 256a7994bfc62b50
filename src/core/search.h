// Finding records by the two search boxes: the word-sequence matcher, the test of one record,
// the second text a record is matched against, and the scan of a data file.
#pragma once

#include "core/fileio.h"
#include "core/record.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace core {

// Whether the needle's words occur in the haystack in order, each as a contiguous run. The
// haystack is read once and never goes back: a space in the needle takes up exactly one
// character, and after a mismatch the needle restarts at its current word's beginning with the
// next character of the haystack (the mismatching one is not tried again). Bytes compare
// exactly, so the match is case-sensitive.
bool palabra(std::string_view needle, std::string_view haystack);

// One record against both boxes: an empty box does not count; both empty never match.
bool busca(std::string_view box1, std::string_view box2, std::string_view name,
           std::string_view second);

// What box 2 is matched against. Persons: Phone and Mobile joined and cut to 200 characters,
// then OtherPhone. Companies: Business, then WebSite with only a-z made capital.
// `out` is reused so that a scan does not allocate per record.
void secondText(const unsigned char* record, bool persons, std::string& out);
std::string secondText(const Record& record, bool persons);

// Scans the open data file from record `start` to its end and returns the number of the first
// record that matches the boxes, or -1. `lastTest` takes the outcome of every record tested, so
// a read that fails midway leaves it as the last test left it. The file is read in large
// blocks; `recordCount` is the count the scan saw.
std::int64_t findRecord(const fileio::File& file, std::int64_t start, bool persons,
                        std::string_view box1, std::string_view box2, bool& lastTest,
                        std::int64_t* recordCount = nullptr);

// What earlier searches from the first record of one data file learned, so that the next one
// (most often the same texts with a character more) reads only what they left open. A text
// extended at its end can only match where the shorter one matched (see docs/performance.md),
// so a search from the first record needs nothing before the first match of any pair of texts
// its own extend, finds nothing where such a pair found nothing, and finds at the latest the
// first match of any pair of texts that extend its own. What is learned holds for one file as
// one open saw it; any other file or any later write makes it start over.
class SearchMemory {
  public:
    // As findRecord(file, 0, ...), with the same answer and the same `lastTest`.
    std::int64_t findFirst(const fileio::File& file, bool persons, std::string_view box1,
                           std::string_view box2, bool& lastTest,
                           std::int64_t* recordCount = nullptr);
    void forget();

    // Tests replace the file system's clock (nanoseconds of real time); nullptr restores it.
    static void setClock(std::int64_t (*now)());

  private:
    struct Learned {
        std::string box1, box2;
        std::int64_t first; // -1: none
    };
    void learn(std::string_view box1, std::string_view box2, std::int64_t first);

    fileio::Identity identity_;
    bool persons_ = true;
    std::vector<Learned> learned_; // the latest last
};

} // namespace core
