// Data files: headerless sequences of 1636-byte records. Each function opens the file, works
// and closes it again; nothing stays open between calls.
#pragma once

#include "core/record.h"

#include <cstdint>
#include <filesystem>

namespace core {

namespace fs = std::filesystem;

namespace fileio {
class File;
}

// size div 1636; the fragment of an incomplete last record is never read.
std::int64_t recordCount(const fs::path& file);
// Throws IoError when n is not a record of the file.
Record readRecord(const fs::path& file, std::int64_t n);

// What showing a record takes from the file, in one open and one read: the record count and
// record min(n, count - 1) with its number (-1, and nothing read, in an empty file). Throws
// IoError for a negative n in a file with records.
struct RecordInView {
    std::int64_t count = 0;
    std::int64_t number = -1;
    Record record;
};
RecordInView readRecordInView(const fs::path& file, std::int64_t n);

// Whether the file can serve as a persons (tag 20) / companies (tag 1020) file: false for an
// empty path, a missing or read-only file (without opening it); true for an empty file; else
// whether it holds whole records (see holdsKind) and record 0 carries the tag.
bool esdepersonas(const fs::path& file);
bool esdeempresas(const fs::path& file);

// Whether the open file, `size` bytes long, can take records of the kind `tag`: it is empty,
// or it is a whole number of records and record 0 carries the tag (with tag 0, either kind's).
// Files of ours never hold anything else; one that does belongs to another program and is
// never written over.
bool holdsKind(const fileio::File& file, std::uint64_t size, std::int32_t tag);

// Whether both names lead to one existing file (links and other spellings included).
bool sameFile(const fs::path& a, const fs::path& b);

// Creates the file, or replaces it, with zero records: an empty file written beside it and
// renamed over it, so that a failure leaves an existing file as it was.
void createEmptyDataFile(const fs::path& file);

} // namespace core
