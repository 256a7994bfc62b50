#include "core/version1.h"

#include <algorithm>

namespace core {

namespace {

// Where each of the six fields goes, by kind.
constexpr std::array<int, kV1FieldCount> kPersonSlots{
    person::Name, person::Phone, person::Mobile, person::Address, person::Email1, person::Notes};
constexpr std::array<int, kV1FieldCount> kCompanySlots{company::Name,    company::Business,
                                                       company::Phone,   company::Contacts,
                                                       company::WebSite, company::Notes};

// Records read at a time: about 1 MiB.
constexpr std::size_t kBlockRecords = 700;

} // namespace

std::optional<Version1Kind> version1Kind(const std::string& fileName) {
    if (fileName == "vivazo01.dat")
        return Version1Kind::Persons;
    if (fileName == "dodidi02.dat")
        return Version1Kind::Companies;
    return std::nullopt;
}

Version1Fields readVersion1Fields(const unsigned char* raw) {
    Version1Fields fields;
    for (int i = 0; i < kV1FieldCount; ++i) {
        const unsigned char* field = raw + i * (kV1FieldCapacity + 1);
        const std::size_t length = std::min<std::size_t>(field[0], kV1FieldCapacity);
        fields[i].assign(reinterpret_cast<const char*>(field + 1), length);
    }
    return fields;
}

Record fromVersion1(const Version1Fields& fields, Version1Kind kind) {
    const auto& slots = kind == Version1Kind::Persons ? kPersonSlots : kCompanySlots;
    Record record;
    for (int i = 0; i < kV1FieldCount; ++i)
        record.texts[slots[i]] = fields[i].substr(0, kSlots[slots[i]].capacity);
    record.tag = kind == Version1Kind::Persons ? kTagPerson : kTagCompany;
    return record;
}

Version1File::Version1File(const std::filesystem::path& path)
    : file_(fileio::openReadWrite(path)),
      count_(static_cast<std::int64_t>(file_.size() / kV1RecordSize)) {}

std::vector<Record> Version1File::readAll(Version1Kind kind) const {
    std::vector<Record> records;
    records.reserve(static_cast<std::size_t>(count_));
    std::vector<unsigned char> block(kBlockRecords * kV1RecordSize);
    const auto total = static_cast<std::uint64_t>(count_);
    for (std::uint64_t first = 0; first < total; first += kBlockRecords) {
        const std::uint64_t n = std::min<std::uint64_t>(kBlockRecords, total - first);
        file_.readExactAt(first * kV1RecordSize, block.data(), n * kV1RecordSize);
        for (std::uint64_t i = 0; i < n; ++i)
            records.push_back(
                fromVersion1(readVersion1Fields(block.data() + i * kV1RecordSize), kind));
    }
    return records;
}

} // namespace core
