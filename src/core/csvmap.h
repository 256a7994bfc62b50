// Contacts in and out of CSV tables: the rows of a table as records of the persons or companies
// file, and the records of a data file as a table in one of two layouts. docs/csv.md holds the
// table of the columns.
#pragma once

#include "core/csv.h"
#include "core/record.h"
#include "core/vcardmap.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace core {

namespace fs = std::filesystem;

enum class CsvLayout {
    Own,     // the labels of the nine fields, in slot order
    WebMail, // the columns that web-mail contact pages import, the whole name as the full name
};

// Writes the header and a row for each record of the data file, in file order: UTF-8 with a
// byte-order mark, CR LF, fields quoted where they need it. The file is replaced in one step,
// so a failure leaves what was there before. Returns how many records were written.
std::int64_t writeCsvFile(const fs::path& dataFile, bool persons, CsvLayout layout,
                          const fs::path& out);
// The header row of a layout, CR LF included.
std::string csvHeader(bool persons, CsvLayout layout);

namespace csvmap {
// What a column of a known export holds; the rows of such a table become records through the
// vCard import's own mapping.
enum class Role : std::uint8_t {
    None,
    FullName,
    GivenName,
    MiddleName,
    FamilyName,
    NamePrefix,
    NameSuffix,
    Organization,
    Department,
    JobTitle,
    JobRole,
    Phone, // `type` is its vCard TYPE, or the row's value of the type column of its group
    PhoneType,
    Email,
    Website,
    Notes,
    Address, // a whole address; the parts below are joined as the vCard ADR orders them
    PoBox,
    Extended,
    Street,
    City,
    Region,
    PostalCode,
    Country,
    CustomType,
    CustomValue,
};
struct Column {
    Role role = Role::None;
    int group = 0;    // the columns of one numbered entry or one address share it
    std::string type; // of a Phone column that tells its kind in its name
};
} // namespace csvmap

// How the columns of a table become the slots of a record.
struct CsvMapping {
    // The header is the program's own or one of the known exports: no one need be asked.
    bool known = false;
    // Each column's slot, -1 for none; several columns into one slot are joined. Used when
    // `roles` is empty.
    std::vector<int> slotOf;
    std::vector<csvmap::Column> roles;
};

// The mapping of a header: the program's own labels of the kind, or a known export (known); else
// a suggestion for the user to correct: the slot each column's name points to, -1 elsewhere.
CsvMapping csvMappingFor(const std::vector<std::string>& header, bool persons);

struct CsvFile {
    csv::ReadError error = csv::ReadError::None;
    std::size_t line = 0, fields = 0, columns = 0; // of a ragged row: its fields, the header's
    std::vector<Record> records;                   // one per row with text, in file order
    CardLosses losses;
    std::int64_t emptyRows = 0; // rows whose mapped columns are all empty
};
// Reads every row of the table through the mapping (the file is never changed). A failure to
// read it throws IoError; a file that is no table comes back with its error and no records.
CsvFile readCsvFile(const fs::path& file, bool persons, const CsvMapping& mapping);
// The same with the rows a reader has not handed out yet (the file's, after its header).
CsvFile readCsvFile(csv::Reader& reader, bool persons, const CsvMapping& mapping);

} // namespace core
