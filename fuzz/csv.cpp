// The CSV reader and its mapping fed an arbitrary table: the first input byte chooses the kind
// of data file the rows go into, the rest is the file.
//
// Every row the reader hands out has as many fields as the header. A table read without error
// gives records that, exported with the program's own columns and read back, come back the
// same (an exported record is imported unchanged); exported in the web-mail layout, each comes
// back as one record.
#include "fuzzcheck.h"

#include "core/csvmap.h"
#include "core/fileio.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const bool persons = (data[0] & 1) == 0;
    const std::filesystem::path table = fuzz::writeScratch("tabla.csv", data + 1, size - 1);

    core::csv::Reader reader(table);
    std::vector<std::string> row;
    while (reader.next(row))
        FUZZ_CHECK(row.size() == reader.header().size());
    if (reader.error() != core::csv::ReadError::None) {
        FUZZ_CHECK(reader.line() >= 1);
        return 0;
    }
    // The columns taken as the nine slots in order, whatever their names.
    core::CsvMapping own;
    for (std::size_t i = 0; i < reader.header().size(); ++i)
        own.slotOf.push_back(static_cast<int>(i % core::kSlotCount));
    const core::CsvFile read = core::readCsvFile(table, persons, own);
    FUZZ_CHECK(read.error == core::csv::ReadError::None);

    std::string bytes;
    for (const core::Record& record : read.records) {
        const core::RecordBytes b = core::encodeRecord(record);
        bytes.append(reinterpret_cast<const char*>(b.data()), b.size());
    }
    const std::filesystem::path dataFile =
        fuzz::writeScratch("datos.dat", bytes.data(), bytes.size());
    for (const core::CsvLayout layout : {core::CsvLayout::Own, core::CsvLayout::WebMail}) {
        const std::filesystem::path out = fuzz::scratchDir() / "salida.csv";
        core::writeCsvFile(dataFile, persons, layout, out);
        if (read.records.empty())
            continue;
        const core::CsvMapping mapping =
            core::csvMappingFor(core::csv::Reader(out).header(), persons);
        FUZZ_CHECK(mapping.known);
        const core::CsvFile back = core::readCsvFile(out, persons, mapping);
        FUZZ_CHECK(back.error == core::csv::ReadError::None);
        if (layout == core::CsvLayout::Own)
            FUZZ_CHECK(back.records == read.records);
        else
            FUZZ_CHECK(back.records.size() == read.records.size());
    }
    return 0;
}
