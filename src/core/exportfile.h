// What the two exports share: reading a data file record by record and writing the output
// in large pieces.
#pragma once

#include "core/fileio.h"
#include "core/record.h"

#include <string>
#include <string_view>
#include <vector>

namespace core::exportfile {

// Buffers lines ended by CR LF and writes them through the file layer.
class LineWriter {
  public:
    explicit LineWriter(fileio::File& file) : file_(file) {}
    void line(std::string_view text);
    void flush();

  private:
    fileio::File& file_;
    std::string buffer_;
};

// The records of a data file in file order, read a block at a time. The file is opened for
// reading and writing, as every data file is.
class RecordReader {
  public:
    explicit RecordReader(const fileio::fs::path& dataFile);
    // The next record, false at the end of the file.
    bool next(Record& record);
    // The one-based number of the record read last.
    std::int64_t number() const { return static_cast<std::int64_t>(read_); }
    void close() { file_.close(); }

  private:
    fileio::File file_;
    std::uint64_t count_ = 0, read_ = 0, blockFirst_ = 0, blockCount_ = 0;
    std::vector<unsigned char> block_;
};

} // namespace core::exportfile
