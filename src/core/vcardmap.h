// Contacts in and out: the cards of a vCard file as records of the persons or companies file,
// and records as vCard 3.0 cards. docs/vcard.md holds the table of both directions.
#pragma once

#include "core/progress.h"
#include "core/record.h"
#include "core/rewrite.h"
#include "core/vcard.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace core {

namespace fs = std::filesystem;

// What the records' code page and slots could not take of the cards.
struct CardLosses {
    std::int64_t cut = 0;           // texts cut to their slot's capacity
    std::int64_t replaced = 0;      // characters Windows-1252 cannot hold, stored as "?"
    std::int64_t emailsInNotes = 0; // addresses past the record's e-mail slots, kept in its notes
};

// One card as a record of the kind (tag included); the first four slots in capitals, as the
// entry dialog stores them.
Record recordFromCard(const vcard::Card& card, bool persons, CardLosses& losses);
// Nine UTF-8 texts in slot order as a record of the kind, as every import stores them: in
// Windows-1252 (a character it lacks as "?"), the first four in capitals, each cut to its slot,
// line breaks as CR LF (in the address ", ").
Record recordFromTexts(std::array<std::string, kSlotCount> texts, bool persons, CardLosses& losses);
// One record as a vCard 3.0 card in UTF-8 with CR LF line ends.
std::string cardFromRecord(const Record& record, bool persons);

struct VCardFile {
    vcard::ReadError error = vcard::ReadError::None;
    std::size_t line = 0;
    std::vector<Record> records; // one per card, in file order
    CardLosses losses;
};
// Reads a .vcf file (read only; it is never changed). A failure to read it throws IoError; a
// file that is no vCard comes back with its error and no records.
VCardFile readVCardFile(const fs::path& file, bool persons);

// Writes the records as cards into the file, replacing it in one step.
void writeVCardFile(const fs::path& file, const std::vector<Record>& records, bool persons);

struct NewRecords {
    std::vector<Record> records; // in arrival order
    std::int64_t present = 0;    // equal in all nine texts to a record of the data file, or to
                                 // an earlier one of the same batch
};
// The records the data file does not hold yet; a missing data file holds none.
NewRecords newRecordsFor(const fs::path& dataFile, const std::vector<Record>& records);
// The same, moving the new records out of `records` instead of copying them.
NewRecords newRecordsFor(const fs::path& dataFile, std::vector<Record>&& records);

// Every record of a data file, in file order; a missing file has none.
std::vector<Record> readAllRecords(const fs::path& dataFile);

// Appends `part`, when it has text, to a list written as one text, after `separator` when the
// list already holds something.
void appendJoined(std::string& out, std::string_view part, std::string_view separator);

} // namespace core
