// Tables in CSV files as spreadsheets and web-mail pages write them (RFC 4180 and the quirks of
// real writers): a reader that streams the file a piece at a time, and the quoting of a writer.
// Fields are UTF-8 here; the mapping to records converts them.
#pragma once

#include "core/fileio.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace core::csv {

namespace fs = std::filesystem;

enum class ReadError {
    None,
    Empty,           // no bytes, or only blanks and line breaks
    Binary,          // a NUL or another control byte no text holds: a binary file, UTF-16 text
    HeaderOnly,      // the header row and no row of data
    UnbalancedQuote, // a quoted field whose closing quote never comes
    RowTooLong,      // one row longer than kMaxRow
    TooManyColumns,  // a header of more than kMaxColumns columns
    Ragged,          // a row with more or fewer fields than the header
};

// No slot takes more than 255 characters; a row far longer than nine of them is no contact's.
// A quoted field that runs past it is taken for a quote that is never closed.
constexpr std::size_t kMaxRow = 1u << 20;
constexpr std::size_t kMaxColumns = 4096;

// Reads the table of a file row by row, holding one piece of the file and one row at a time,
// whatever the file's size. The first pass over the file tells its character set (UTF-8 with or
// without a byte-order mark, else Windows-1252) and refuses binary files; the separator (comma,
// semicolon or tab) is the one the header row uses most.
class Reader {
  public:
    // Opens the file for reading and reads its header row; a failure to read throws IoError.
    explicit Reader(const fs::path& file);
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;

    ReadError error() const { return error_; }
    // The line (from 1) where the row with the error began; for a quote that is never closed,
    // where it opened; for a binary byte, the line that holds it.
    std::size_t line() const { return errorLine_; }
    // Of a ragged row: how many fields it has.
    std::size_t fieldCount() const { return fieldCount_; }
    bool utf8() const { return utf8_; }
    char separator() const { return separator_; }
    // The column names, blanks around them removed.
    const std::vector<std::string>& header() const { return header_; }
    // The first row of data, read to tell a table from a header alone; next() hands it out.
    const std::vector<std::string>& firstRow() const { return pending_; }
    // The next row's fields in UTF-8, as many as the header has; false at the end of the table
    // or at an error. Rows without a single character are stepped over.
    bool next(std::vector<std::string>& fields);
    // The line (from 1) where the row last handed out began.
    std::size_t rowLine() const { return rowLine_; }

  private:
    void scan();
    char pickSeparator();
    bool more();
    bool readRow(std::vector<std::string>& fields, std::size_t& count, std::size_t limit);
    bool fail(ReadError error, std::size_t line);

    fileio::File file_;
    std::uint64_t size_ = 0, offset_ = 0;
    std::unique_ptr<char[]> piece_;
    std::size_t at_ = 0, end_ = 0;
    std::size_t line_ = 1, rowLine_ = 0, errorLine_ = 0, fieldCount_ = 0;
    ReadError error_ = ReadError::None;
    bool utf8_ = true;
    char separator_ = ',';
    std::vector<std::string> header_;
    std::vector<std::string> pending_;
    std::size_t pendingLine_ = 0;
    bool hasPending_ = false;
};

// Whether the field must be written in quotes: it holds a comma, a semicolon, a quote or a line
// break, or begins or ends with a blank that a reader would take off.
bool needsQuotes(std::string_view field);
// The field in quotes, its quotes doubled.
std::string quoted(std::string_view field);

} // namespace core::csv
