// Data files of the program's first version: 1506-byte records of six length-prefixed texts,
// only ever read, and how each becomes a record of this version.
#pragma once

#include "core/fileio.h"
#include "core/record.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace core {

constexpr std::size_t kV1RecordSize = 1506;
constexpr int kV1FieldCount = 6;
constexpr std::size_t kV1FieldCapacity = 250;

enum class Version1Kind { Persons, Companies };

// The kind follows from the file's name alone, compared byte for byte: "vivazo01.dat" holds
// persons, "dodidi02.dat" companies; any other name (capitals included) is neither.
std::optional<Version1Kind> version1Kind(const std::string& fileName);

using Version1Fields = std::array<std::string, kV1FieldCount>;

// A length byte above 250, which the first version never wrote, reads as 250, so a text never
// runs on into the next field.
Version1Fields readVersion1Fields(const unsigned char* raw);

// The record of this version the six fields feed; each text is cut to its slot's capacity, the
// slots no field feeds stay empty, and the tag is the kind's.
Record fromVersion1(const Version1Fields& fields, Version1Kind kind);

// An open version-1 file. Opened for reading and writing like every data file, so a read-only
// one is refused with an IoError; nothing is ever written to it.
class Version1File {
  public:
    explicit Version1File(const std::filesystem::path& path);
    // size div 1506: a trailing fragment is never read.
    std::int64_t count() const { return count_; }
    // Every record, in file order, as a record of this version.
    std::vector<Record> readAll(Version1Kind kind) const;
    void close() { file_.close(); }

  private:
    fileio::File file_;
    std::int64_t count_ = 0;
};

} // namespace core
