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

// The buffers of the last export, on page boundaries, kept for the next one. A mebibyte freed
// after each export goes back to the system and returns as fresh pages that the kernel must
// clear: at 1,000 records that doubled the time of an export.
struct SpareBuffer {
    void* bytes = nullptr;
    ~SpareBuffer() { std::free(bytes); }
};
thread_local SpareBuffer spareInput, spareOutput;

void* pageAligned(std::size_t size) {
    void* bytes = std::aligned_alloc(kPage, (size + kPage - 1) / kPage * kPage);
    if (!bytes)
        throw std::bad_alloc();
    return bytes;
}

void* take(SpareBuffer& spare, std::size_t size) {
    void* bytes = std::exchange(spare.bytes, nullptr);
    return bytes ? bytes : pageAligned(size);
}

void keep(SpareBuffer& spare, void* bytes) {
    if (spare.bytes)
        std::free(bytes);
    else
        spare.bytes = bytes;
}

void keepInput(void* bytes) {
    keep(spareInput, bytes);
}

void keepOutput(void* bytes) {
    keep(spareOutput, bytes);
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
    : file_(file), data_(static_cast<char*>(take(spareOutput, kPiece + kSlack)), &keepOutput),
      at_(data_.get()), end_(data_.get() + kPiece + kSlack) {}

void OutputBuffer::writePiece() {
    // Exactly a piece from the buffer's page boundary, so that every write also starts on a
    // page boundary of the file: the kernel copies fastest so. 19.5 MB written in pieces of
    // 1 MiB and a few hundred bytes from 16 bytes past a page boundary, where the allocator put
    // the buffer, cost 6.4 ms of processor time; in pieces of exactly 1 MiB from a page
    // boundary, 5.0 ms.
    file_.write(data_.get(), kPiece);
    written_ += kPiece;
    // The start of the next piece, never more than the slack, goes to the front.
    const auto rest = static_cast<std::size_t>(at_ - data_.get()) - kPiece;
    std::memmove(data_.get(), data_.get() + kPiece, rest);
    at_ = data_.get() + rest;
}

void OutputBuffer::makeRoom(std::size_t n) {
    flush();
    if (n > static_cast<std::size_t>(end_ - at_)) { // a single text longer than the buffer
        data_ = {static_cast<char*>(pageAligned(n)), &std::free};
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
      buffer_(static_cast<unsigned char*>(take(spareInput, kPage + kReadPiece)), &keepInput),
      at_(buffer_.get() + kPage), end_(at_) {}

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
