#include "core/exportfile.h"

#include <algorithm>

namespace core::exportfile {

namespace {

// Room beyond a piece, so that a record begun below the mark ends without a write.
constexpr std::size_t kSlack = 64 * 1024;
// About 64 KB of records per read: a block that stays in the processor's cache while its
// records are formatted, and small enough for the allocator to hand out again without fresh
// pages on every export.
constexpr std::uint64_t kRecordsPerRead = (64 * 1024) / kRecordSize;

// The bytes an HTML text cannot hold as they are.
constexpr bool isMarkup(unsigned char c) {
    return c == '&' || c == '<' || c == '>' || c == '"';
}

// Whether any of eight bytes is one of them: '<' and '>' differ in one bit, as do '"' and '&',
// so two comparisons of all eight bytes at once suffice.
bool hasMarkup(std::uint64_t bytes) {
    constexpr std::uint64_t ones = 0x0101010101010101, highs = 0x8080808080808080;
    const auto anyZero = [](std::uint64_t x) { return (x - ones) & ~x & highs; };
    return anyZero((bytes | ones * 0x02) ^ ones * '>') != 0 ||
           anyZero((bytes | ones * 0x04) ^ ones * '&') != 0;
}

} // namespace

OutputBuffer::OutputBuffer(fileio::File& file)
    : file_(file), data_(new char[kPiece + kSlack]), at_(data_.get()),
      end_(data_.get() + kPiece + kSlack) {}

void OutputBuffer::makeRoom(std::size_t n) {
    flush();
    if (n > static_cast<std::size_t>(end_ - at_)) { // a single text longer than the buffer
        data_.reset(new char[n]);
        at_ = data_.get();
        end_ = at_ + n;
    }
}

void OutputBuffer::flush() {
    if (at_ == data_.get())
        return;
    file_.write(data_.get(), static_cast<std::size_t>(at_ - data_.get()));
    written_ += static_cast<std::uint64_t>(at_ - data_.get());
    at_ = data_.get();
}

void OutputBuffer::htmlEscaped(std::string_view text) {
    constexpr std::size_t kLongest = 6; // "&quot;"
    if (text.size() > static_cast<std::size_t>(end_ - at_) / kLongest)
        makeRoom(text.size() * kLongest);
    const char* from = text.data();
    const char* const last = from + text.size();
    char* out = at_;
    for (;;) {
        const char* run = from;
        for (std::uint64_t bytes; last - from >= 8; from += 8) {
            std::memcpy(&bytes, from, 8);
            if (hasMarkup(bytes))
                break;
        }
        while (from != last && !isMarkup(static_cast<unsigned char>(*from)))
            ++from;
        copyShort(out, run, static_cast<std::size_t>(from - run));
        out += from - run;
        if (from == last)
            break;
        const std::string_view reference = *from == '&'   ? "&amp;"
                                           : *from == '<' ? "&lt;"
                                           : *from == '>' ? "&gt;"
                                                          : "&quot;";
        std::memcpy(out, reference.data(), reference.size());
        out += reference.size();
        ++from;
    }
    at_ = out;
}

RecordReader::RecordReader(const fileio::fs::path& dataFile)
    : file_(fileio::openReadWrite(dataFile)), count_(file_.size() / kRecordSize),
      block_(new unsigned char[kRecordsPerRead * kRecordSize]) {}

bool RecordReader::readBlock() {
    if (read_ >= count_)
        return false;
    blockFirst_ = read_;
    blockCount_ = std::min(kRecordsPerRead, count_ - read_);
    file_.readExactAt(blockFirst_ * kRecordSize, block_.get(), blockCount_ * kRecordSize);
    return true;
}

} // namespace core::exportfile
