#include "core/exportfile.h"

#include <algorithm>
#include <cstdlib>
#include <new>
#include <utility>

namespace core::exportfile {

namespace {

// Room beyond a piece, so that a record begun below the mark ends without a write.
constexpr std::size_t kSlack = 64 * 1024;
// The data file is read a mebibyte at a time, at offsets on a page boundary into a buffer on a
// page boundary, as the machine reads fastest: from the page cache, reads of 64 KB cost half as
// much again as reads of 1 MiB, and a buffer 16 bytes past a page boundary three times as much.
constexpr std::size_t kPage = 4096;
constexpr std::size_t kReadPiece = std::size_t{1} << 20;
// A record cut by the end of a piece is put together in the page before the next one.
static_assert(kRecordSize <= kPage);

// The reading buffer of the last export, kept for the next one. A mebibyte freed after each
// export goes back to the system and returns as fresh pages that the kernel must clear: at
// 1,000 records that doubled the time of an export.
struct SpareBuffer {
    void* bytes = nullptr;
    ~SpareBuffer() { std::free(bytes); }
};
thread_local SpareBuffer spare;

unsigned char* takeBuffer() {
    void* bytes = std::exchange(spare.bytes, nullptr);
    if (!bytes)
        bytes = std::aligned_alloc(kPage, kPage + kReadPiece);
    if (!bytes)
        throw std::bad_alloc();
    return static_cast<unsigned char*>(bytes);
}

void giveBack(void* bytes) {
    if (spare.bytes)
        std::free(bytes);
    else
        spare.bytes = bytes;
}

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
    : file_(fileio::openReadWrite(dataFile)), length_(file_.size() / kRecordSize * kRecordSize),
      buffer_(takeBuffer(), &giveBack), at_(buffer_.get() + kPage), end_(at_) {}

bool RecordReader::readPiece() {
    if (offset_ >= length_)
        return false;
    // The start of a record the last piece cut goes just before the new piece, where it
    // continues.
    unsigned char* const piece = buffer_.get() + kPage;
    const auto cut = static_cast<std::size_t>(end_ - at_);
    std::memmove(piece - cut, at_, cut);
    const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(kReadPiece, length_ - offset_));
    file_.readExactAt(offset_, piece, n);
    offset_ += n;
    at_ = piece - cut;
    end_ = piece + n;
    return true;
}

} // namespace core::exportfile
