// Finding records that are probably one contact typed twice, and the record that merges them.
// Records are linked by keys taken from their texts (name, numbers, e-mail, web site); linked
// records form one group. The file is read once, and only the keys are kept while it is.
#pragma once

#include "core/record.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace core {

namespace fs = std::filesystem;

// What two records of a group share (bits of DuplicateGroup::links).
enum LinkKind : unsigned {
    LinkName = 1,  // the same words in the name, in any order
    LinkPhone = 2, // a telephone (or fax) number
    LinkEmail = 4, // an e-mail address
    LinkWeb = 8,   // a web site
};

struct DuplicateGroup {
    std::vector<std::int64_t> records;       // record numbers, ascending; two or more
    std::vector<std::uint64_t> fingerprints; // of each record's texts and tag, as read
    unsigned links = 0;                      // what at least two of its records share
};

// The text for comparison: letters in capitals without their accents ("Ñ" as "N", "ß" as
// "SS"), digits kept, every other character a separator; words separated by one blank.
std::string foldText(std::string_view text);
// The folded name with its words sorted: equal for "Pérez, Juan" and "JUAN PEREZ".
std::string nameKey(std::string_view name);
// Each number of the text (pieces split at characters that no number is written with) by its
// digits alone, the last 8 where it has more; pieces of fewer than 6 digits are no number.
std::vector<std::string> phoneKeys(std::string_view text);
// Each word of the text holding an "@", in small letters, without a leading "mailto:".
std::vector<std::string> emailKeys(std::string_view text);
// Each word of the text holding a ".", in small letters, without its scheme ("http://"), a
// leading "www." and trailing slashes.
std::vector<std::string> webKeys(std::string_view text);

// The groups of the data file, in the order of their first records. `persons` tells which
// slots hold what: persons link by name, numbers and e-mail; companies also by web site.
std::vector<DuplicateGroup> findDuplicates(const fs::path& file, bool persons);

// The name of each group's first record, from one open of the file.
std::vector<std::string> groupNames(const fs::path& file,
                                    const std::vector<DuplicateGroup>& groups);

// The group's records as the file holds them now, or nothing when any of them is no longer the
// record that was grouped (another instance changed the file since).
std::optional<std::vector<Record>> readGroup(const fs::path& file, const DuplicateGroup& group);

// After group `merged` was written as one record that received number `position`: the group is
// gone and the other groups' records carry their new numbers.
void renumberAfterMerge(std::vector<DuplicateGroup>& groups, std::size_t merged,
                        std::int64_t position);

// The distinct non-empty notes of the records, in their order, one per line, cut at the slot's
// capacity; `cut` tells whether anything was left out.
std::string joinNotes(const std::vector<Record>& records, bool& cut);

// The record a merge proposes: each slot's longest non-empty text (the first of equal length),
// the notes joined; `notesCut` tells whether the joined notes had to be cut.
struct MergeProposal {
    Record merged;
    bool notesCut = false;
};
MergeProposal proposeMerge(const std::vector<Record>& records);

} // namespace core
