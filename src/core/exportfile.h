// What the two exports share: reading a data file a block of records at a time and writing the
// output in large pieces. A list of many thousand records is formatted straight from the record
// bytes into one buffer, so that the work per record is copying its texts and little else.
#pragma once

#include "core/fileio.h"
#include "core/record.h"

#include <cstring>
#include <memory>
#include <string_view>

namespace core::exportfile {

// A copy of the few dozen bytes a field or a label has, without the set-up a general copy
// of a length the compiler knows to be small pays for each call.
inline void copyShort(char* to, const char* from, std::size_t n) {
    if (n >= 16) {
        for (std::size_t i = 0; i + 16 < n; i += 16)
            std::memcpy(to + i, from + i, 16);
        std::memcpy(to + n - 16, from + n - 16, 16); // overlaps the last whole piece
    } else if (n >= 8) {
        std::memcpy(to, from, 8);
        std::memcpy(to + n - 8, from + n - 8, 8);
    } else if (n >= 4) {
        std::memcpy(to, from, 4);
        std::memcpy(to + n - 4, from + n - 4, 4);
    } else {
        for (std::size_t i = 0; i < n; ++i)
            to[i] = from[i];
    }
}

// Output collected in one buffer and written through the file layer a mebibyte at a time;
// only what has not been written yet is held.
class OutputBuffer {
  public:
    explicit OutputBuffer(fileio::File& file);

    void append(std::string_view text) {
        if (text.size() > static_cast<std::size_t>(end_ - at_))
            makeRoom(text.size());
        copyShort(at_, text.data(), text.size());
        at_ += text.size();
    }
    void endLine() { append("\r\n"); }
    void line(std::string_view text) {
        append(text);
        endLine();
    }
    // The text with &, <, > and " as references; every other byte as it is.
    void htmlEscaped(std::string_view text);
    // Room for n more bytes, for a caller that writes them itself; `used` then tells where the
    // bytes it wrote end.
    char* room(std::size_t n) {
        if (n > static_cast<std::size_t>(end_ - at_))
            makeRoom(n);
        return at_;
    }
    void used(char* end) { at_ = end; }

    // Writes a piece once one is held; the exports ask after each record.
    void writeIfFull() {
        if (at_ - data_.get() >= static_cast<std::ptrdiff_t>(kPiece))
            writePiece();
    }
    void flush();
    // The bytes handed to the file so far.
    std::uint64_t written() const { return written_; }

    static constexpr std::size_t kPiece = 1 << 20;

  private:
    void writePiece();
    void makeRoom(std::size_t n);

    fileio::File& file_;
    std::unique_ptr<char, void (*)(void*)> data_; // on a page boundary
    char* at_;
    char* end_;
    std::uint64_t written_ = 0;
};

// The text of a slot as it stands in the record bytes (see readSlot).
inline std::string_view slotText(const unsigned char* record, int slot) {
    const Slot& s = kSlots[slot];
    const std::size_t length = record[s.offset] < s.capacity ? record[s.offset] : s.capacity;
    return {reinterpret_cast<const char*>(record + s.offset + 1), length};
}

// The records of a data file in file order, read a megabyte at a time. The file is opened for
// reading and writing, as every data file is.
class RecordReader {
  public:
    explicit RecordReader(const fileio::fs::path& dataFile);
    // The bytes of the next record, valid until the next call; nullptr at the end of the file.
    const unsigned char* next() {
        if (static_cast<std::size_t>(end_ - at_) < kRecordSize && !readPiece())
            return nullptr;
        const unsigned char* record = at_;
        at_ += kRecordSize;
        return record;
    }
    void close() { file_.close(); }

  private:
    bool readPiece();

    fileio::File file_;
    std::uint64_t length_ = 0; // the bytes of the whole records
    std::uint64_t offset_ = 0; // where the next piece starts, on a page boundary
    std::unique_ptr<unsigned char, void (*)(void*)> buffer_;
    const unsigned char* at_ = nullptr;
    const unsigned char* end_ = nullptr;
};

} // namespace core::exportfile
