// Finding records by the two search boxes: the word-sequence matcher, the test of one record,
// the second text a record is matched against, and the scan of a data file.
#pragma once

#include "core/fileio.h"
#include "core/record.h"

#include <cstdint>
#include <string>
#include <string_view>

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

} // namespace core
