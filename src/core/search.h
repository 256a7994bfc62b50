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

// The characters c for which palabra(needle + c, haystack) holds, added to `out` as bits
// (character c is bit c % 64 of word c / 64), in one reading of the haystack.
using CharacterSet = std::uint64_t[4];
void nextCharacters(std::string_view needle, std::string_view haystack, CharacterSet& out);

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

    // Reads on, for at most `records` more records, past the first match of the latest search
    // that found one. It lists every record that matches the same texts, with the texts the
    // boxes test, and notes for every character the first record that those texts with that
    // character more in a filled box match. The next key most often adds one character: its
    // first match, or that it has none, is then known without reading. Any other key that
    // extends the texts can only match a listed record: it tests the list, and reads only what
    // the list has not reached. The list stops growing at kMostListed bytes, the reading goes
    // on to the end of the file. Returns whether there is more to read. Nothing is read of a
    // file other than the one learned, or of one changed since.
    bool lookAhead(const fileio::File& file, std::int64_t records);
    static constexpr std::size_t kMostListed = 1 << 20;

    // Tests replace the file system's clock (nanoseconds of real time); nullptr restores it.
    static void setClock(std::int64_t (*now)());

  private:
    struct Learned {
        std::string box1, box2;
        std::int64_t first; // -1: none
    };
    void learn(std::string_view box1, std::string_view box2, std::int64_t first);
    // Whether the list answers for these texts, which the listed ones begin.
    bool listServes(std::string_view box1, std::string_view box2) const;
    // Keeps the listed records from `from` on that match these texts, now the listed ones.
    void narrowList(std::string_view box1, std::string_view box2, std::int64_t from);
    void startList(std::string_view box1, std::string_view box2, std::int64_t first);
    // Record `at`, which matches the listed texts, for the first matches of one more character.
    void noteNextKeys(std::int64_t at, std::string_view name, std::string_view second);

    fileio::Identity identity_;
    bool persons_ = true;
    std::vector<Learned> learned_; // the latest last

    // The records that match `box1`, `box2` from `from` up to `listEnd`, all of them, in file
    // order. Each entry's name, then (only when box2 is filled) its second text, lie in `texts`
    // from the previous entry's end. Up to `reached`, which the list reaches unless it is full,
    // `next[b][c]` is the first record where the texts with character c more in box b (a
    // filled one) match, -1 while none was met; `open[b]` has the characters still unmet.
    struct Listed {
        std::int64_t at;
        std::uint32_t nameEnd, end;
    };
    struct List {
        bool active = false, full = false;
        std::string box1, box2;
        std::int64_t from = 0, listEnd = 0, reached = 0;
        std::vector<Listed> entries;
        std::string texts;
        std::int64_t next[2][256];
        CharacterSet open[2];
    } list_;
};

} // namespace core
