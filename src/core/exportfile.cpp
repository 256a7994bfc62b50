#include "core/exportfile.h"

#include <algorithm>

namespace core::exportfile {

namespace {
constexpr std::size_t kFlushAt = 64 * 1024;
constexpr std::uint64_t kRecordsPerRead = 256;
} // namespace

void LineWriter::line(std::string_view text) {
    buffer_.append(text);
    buffer_.append("\r\n");
    if (buffer_.size() >= kFlushAt)
        flush();
}

void LineWriter::flush() {
    if (buffer_.empty())
        return;
    file_.write(buffer_.data(), buffer_.size());
    buffer_.clear();
}

RecordReader::RecordReader(const fileio::fs::path& dataFile)
    : file_(fileio::openReadWrite(dataFile)), count_(file_.size() / kRecordSize),
      block_(kRecordsPerRead * kRecordSize) {}

bool RecordReader::next(Record& record) {
    if (read_ >= count_)
        return false;
    if (read_ >= blockFirst_ + blockCount_) {
        blockFirst_ = read_;
        blockCount_ = std::min(kRecordsPerRead, count_ - read_);
        file_.readExactAt(blockFirst_ * kRecordSize, block_.data(), blockCount_ * kRecordSize);
    }
    record = decodeRecord(block_.data() + (read_ - blockFirst_) * kRecordSize);
    ++read_;
    return true;
}

} // namespace core::exportfile
