// Realistic data files for benchmarks: persons and companies with Spanish-looking names,
// telephone numbers, addresses and e-mail addresses, sorted by name as the rewrite keeps them.
#pragma once

#include "core/record.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace bench {

// `count` records of each kind, the same ones for the same seed, sorted by name (unsigned bytes).
std::vector<core::Record> makePersons(std::size_t count, std::uint32_t seed = 1);
std::vector<core::Record> makeCompanies(std::size_t count, std::uint32_t seed = 1);

// Writes the records, in the given order, as a data file (created or truncated).
void writeDataFile(const std::filesystem::path& file, const std::vector<core::Record>& records);

// UTF-8 text as Windows-1252 bytes; characters the code page lacks become '?'.
std::string toCp1252(const std::string& utf8);

} // namespace bench
