// Small builders for data files in core tests.
#pragma once

#include "core/datafile.h"
#include "core/record.h"

#include <array>
#include <string>
#include <utility>
#include <vector>

namespace testsupport {

inline core::Record personRecord(const std::string& name, const std::string& phone = {}) {
    core::Record r;
    r.texts[core::person::Name] = name;
    r.texts[core::person::Phone] = phone;
    r.tag = core::kTagPerson;
    return r;
}

inline std::string bytesOf(const std::vector<core::Record>& records) {
    std::string bytes;
    for (const core::Record& r : records) {
        const core::RecordBytes b = core::encodeRecord(r);
        bytes.append(reinterpret_cast<const char*>(b.data()), b.size());
    }
    return bytes;
}

inline std::vector<core::Record> personsNamed(const std::vector<std::string>& names) {
    std::vector<core::Record> records;
    for (const std::string& name : names)
        records.push_back(personRecord(name, "tel " + name));
    return records;
}

inline std::vector<std::string> namesIn(const std::filesystem::path& file) {
    std::vector<std::string> names;
    for (std::int64_t i = 0, n = core::recordCount(file); i < n; ++i)
        names.push_back(core::readRecord(file, i).texts[core::person::Name]);
    return names;
}

inline core::Record companyRecord(const std::string& name, const std::string& business = {}) {
    core::Record r;
    r.texts[core::company::Name] = name;
    r.texts[core::company::Business] = business;
    r.tag = core::kTagCompany;
    return r;
}

inline std::vector<core::Record> companiesNamed(const std::vector<std::string>& names) {
    std::vector<core::Record> records;
    for (const auto& name : names)
        records.push_back(companyRecord(name, "rubro " + name));
    return records;
}

} // namespace testsupport

namespace testsupport {

// A file of the first version: 1506-byte records of six length-prefixed fields of 250 bytes.
inline std::string version1Bytes(const std::vector<std::array<std::string, 6>>& records) {
    std::string bytes;
    for (const auto& fields : records) {
        std::string raw(1506, '\0');
        for (std::size_t i = 0; i < fields.size(); ++i) {
            raw[i * 251] = static_cast<char>(fields[i].size());
            raw.replace(i * 251 + 1, fields[i].size(), fields[i]);
        }
        bytes += raw;
    }
    return bytes;
}

} // namespace testsupport

namespace testsupport {

// A record's 1636 bytes built here from the layout itself, without the program's encoder:
// each text at its slot's offset after its length byte, zeros elsewhere, the tag last.
inline std::string rawRecord(const std::vector<std::pair<int, std::string>>& textsAt, int tag) {
    std::string raw(1636, '\0');
    for (const auto& [offset, text] : textsAt) {
        raw[offset] = static_cast<char>(text.size());
        raw.replace(offset + 1, text.size(), text);
    }
    for (int i = 0; i < 4; ++i)
        raw[1632 + i] = static_cast<char>((tag >> (8 * i)) & 0xFF);
    return raw;
}

// Persons as personsNamed makes them (the phone "tel " + name), as raw bytes.
inline std::string rawPersons(const std::vector<std::string>& names) {
    std::string bytes;
    for (const std::string& name : names)
        bytes += rawRecord({{0, name}, {256, "tel " + name}}, 20);
    return bytes;
}

} // namespace testsupport
