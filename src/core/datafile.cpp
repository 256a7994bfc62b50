#include "core/datafile.h"

#include "core/fileio.h"
#include "core/ioerror.h"

#include <cerrno>

namespace core {

namespace {

bool hasTag(const fs::path& file, std::int32_t wanted) {
    if (file.empty() || !fileio::exists(file) || fileio::isReadOnly(file))
        return false;
    fileio::File f = fileio::openReadWrite(file);
    bool result = true; // a file of no records serves as either kind
    if (f.size() / kRecordSize > 0) {
        RecordBytes record;
        f.readExactAt(0, record.data(), record.size());
        result = readTag(record.data()) == wanted;
    }
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

bool esdepersonas(const fs::path& file) {
    return hasTag(file, kTagPerson);
}

bool esdeempresas(const fs::path& file) {
    return hasTag(file, kTagCompany);
}

void createEmptyDataFile(const fs::path& file) {
    fileio::File f = fileio::createTruncate(file);
    f.close();
}

} // namespace core
