#include "core/exportfile.h"

#include <algorithm>

namespace core::exportfile {

namespace {

// Room beyond a piece, so that a record begun below the mark ends without a write.
constexpr std::size_t kSlack = 64 * 1024;
// About a megabyte of records per read.
constexpr std::uint64_t kRecordsPerRead = (1 << 20) / kRecordSize;

// The bytes an HTML text cannot hold as they are.
constexpr bool isMarkup(unsigned char c) {
    return c == '&' || c == '<' || c == '>' || c == '"';
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
        while (from != last && !isMarkup(static_cast<unsigned char>(*from)))
            ++from;
        std::memcpy(out, run, static_cast<std::size_t>(from - run));
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
