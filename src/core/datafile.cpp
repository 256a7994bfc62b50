#include "core/datafile.h"

#include "core/fileio.h"
#include "core/ioerror.h"
#include "core/rewrite.h"

#include <algorithm>
#include <cerrno>

namespace core {

namespace {

bool hasTag(const fs::path& file, std::int32_t wanted) {
    if (file.empty() || !fileio::exists(file) || fileio::isReadOnly(file))
        return false;
    fileio::File f = fileio::openReadWrite(file);
    const bool result = holdsKind(f, f.size(), wanted);
    f.close();
    return result;
}

} // namespace

std::int64_t recordCount(const fs::path& file) {
    fileio::File f = fileio::openReadWrite(file);
    const auto count = static_cast<std::int64_t>(f.size() / kRecordSize);
    f.close();
    return count;
}

Record readRecord(const fs::path& file, std::int64_t n) {
    fileio::File f = fileio::openReadWrite(file);
    if (n < 0 || static_cast<std::uint64_t>(n) >= f.size() / kRecordSize)
        throw IoError(EIO); // beyond the end of the file
    RecordBytes bytes;
    f.readExactAt(static_cast<std::uint64_t>(n) * kRecordSize, bytes.data(), bytes.size());
    f.close();
    return decodeRecord(bytes.data());
}

RecordInView readRecordInView(const fs::path& file, std::int64_t n) {
    fileio::File f = fileio::openReadWrite(file);
    RecordInView view;
    view.count = static_cast<std::int64_t>(f.sizeAtOpen() / kRecordSize);
    if (view.count > 0) {
        if (n < 0)
            throw IoError(EIO);
        view.number = std::min(n, view.count - 1);
        RecordBytes bytes;
        f.readExactAt(static_cast<std::uint64_t>(view.number) * kRecordSize, bytes.data(),
                      bytes.size());
        view.record = decodeRecord(bytes.data());
    }
    f.close();
    return view;
}

bool holdsKind(const fileio::File& file, std::uint64_t size, std::int32_t tag) {
    if (size == 0)
        return true;
    if (size % kRecordSize != 0)
        return false;
    RecordBytes record;
    file.readExactAt(0, record.data(), record.size());
    const std::int32_t first = readTag(record.data());
    return tag == 0 ? first == kTagPerson || first == kTagCompany : first == tag;
}

bool esdepersonas(const fs::path& file) {
    return hasTag(file, kTagPerson);
}

bool esdeempresas(const fs::path& file) {
    return hasTag(file, kTagCompany);
}

bool sameFile(const fs::path& a, const fs::path& b) {
    std::error_code ec;
    return !a.empty() && !b.empty() && fs::equivalent(a, b, ec) && !ec;
}

void createEmptyDataFile(const fs::path& file) {
    // An existing file is replaced in one rename, never emptied in place.
    const RewriteFailure failure = replaceWithRecords(file, {}).failure;
    if (failure == RewriteFailure::CloseTemp || failure == RewriteFailure::Rename)
        throw IoError(EIO, file.string());
}

} // namespace core
