// The text list and the web page of a data file, byte for byte.
#include "core/csvmap.h"
#include "core/exports.h"
#include "core/fileio.h"
#include "core/ioerror.h"

#include "records.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <random>

using namespace core;
using namespace testsupport;

namespace {

std::vector<std::string> linesOf(const std::string& bytes) {
    std::vector<std::string> lines;
    std::size_t start = 0, end;
    while ((end = bytes.find("\r\n", start)) != std::string::npos) {
        lines.push_back(bytes.substr(start, end - start));
        start = end + 2;
    }
    EXPECT_EQ(start, bytes.size()) << "text after the last CR LF";
    return lines;
}

Record personOf(std::array<std::string, kSlotCount> texts) {
    Record r;
    r.texts = std::move(texts);
    r.tag = kTagPerson;
    return r;
}

const PageStyle kDefaultStyle{"3", "#006699", "#000000", "#CCFF66"};

} // namespace

TEST(TextList, PersonsAndCompaniesBlocksByteForByte) {
    TempDir dir;
    writeBytes(dir / "p.dat",
               bytesOf({personOf({"ANA SOTO", "", "09 555 01 02", "", "", "", "", "", "vecina"}),
                        personOf({}),
                        personOf({"", "  ", "", "", "Calle \xD1u\xF1oa 5", "", "", "w", ""})}));
    writeTextList(dir / "p.dat", true, dir / "out.txt");
    EXPECT_EQ(readBytes(dir / "out.txt"), "Archivo TXT de Personas. Tevo Riviva 2.0\r\n"
                                          "Presione F3 para buscar.\r\n"
                                          "\r\n"
                                          "1 Nombre: ANA SOTO\r\n"
                                          "Tel. movil: 09 555 01 02\r\n"
                                          "Inf adicio: vecina\r\n"
                                          "\r\n"
                                          "2 Nombre: \r\n"
                                          "\r\n"
                                          "3 Nombre: \r\n"
                                          "Tel. fijo :   \r\n"
                                          "Direcci\xF3n : Calle \xD1u\xF1oa 5\r\n"
                                          "P\xE1gina web: w\r\n"
                                          "\r\n");

    Record full;
    for (int i = 0; i < kSlotCount; ++i)
        full.texts[i] = std::string(1, static_cast<char>('a' + i));
    full.tag = kTagCompany;
    writeBytes(dir / "e.dat", bytesOf({full}));
    writeTextList(dir / "e.dat", false, dir / "out.txt");
    EXPECT_EQ(readBytes(dir / "out.txt"), "Archivo TXT de Empresas. Tevo Riviva 2.0\r\n"
                                          "Presione F3 para buscar.\r\n"
                                          "\r\n"
                                          "1 Nombre: a\r\n"
                                          "Rubro/giro: b\r\n"
                                          "Num. telef: c\r\n"
                                          "Num Fax   : d\r\n"
                                          "Sitio web : e\r\n"
                                          "E-Mail    : f\r\n"
                                          "Contactos : g\r\n"
                                          "Direcci\xF3n : h\r\n"
                                          "Inf adicio: i\r\n"
                                          "\r\n");

    writeBytes(dir / "empty.dat", "");
    writeTextList(dir / "empty.dat", false, dir / "out.txt"); // replaces the longer list
    EXPECT_EQ(readBytes(dir / "out.txt"),
              "Archivo TXT de Empresas. Tevo Riviva 2.0\r\nPresione F3 para buscar.\r\n\r\n");
}

TEST(TextList, ReadOnlyDataFileIsRefusedAfterTheListIsCreated) {
    TempDir dir;
    writeBytes(dir / "p.dat", bytesOf({personRecord("ANA")}));
    makeReadOnly(dir / "p.dat");
    try {
        writeTextList(dir / "p.dat", true, dir / "out.txt");
        FAIL() << "no error";
    } catch (const IoError& e) {
        EXPECT_EQ(e.errnum(), EACCES);
    }
    EXPECT_TRUE(fileio::exists(dir / "out.txt"));
}

TEST(WebPage, OpeningBlocksAndClosingOfBothKinds) {
    TempDir dir;
    writeBytes(dir / "p.dat",
               bytesOf({personOf({"<b>x</b>", " ", "", "", "", "", "", "", "y&z"}), personOf({})}));
    // A file name with markup and a character the code page lacks.
    writeWebPage(dir / "p.dat", true, "/d/a&b<c>\xC3\xBC\xE2\x86\x92.dat", kDefaultStyle,
                 dir / "out.htm");
    auto lines = linesOf(readBytes(dir / "out.htm"));
    ASSERT_EQ(lines.size(), 19u + 6 + 3 + 2);
    EXPECT_EQ(lines[0],
              "<html><head><title>Lista de registros de Personas: "
              "/d/a&amp;b&lt;c&gt;\xFC&#8594;.dat</title><meta http-equiv=\"Content-Type\" "
              "content=\"text/html; charset=iso-8859-1\">");
    EXPECT_NE(lines[15].find("Lista obtenida del archivo de personas: &lt;/d/a&amp;b&lt;c&gt;"
                             "\xFC&#8594;.dat&gt;"),
              std::string::npos);
    EXPECT_EQ(lines[18], "</tr>");
    EXPECT_EQ(lines[19], "<tr bordercolor=\"#0099FF\"><td colspan=\"3\" height=\"46\"> <table "
                         "width=\"100%\" border=\"0\" height=\"100%\"><font color=\"#000000\">");
    EXPECT_EQ(lines[20], "<tr><td width=\"19%\"><font color=\"#000000\"size=\"3+\"><b>Nombre: </b>"
                         "</td><td width=\"81%\"><font color=\"#CCFF66\"size=\"3+\"><b>&lt;b&gt;x"
                         "&lt;/b&gt;</b> </td></tr>");
    EXPECT_EQ(lines[21], "<tr><td width=\"19%\"><font color=\"#000000\"size=\"3+\">Tel\xE9"
                         "fono fijo: </td><td width=\"81%\"><font color=\"#CCFF66\"size=\"3+\"> "
                         " </td></tr>");
    EXPECT_EQ(lines[22],
              "<tr><td width=\"19%\"><font color=\"#000000\"size=\"3+\">Comentarios: "
              "</td><td width=\"81%\"><font color=\"#CCFF66\"size=\"3+\">y&amp;z</td></tr>");
    EXPECT_EQ(lines[23], "<td colspan=\"3\" height=\"46\">[ <a href=\"#top\">Subir</a> ]</td>");
    EXPECT_EQ(lines[24], "</table></td></tr>");
    EXPECT_EQ(lines[26], lines[23]); // the empty record: opening, "Subir", end
    EXPECT_EQ(lines[27], lines[24]);
    EXPECT_EQ(lines[28], "(*) Los campos sin contenido no se muestran.");
    EXPECT_EQ(lines.back(), "</table></body></html>");

    // The companies page: no font in the opening line, its own heading; "colores" = 1 and an
    // empty font size.
    Record notes = companyRecord("B");
    notes.texts[company::Notes] = "n";
    writeBytes(dir / "e.dat", bytesOf({notes}));
    writeWebPage(dir / "e.dat", false, "/e.dat", {"", "#ffffff", "#000000", "#000000"},
                 dir / "out.htm");
    lines = linesOf(readBytes(dir / "out.htm"));
    ASSERT_EQ(lines.size(), 19u + 5 + 2); // opening, name, notes, Subir, end
    EXPECT_EQ(lines[0].substr(0, 64),
              "<html><head><title>Lista de registros Organizaciones : /e.dat</t");
    EXPECT_EQ(lines[1].substr(0, 32), "</head><body bgcolor=\"#ffffff\"><");
    EXPECT_NE(lines[4].find("generada de Organizaciones</font>"), std::string::npos);
    EXPECT_NE(lines[15].find("Lista obtenida del archivo de Organizaciones: &lt;/e.dat&gt;"),
              std::string::npos);
    EXPECT_EQ(lines[19], "<tr bordercolor=\"#0099FF\"><td colspan=\"3\" height=\"46\"> <table "
                         "width=\"100%\" border=\"0\" height=\"100%\">");
    EXPECT_EQ(lines[21], "<tr><td width=\"19%\"><font color=\"#000000\"size=\"+\">Comentarios: "
                         "</td><td width=\"81%\"><font color=\"#000000\"size=\"+\">n</td></tr>");

    writeBytes(dir / "empty.dat", "");
    writeWebPage(dir / "empty.dat", true, "x", kDefaultStyle, dir / "out.htm");
    EXPECT_EQ(linesOf(readBytes(dir / "out.htm")).size(), 21u);
}

// Enough full records for several reads of the data file and several writes of the output,
// with markup at every place a write may cut a text.
TEST(Exports, LargeFileKeepsEveryRecordInOrder) {
    TempDir dir;
    std::vector<Record> records;
    for (int i = 0; i < 1500; ++i) {
        Record r;
        for (int slot = 0; slot < kSlotCount; ++slot) {
            std::string text = std::to_string(i) + "-" + std::to_string(slot) + " ";
            while (text.size() < kSlots[slot].capacity)
                text += "\"a<b>&c, otra calle 12"[text.size() % 22];
            r.texts[slot] = text;
        }
        r.tag = kTagPerson;
        records.push_back(r);
    }
    writeBytes(dir / "p.dat", bytesOf(records));

    writeTextList(dir / "p.dat", true, dir / "out.txt");
    const auto text = linesOf(readBytes(dir / "out.txt"));
    ASSERT_EQ(text.size(), 3 + records.size() * 10);
    for (std::size_t i = 0; i < records.size(); ++i) {
        const std::size_t at = 3 + i * 10;
        ASSERT_EQ(text[at], std::to_string(i + 1) + " Nombre: " + records[i].texts[0]);
        for (int slot = 1; slot < kSlotCount; ++slot) // behind the 12-character label
            ASSERT_EQ(text[at + slot].substr(12), records[i].texts[slot]);
    }

    writeWebPage(dir / "p.dat", true, "p.dat", kDefaultStyle, dir / "out.htm");
    const auto page = linesOf(readBytes(dir / "out.htm"));
    ASSERT_EQ(page.size(), 19 + records.size() * 12 + 2);
    for (std::size_t i = 0; i < records.size(); ++i) {
        const std::size_t at = 19 + i * 12;
        for (int slot = 0; slot < kSlotCount; ++slot) {
            const std::string& line = page[at + 1 + slot];
            const std::string end = (slot == 0 ? "<b>" : "") + htmlEscape(records[i].texts[slot]) +
                                    (slot == 0   ? "</b> "
                                     : slot == 1 ? " "
                                                 : "") +
                                    "</td></tr>";
            ASSERT_GT(line.size(), end.size());
            ASSERT_EQ(line.substr(line.size() - end.size()), end)
                << "record " << i << " slot " << slot;
        }
    }
}

// A record with every slot filled: each text behind its own label, in slot order, in the text
// list and on the web page, for both kinds.
TEST(Exports, EveryFieldStandsUnderItsOwnLabel) {
    TempDir dir;
    const char* listLabels[2][kSlotCount] = {
        {"", "Tel. fijo : ", "Tel. movil: ", "Otro telef: ", "Direcci\xF3n : ", "E-Mail    : ",
         "E-Mail 2  : ", "P\xE1gina web: ", "Inf adicio: "},
        {"", "Rubro/giro: ", "Num. telef: ", "Num Fax   : ", "Sitio web : ", "E-Mail    : ",
         "Contactos : ", "Direcci\xF3n : ", "Inf adicio: "}};
    const char* pageLabels[2][kSlotCount] = {
        {"<b>Nombre: </b>",
         "Tel\xE9"
         "fono fijo: ",
         "Tel\xE9"
         "fono M\xF3vil: ",
         "Otro Tel\xE9"
         "fono: ",
         "Direcci\xF3n: ", "E - Mail 1: ", "E - Mail 2: ", "Sitio Web: ", "Comentarios: "},
        {"<b>Nombre: </b>", "Rubro / Giro: ",
         "Tel\xE9"
         "fono: ",
         "Fax: ", "Sitio Web: ", "E - Mail 1: ", "Contacto (personas): ", "Direcci\xF3n: ",
         "Comentarios: "}};
    for (int kind = 0; kind < 2; ++kind) {
        const bool persons = kind == 0;
        Record r;
        for (int slot = 0; slot < kSlotCount; ++slot)
            r.texts[slot] = "texto" + std::to_string(slot);
        r.tag = persons ? kTagPerson : kTagCompany;
        writeBytes(dir / "d.dat", bytesOf({r}));

        writeTextList(dir / "d.dat", persons, dir / "out.txt");
        const auto list = linesOf(readBytes(dir / "out.txt"));
        ASSERT_EQ(list.size(), 3u + kSlotCount + 1);
        EXPECT_EQ(list[3], "1 Nombre: texto0");
        for (int slot = 1; slot < kSlotCount; ++slot)
            EXPECT_EQ(list[3 + slot], listLabels[kind][slot] + r.texts[slot]) << kind;
        // A field of one blank is filled: it keeps its line.
        Record blank = r;
        blank.texts[2] = " ";
        writeBytes(dir / "b.dat", bytesOf({blank}));
        writeTextList(dir / "b.dat", persons, dir / "b.txt");
        const auto blankList = linesOf(readBytes(dir / "b.txt"));
        ASSERT_EQ(blankList.size(), list.size());
        EXPECT_EQ(blankList[5], std::string(listLabels[kind][2]) + " ") << kind;

        writeWebPage(dir / "d.dat", persons, "d.dat", kDefaultStyle, dir / "out.htm");
        const auto page = linesOf(readBytes(dir / "out.htm"));
        ASSERT_EQ(page.size(), 19u + kSlotCount + 3 + 2);
        for (int slot = 0; slot < kSlotCount; ++slot) {
            const std::string cell =
                std::string("size=\"3+\">") + pageLabels[kind][slot] + "</td><td width=\"81%\">";
            EXPECT_NE(page[20 + slot].find(cell), std::string::npos)
                << kind << " slot " << slot << ": " << page[20 + slot];
            EXPECT_NE(page[20 + slot].find(r.texts[slot]), std::string::npos);
        }
    }
}

namespace {

// Records as any program may have left them: texts of every byte value (markup, quotes, line
// ends, accents) and every length, length bytes above the slot's capacity, and padding and tags
// of random bytes.
std::string randomRecordBytes(std::size_t count, std::uint32_t seed) {
    std::mt19937 random(seed);
    std::string bytes(count * kRecordSize, '\0');
    for (char& c : bytes)
        c = static_cast<char>(random());
    for (std::size_t i = 0; i < count; ++i)
        for (const Slot& s : kSlots) {
            auto& length = reinterpret_cast<unsigned char&>(bytes[i * kRecordSize + s.offset]);
            switch (random() % 4) {
            case 0:
                length = 0;
                break;
            case 1:
                break; // as random: above the capacity in some slots
            default:
                length = static_cast<unsigned char>(random() % (s.capacity + 1));
            }
        }
    return bytes;
}

// The text of slot `slot` of record `i`, read from the bytes without the program's helpers.
std::string textAt(const std::string& bytes, std::size_t i, int slot) {
    const std::size_t at = i * kRecordSize + kSlots[slot].offset;
    const std::size_t length =
        std::min<std::size_t>(static_cast<unsigned char>(bytes[at]), kSlots[slot].capacity);
    return bytes.substr(at + 1, length);
}

} // namespace

// A file of several mebibytes of random records, so that the reading cuts records and the
// output is written in many pieces: the list holds exactly what a plain reading of the bytes
// gives.
TEST(TextList, RandomRecordsGiveThePlainReadingOfTheirBytes) {
    TempDir dir;
    constexpr std::size_t kCount = 2500;
    const std::string bytes = randomRecordBytes(kCount, 11);
    writeBytes(dir / "d.dat", bytes + "partial record");
    const char* labels[2][kSlotCount - 1] = {
        {"Tel. fijo : ", "Tel. movil: ", "Otro telef: ", "Direcci\xF3n : ", "E-Mail    : ",
         "E-Mail 2  : ", "P\xE1gina web: ", "Inf adicio: "},
        {"Rubro/giro: ", "Num. telef: ", "Num Fax   : ", "Sitio web : ", "E-Mail    : ",
         "Contactos : ", "Direcci\xF3n : ", "Inf adicio: "}};
    for (const bool persons : {true, false}) {
        std::string expected = std::string("Archivo TXT de ") +
                               (persons ? "Personas" : "Empresas") +
                               ". Tevo Riviva 2.0\r\nPresione F3 para buscar.\r\n\r\n";
        for (std::size_t i = 0; i < kCount; ++i) {
            expected += std::to_string(i + 1) + " Nombre: " + textAt(bytes, i, 0) + "\r\n";
            for (int slot = 1; slot < kSlotCount; ++slot)
                if (const std::string text = textAt(bytes, i, slot); !text.empty())
                    expected += labels[persons ? 0 : 1][slot - 1] + text + "\r\n";
            expected += "\r\n";
        }
        writeTextList(dir / "d.dat", persons, dir / "out.txt");
        const std::string list = readBytes(dir / "out.txt");
        ASSERT_EQ(list.size(), expected.size()) << persons;
        EXPECT_TRUE(list == expected)
            << "first difference at byte "
            << std::mismatch(list.begin(), list.end(), expected.begin()).first - list.begin();
    }
}

// The web page and the CSV table of the same random file are, between their fixed beginning
// and end, the pages and tables of its parts one after another: parts small enough to be read
// in one piece, so that no record is cut in their reading.
TEST(Exports, RandomRecordsExportAsTheirPartsInOrder) {
    TempDir dir;
    constexpr std::size_t kCount = 2500, kPart = 250;
    const std::string bytes = randomRecordBytes(kCount, 12);
    writeBytes(dir / "d.dat", bytes);
    const std::string closing = "(*) Los campos sin contenido no se muestran.\r\n"
                                "</table></body></html>\r\n";
    const auto pageBody = [&](const std::filesystem::path& data, std::size_t opening) {
        writeWebPage(data, true, "d.dat", kDefaultStyle, dir / "out.htm");
        const std::string page = readBytes(dir / "out.htm");
        EXPECT_EQ(page.substr(page.size() - closing.size()), closing);
        return page.substr(opening, page.size() - opening - closing.size());
    };
    const std::string csvStart = "\xEF\xBB\xBF" + csvHeader(true, CsvLayout::Own);
    const auto csvBody = [&](const std::filesystem::path& data) {
        writeCsvFile(data, true, CsvLayout::Own, dir / "out.csv");
        const std::string table = readBytes(dir / "out.csv");
        EXPECT_EQ(table.substr(0, csvStart.size()), csvStart);
        return table.substr(csvStart.size());
    };
    writeBytes(dir / "empty.dat", "");
    const std::size_t opening = pageBody(dir / "empty.dat", 0).size();

    std::string pageParts, csvParts;
    for (std::size_t first = 0; first < kCount; first += kPart) {
        writeBytes(dir / "part.dat", bytes.substr(first * kRecordSize, kPart * kRecordSize));
        pageParts += pageBody(dir / "part.dat", opening);
        csvParts += csvBody(dir / "part.dat");
    }
    const std::string page = pageBody(dir / "d.dat", opening), table = csvBody(dir / "d.dat");
    EXPECT_GT(page.size(), std::size_t{4} << 20); // several pieces of output
    EXPECT_TRUE(page == pageParts);
    EXPECT_TRUE(table == csvParts);
}
