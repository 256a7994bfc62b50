// CSV tables in and out: files as spreadsheets and web-mail pages write them, the round trip of
// records through both layouts, an independent reader of the export, bad input, and a failure
// while the export is written.
#include "core/cp1252.h"
#include "core/csvmap.h"
#include "core/fileio.h"
#include "core/ioerror.h"

#include "records.h"
#include "support/child.h"
#include "support/command.h"
#include "support/tempdir.h"

#include <climits>
#include <cstring>
#include <gtest/gtest.h>

using namespace core;
using namespace testsupport;
namespace fs = std::filesystem;

namespace {

std::vector<std::vector<std::string>> rowsOf(const fs::path& file, csv::Reader& reader) {
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> row;
    while (reader.next(row))
        rows.push_back(row);
    EXPECT_EQ(reader.error(), csv::ReadError::None) << file << " line " << reader.line();
    return rows;
}

CsvFile importText(const fs::path& file, const std::string& text, bool persons = true) {
    writeBytes(file, text);
    csv::Reader reader(file);
    return readCsvFile(file, persons, csvMappingFor(reader.header(), persons));
}

// A record as the entry dialog leaves it: the first four slots in capitals.
Record personOf(std::array<std::string, kSlotCount> texts) {
    Record r;
    r.texts = std::move(texts);
    r.tag = kTagPerson;
    return r;
}

Record companyOf(std::array<std::string, kSlotCount> texts) {
    Record r = personOf(std::move(texts));
    r.tag = kTagCompany;
    return r;
}

} // namespace

TEST(CsvRead, TablesOfSpreadsheetsInEitherSeparatorCharacterSetAndLineEnd) {
    TempDir dir;
    // A spreadsheet of a Spanish locale: semicolons, Windows-1252, a field with the separator,
    // doubled quotes and a line break inside quotes, CR LF, then LF and a lone CR, blank lines.
    writeBytes(dir / "es.csv", "\r\nNombre;Tel\xE9"
                               "fono;Notas\r\n"
                               "\"P\xC9REZ; JOS\xC9\";91 1;\"dice \"\"hola\"\"\r\notra l\xEDnea\"\n"
                               "\r\n"
                               "ANA;;\"x\"y\r"
                               "BETO;2;fin");
    csv::Reader es(dir / "es.csv");
    EXPECT_EQ(es.separator(), ';');
    EXPECT_FALSE(es.utf8());
    EXPECT_EQ(es.header(), (std::vector<std::string>{"Nombre", "Teléfono", "Notas"}));
    EXPECT_EQ(rowsOf(dir / "es.csv", es),
              (std::vector<std::vector<std::string>>{
                  {"PÉREZ; JOSÉ", "91 1", "dice \"hola\"\r\notra línea"},
                  {"ANA", "", "xy"},
                  {"BETO", "2", "fin"}}));
    EXPECT_EQ(es.rowLine(), 7u);

    // UTF-8 with its byte-order mark, commas, a last line without its line end, a semicolon
    // inside a field that does not make it the separator.
    writeBytes(dir / "web.csv", "\xEF\xBB\xBFName,Notes\r\n\"N\xC3\xBA\xC3\xB1"
                                "ez, Ana\",a;b\r\nEva,");
    csv::Reader web(dir / "web.csv");
    EXPECT_EQ(web.separator(), ',');
    EXPECT_TRUE(web.utf8());
    EXPECT_EQ(web.header(), (std::vector<std::string>{"Name", "Notes"}));
    EXPECT_EQ(rowsOf(dir / "web.csv", web),
              (std::vector<std::vector<std::string>>{{"Núñez, Ana", "a;b"}, {"Eva", ""}}));

    // UTF-8 without the mark is told from its bytes.
    writeBytes(dir / "u.csv", "Nombre\r\nJos\xC3\xA9\r\n");
    csv::Reader u(dir / "u.csv");
    EXPECT_TRUE(u.utf8());
    EXPECT_EQ(rowsOf(dir / "u.csv", u), (std::vector<std::vector<std::string>>{{"José"}}));
}

TEST(CsvRead, BadInputIsRefusedWithItsReasonAndLine) {
    TempDir dir;
    using E = csv::ReadError;
    struct Case {
        std::string bytes;
        E error;
        std::size_t line;
    };
    const std::vector<Case> cases = {
        {"", E::Empty, 1},
        {"\xEF\xBB\xBF\r\n  \r\n", E::Empty, 1},
        {"Nombre\r\nAna\r\n" + std::string("PK\x03\x04\0\0", 6), E::Binary, 3},
        {std::string("N\0o\0m\0b\0r\0e\0", 12), E::Binary, 1}, // UTF-16
        {"Nombre;Tel\xE9"
         "fono\r\n\r\n",
         E::HeaderOnly, 1},
        {"a,b\r\n1,2\r\n\"3,4\r\n5,6\r\n", E::UnbalancedQuote, 3},
        {"a,b\r\n1,2\r\n3\r\n", E::Ragged, 3},
        {"a,b\r\n1,\"x\ny\",3\r\n", E::Ragged, 2},
        {"a\r\n" + std::string(csv::kMaxRow + 1, 'x') + "\r\n", E::RowTooLong, 2},
    };
    for (const Case& c : cases) {
        writeBytes(dir / "mal.csv", c.bytes);
        const CsvFile read = readCsvFile(dir / "mal.csv", true, CsvMapping{true, {0, 1}, {}});
        EXPECT_EQ(read.error, c.error) << c.bytes.substr(0, 40);
        EXPECT_EQ(read.line, c.line) << c.bytes.substr(0, 40);
        EXPECT_TRUE(read.records.empty());
    }
    writeBytes(dir / "mal.csv", "a,b\r\n1,2,3,4\r\n");
    EXPECT_EQ(readCsvFile(dir / "mal.csv", true, CsvMapping{true, {0, 1}, {}}).fields, 3u);
}

// A hundred megabytes of rows go through a piece at a time, and a quote that is never closed is
// found within its first megabyte, without the rest being held.
TEST(CsvRead, AHundredMegabyteFileIsReadInBoundedMemory) {
    const TempDir dir(fs::is_directory("/dev/shm") ? fs::path("/dev/shm")
                                                   : fs::temp_directory_path());
    const std::string row = "GARCIA MARIA,+34 600 111 222,calle " + std::string(160, 'x') + "\r\n";
    std::string big = "Nombre,Tel\xC3\xA9"
                      "fono,Direcci\xC3\xB3n\r\n";
    const std::size_t header = big.size();
    big.reserve((100u << 20) + 2 * row.size());
    while (big.size() < (100u << 20))
        big += row;
    big += "\"sin cierre,1,2\r\n";
    writeBytes(dir / "filas.csv", big);
    big.resize(header + (2u << 20));
    big.insert(header, "\""); // a quote opened on line 2, never closed
    writeBytes(dir / "comilla.csv", big);
    std::string().swap(big); // give the memory back before the child is made

    ChildProcess child([&] {
        csv::Reader rows(dir / "filas.csv");
        std::vector<std::string> fields;
        std::size_t count = 0;
        while (rows.next(fields))
            ++count;
        const CsvFile quote =
            readCsvFile(dir / "comilla.csv", true, CsvMapping{true, {0, 1, 2}, {}});
        std::FILE* status = std::fopen("/proc/self/status", "r");
        char line[256];
        long peakKiB = -1;
        while (status && std::fgets(line, sizeof line, status))
            if (std::strncmp(line, "VmHWM:", 6) == 0)
                peakKiB = std::strtol(line + 6, nullptr, 10);
        std::fprintf(stderr, "peak %ld count %zu line %zu q %d %zu\n", peakKiB, count, rows.line(),
                     int(quote.error), quote.line);
        const bool ok = rows.error() == csv::ReadError::UnbalancedQuote && count > 500000 &&
                        rows.line() == count + 2 &&
                        quote.error == csv::ReadError::UnbalancedQuote && quote.line == 2;
#ifdef __SANITIZE_ADDRESS__
        // The sanitizer keeps freed memory in quarantine and adds shadow memory: the bound is
        // checked in the plain build only.
        const long bound = LONG_MAX;
#else
        const long bound = 48 * 1024;
#endif
        return !ok ? 1 : peakKiB < 0 || peakKiB > bound ? 2 : 0;
    });
    EXPECT_EQ(child.wait(), 0) << "1: wrong reading, 2: too much memory";
}

TEST(CsvImport, ExportsOfWebMailAndMailProgramsFillTheSlotsAsCardsWould) {
    TempDir dir;
    // The web-mail page's own export: numbered entries with their kinds, several values in one
    // cell, an address in parts, an organisation with its title.
    const CsvFile web = importText(
        dir / "web.csv",
        "Name,Given Name,Family Name,Birthday,Notes,E-mail 1 - Type,E-mail 1 - Value,"
        "Phone 1 - Type,Phone 1 - Value,Phone 2 - Type,Phone 2 - Value,Address 1 - Type,"
        "Address 1 - Street,Address 1 - City,Address 1 - Country,Organization 1 - Name,"
        "Organization 1 - Title,Website 1 - Value\r\n"
        "Ana Mar\xC3\xAD"
        "a,Ana,Mar\xC3\xAD"
        "a,1990-01-01,Amiga,* Home ::: Work,ana@a.cl ::: ana@b.cl ::: ana@c.cl,Mobile,+56 9 1,"
        "Work Fax ::: Home,22 2 ::: 22 3,Home,\"Av. Sur 1\nDepto 2\",Temuco,Chile,Acme,Jefa,"
        "http://ana.cl\r\n"
        ",Luis,Soto,,,,,,,,,,,,,,,\r\n"
        ",,,,,,,,,,,,,,,,,\r\n");
    ASSERT_EQ(web.error, csv::ReadError::None);
    EXPECT_EQ(web.records,
              (std::vector<Record>{
                  personOf({"ANA MAR\xCD"
                            "A",
                            "22 3", "+56 9 1", "22 2", "Av. Sur 1, Depto 2, Temuco, Chile",
                            "ana@a.cl", "ana@b.cl", "http://ana.cl",
                            "Amiga\r\nCargo: Jefa\r\nOrganizaci\xF3n: Acme\r\nCorreo: ana@c.cl"}),
                  personOf({"LUIS SOTO", "", "", "", "", "", "", "", ""})}));
    EXPECT_EQ(web.losses.emailsInNotes, 1);
    EXPECT_EQ(web.emptyRows, 1);

    // A mail program's export, as a company: named telephone columns, the person of the card as
    // the contact.
    const CsvFile mail = importText(
        dir / "mail.csv",
        "First Name;Last Name;Company;Job Title;Business Phone;Business Fax;Mobile Phone;"
        "E-mail Address;Business Street;Business City;Web Page;Notes\r\n"
        "Eva;Rojas;Talleres \xC1vila;Gerente;91 1;91 2;600;eva@t.es;Pol\xEDgono 4;\xC1vila;"
        "t.es;nota\r\n",
        false);
    ASSERT_EQ(mail.error, csv::ReadError::None);
    EXPECT_EQ(mail.records, (std::vector<Record>{companyOf(
                                {"TALLERES \xC1VILA", "", "91 1, 600", "91 2", "t.es", "eva@t.es",
                                 "Eva Rojas (Gerente)", "Pol\xEDgono 4, \xC1vila", "nota"})}));

    // Any other header is no known one; its columns are suggested by their names.
    writeBytes(dir / "otra.csv", "Cliente,M\xC3\xB3vil,Ciudad,Deuda\r\nx,1,2,3\r\n");
    const CsvMapping other = csvMappingFor(csv::Reader(dir / "otra.csv").header(), true);
    EXPECT_FALSE(other.known);
    EXPECT_EQ(other.slotOf, (std::vector<int>{-1, person::Mobile, person::Address, -1}));
}

TEST(CsvWrite, RecordsComeBackThroughBothLayouts) {
    TempDir dir;
    const std::vector<Record> persons = {
        personOf({"JOS\xC9 P\xC9REZ, \"PEPE\"", "91 555", "+34 600", "91 1, 91 2",
                  "Calle \xD1u\xF1o 3; Madrid", "pepe@x.es", "jose@y.es", "http://x.es/a,b",
                  "l\xEDnea 1\r\nl\xEDnea 2 \x80"}),
        personOf({"  ANA  ", "", "", "", "", "", "", "", ""})};
    const std::vector<Record> companies = {
        companyOf({"ACME; S.A.", "MEC\xC1NICA", "91 1", "91 2", "acme.es", "a@acme.es",
                   "EVA (jefa), LUIS", "Pol. 4", "nota\r\n\"dos\""})};
    for (const CsvLayout layout : {CsvLayout::Own, CsvLayout::WebMail}) {
        for (const bool kind : {true, false}) {
            const std::vector<Record>& records = kind ? persons : companies;
            writeBytes(dir / "d.dat", bytesOf(records));
            EXPECT_EQ(writeCsvFile(dir / "d.dat", kind, layout, dir / "out.csv"),
                      static_cast<std::int64_t>(records.size()));
            const std::string bytes = readBytes(dir / "out.csv");
            EXPECT_EQ(bytes.substr(0, 3 + csvHeader(kind, layout).size()),
                      "\xEF\xBB\xBF" + csvHeader(kind, layout));
            csv::Reader reader(dir / "out.csv");
            const CsvMapping mapping = csvMappingFor(reader.header(), kind);
            EXPECT_TRUE(mapping.known);
            const CsvFile back = readCsvFile(dir / "out.csv", kind, mapping);
            EXPECT_EQ(back.records, records) << int(layout) << kind;
        }
    }
}

TEST(CsvWrite, AnIndependentReaderFindsEveryFieldOfAnExport) {
    TempDir dir;
    const std::vector<Record> records = {
        personOf({"JOS\xC9 P\xC9REZ, \"PEPE\"", "91 555", "", "", "Calle 3; Madrid", "", "", "",
                  "l\xEDnea 1\r\nl\xEDnea 2"}),
        personOf({"ANA", "", "", "", "", "", "", "", "\x80 ; ,"})};
    writeBytes(dir / "d.dat", bytesOf(records));
    writeCsvFile(dir / "d.dat", true, CsvLayout::Own, dir / "own.csv");
    writeCsvFile(dir / "d.dat", true, CsvLayout::WebMail, dir / "web.csv");
    int status = -1;
    const std::string found =
        outputOf("/usr/bin/python3 " TEVO_TESTS_DIR "/core/csv_reader.py " +
                     (dir / "own.csv").string() + " " + (dir / "web.csv").string(),
                 status);
    EXPECT_EQ(status, 0) << found;
    EXPECT_EQ(
        found,
        cp1252ToUtf8("Nombre, Apellido, Apodo|Num. Telef\xF3nico Fijo|Num. Telef\xF3nico M\xF3vil|"
                     "Otro Num. Telef\xF3nico|Ubicaci\xF3n / Direcci\xF3n|Correo Electr\xF3nico 1|"
                     "Correo Electr\xF3nico 2|Sitio Web|Informaci\xF3n Adicional\n"
                     "JOS\xC9 P\xC9REZ, \"PEPE\"|91 555|||Calle 3; Madrid||||"
                     "l\xEDnea 1\\r\\nl\xEDnea 2\n"
                     "ANA||||||||\x80 ; ,\n"
                     "Name|Notes|E-mail 1 - Type|E-mail 1 - Value|E-mail 2 - Type|E-mail 2 - Value|"
                     "Phone 1 - Type|Phone 1 - Value|Phone 2 - Type|Phone 2 - Value|Phone 3 - Type|"
                     "Phone 3 - Value|Address 1 - Type|Address 1 - Formatted|Website 1 - Type|"
                     "Website 1 - Value\n"
                     "JOS\xC9 P\xC9REZ, \"PEPE\"|l\xEDnea 1\\r\\nl\xEDnea 2|||||Home|91 555|||||"
                     "Home|Calle 3; Madrid||\n"
                     "ANA|\x80 ; ,||||||||||||||\n"));
}

// The export replaces the file in one step: whichever call fails, the file that was there is
// as it was and no temporary file is left; a full disk the same.
TEST(CsvWrite, AFailureWhileWritingLeavesTheFileThatWasThere) {
    TempDir dir;
    std::vector<Record> many;
    for (int i = 0; i < 3000; ++i)
        many.push_back(personOf(
            {"N" + std::to_string(i), "1", "", "", "", "", "", "", std::string(200, 'n')}));
    writeBytes(dir / "d.dat", bytesOf(many));
    writeBytes(dir / "out.csv", "antes");
    fileio::clearFaults();
    writeCsvFile(dir / "d.dat", true, CsvLayout::Own, dir / "whole.csv");
    const long calls = fileio::callCount();
    const std::string whole = readBytes(dir / "whole.csv");
    for (long n = 1; n <= calls; ++n) {
        fileio::setFaults({n, EIO, -1});
        bool failed = false;
        try {
            writeCsvFile(dir / "d.dat", true, CsvLayout::Own, dir / "out.csv");
        } catch (const IoError&) {
            failed = true;
        }
        fileio::clearFaults();
        const std::string now = readBytes(dir / "out.csv");
        // Past the rename only the folder's flush is left: the new file is whole.
        EXPECT_TRUE(failed ? now == "antes" || now == whole : now == whole) << n;
        EXPECT_FALSE(fs::exists(dir / "out.csv.tmp")) << n;
        writeBytes(dir / "out.csv", "antes");
    }
    for (const long long budget : {0LL, 70000LL, 600000LL}) {
        fileio::setFaults({0, EIO, budget});
        EXPECT_THROW(writeCsvFile(dir / "d.dat", true, CsvLayout::Own, dir / "out.csv"), IoError);
        fileio::clearFaults();
        EXPECT_EQ(readBytes(dir / "out.csv"), "antes") << budget;
        EXPECT_FALSE(fs::exists(dir / "out.csv.tmp"));
    }
}
