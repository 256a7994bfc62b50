// vCard files in and out: cards as real programs write them, the round trip of records, what
// the code page and the slots cannot take, bad input, and the duplicate rule of the import.
#include "core/cp1252.h"
#include "core/fileio.h"
#include "core/rewrite.h"
#include "core/vcardmap.h"

#include "records.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

using namespace core;
using namespace testsupport;
namespace fs = std::filesystem;

namespace {

std::vector<Record> importText(const std::string& text, bool persons,
                               CardLosses* losses = nullptr) {
    const vcard::ReadResult read = vcard::parse(text);
    EXPECT_EQ(read.error, vcard::ReadError::None) << "line " << read.line;
    CardLosses own;
    std::vector<Record> records;
    for (const vcard::Card& card : read.cards)
        records.push_back(recordFromCard(card, persons, losses ? *losses : own));
    return records;
}

} // namespace

TEST(VCardRead, CardsOfOldAndNewProgramsFillTheirSlots) {
    // 2.1 of an old phone: quoted-printable with a soft break, a Latin-1 character set, bare
    // types, a photo in unindented base64 lines, lower-case names.
    const std::string v21 = "BEGIN:VCARD\r\n"
                            "VERSION:2.1\r\n"
                            "N;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:P=C3=A9rez;Jos=C3=A9;;;\r\n"
                            "TEL;CELL:+34 600 111 222\r\n"
                            "tel;home;voice:91 555 12 34\r\n"
                            "TEL;FAX:91 555 99 99\r\n"
                            "PHOTO;ENCODING=BASE64;TYPE=JPEG:/9j/4AAQSkZJRgABAQ\r\n"
                            "AAAQABAAD/2wBDAAMCAgICAgMCAgIDAwMDBAYEBAQEBAgGBgUGCQgKCgkICQkKDA8M\r\n"
                            "\r\n"
                            "NOTE;ENCODING=QUOTED-PRINTABLE;CHARSET=ISO-8859-1:Llamar ma=F1ana=\r\n"
                            " temprano=0D=0Ay tarde\r\n"
                            "ADR;HOME:;;Calle Mayor 1;Madrid;;28013;Espa\xF1"
                            "a\r\n"
                            "END:VCARD\r\n";
    // 3.0 of a mail program: folded lines, grouped properties, TYPE lists, an indented photo, LF.
    const std::string v30 =
        "begin:vcard\n"
        "version:3.0\n"
        "FN:Ana Mar\xC3\xAD"
        "a Su\xC3\xA1rez\n"
        "N:Su\xC3\xA1rez;Ana;Mar\xC3\xAD"
        "a;;\n"
        "ORG:Acme\\, S.A.;Ventas\n"
        "TITLE:Jefa\n"
        "item1.EMAIL;type=INTERNET;type=pref:ana@acme.example\n"
        "item1.X-ABLabel:_$!<Other>!$_\n"
        "EMAIL;TYPE=INTERNET,HOME:ana@casa.example\n"
        "EMAIL:tercera@x.example\n"
        "TEL;TYPE=WORK,VOICE:1111\n"
        "TEL;TYPE=WORK,VOICE:2222\n"
        "TEL;TYPE=PAGER:3333\n"
        "PHOTO;ENCODING=b;TYPE=JPEG:MIICajCCAdOgAwIBAgICBEUwDQYJKoZIhvcNAQEEBQAwdzEL\n"
        " MAkGA1UEBhMCVVMxLDAqBgNVBAoTI05ldHNjYXBlIENvbW11bmljYXRpb25zIENvcnBvcmF0\n"
        "URL:http://acme.ex\n"
        " ample/ana\n"
        "ADR;TYPE=WORK:;Piso 2;Gran V\xC3\xAD"
        "a 5\\nEntrada B;Madrid;;28001;Espa\xC3\xB1"
        "a\n"
        "END:VCARD\n";
    // 4.0: UTF-8 without CHARSET, an ORG-only card.
    const std::string v40 = "BEGIN:VCARD\r\nVERSION:4.0\r\nORG:Talleres \xC3\x91u\xC3\xB1"
                            "o\r\n"
                            "TEL;VALUE=uri;TYPE=\"voice,cell\":tel:+34-600\r\nEND:VCARD\r\n";
    const auto persons = importText(v21 + v30 + v40, true);
    ASSERT_EQ(persons.size(), 3u);
    const auto& jose = persons[0].texts;
    EXPECT_EQ(jose[person::Name], "JOS\xC9 P\xC9REZ");
    EXPECT_EQ(jose[person::Phone], "91 555 12 34");
    EXPECT_EQ(jose[person::Mobile], "+34 600 111 222");
    EXPECT_EQ(jose[person::OtherPhone], "91 555 99 99");
    EXPECT_EQ(jose[person::Address], "Calle Mayor 1, Madrid, 28013, Espa\xF1"
                                     "a");
    EXPECT_EQ(jose[person::Notes], "Llamar ma\xF1"
                                   "ana temprano\r\ny tarde");
    const auto& ana = persons[1].texts;
    EXPECT_EQ(ana[person::Name], "ANA MAR\xCD"
                                 "A SU\xC1REZ");
    EXPECT_EQ(ana[person::Phone], "1111");
    EXPECT_EQ(ana[person::OtherPhone], "2222, 3333");
    EXPECT_EQ(ana[person::Email1], "ana@acme.example");
    EXPECT_EQ(ana[person::Email2], "ana@casa.example"); // one address to a slot, the rest noted
    EXPECT_EQ(ana[person::WebSite], "http://acme.example/ana");
    EXPECT_EQ(ana[person::Address], "Piso 2, Gran V\xED"
                                    "a 5, Entrada B, Madrid, 28001, Espa\xF1"
                                    "a");
    EXPECT_EQ(ana[person::Notes], "Cargo: Jefa\r\nOrganizaci\xF3n: Acme, S.A., Ventas\r\n"
                                  "Correo: tercera@x.example");
    EXPECT_EQ(persons[2].texts[person::Name], "TALLERES \xD1U\xD1O");
    EXPECT_EQ(persons[2].texts[person::Mobile], "+34-600");

    // Into the companies file the organisation is the name and the person its contact.
    const auto companies = importText(v21 + v30, false);
    const auto& acme = companies[1].texts;
    EXPECT_EQ(companies[1].tag, kTagCompany);
    EXPECT_EQ(acme[company::Name], "ACME, S.A., VENTAS");
    EXPECT_EQ(acme[company::Contacts], "Ana Mar\xED"
                                       "a Su\xE1rez (Jefa)");
    EXPECT_EQ(acme[company::Phone], "1111, 2222, 3333");
    EXPECT_EQ(acme[company::Email], "ana@acme.example");
    EXPECT_EQ(acme[company::Notes], "Correo: ana@casa.example\r\nCorreo: tercera@x.example");
    EXPECT_EQ(companies[0].texts[company::Fax], "91 555 99 99");
    EXPECT_EQ(companies[0].texts[company::Phone], "+34 600 111 222, 91 555 12 34");
}

TEST(VCardWrite, RecordsComeBackWithTheSameNineTexts) {
    std::string every; // every byte a text may hold, from the blank up
    for (int b = 0x20; b <= 0xFF; ++b)
        every += static_cast<char>(b);
    Record p;
    p.tag = kTagPerson;
    p.texts = {"P\xC9REZ, JOS\xC9; \"PEPE\"",
               "91\\555",
               "600;111",
               "",
               "Calle \xD1u\xF1o 3, 2\xBA",
               "pepe@x.example",
               "a@x.example, b@x.example",
               "http://x.example/a,b",
               every};
    p.texts[person::Notes] = "Primera l\xEDnea\r\nsegunda; con \\ y , fin";
    p.texts[person::OtherPhone] = "9\\N1\\\r\n2\\";
    Record everyNote = p;
    everyNote.texts[person::Notes] = every;
    Record c;
    c.tag = kTagCompany;
    c.texts = {"TALLERES \xD1U\xD1O S.A.",
               "MEC\xC1NICA; PINTURA",
               "91 1",
               "91 2",
               "www.t.example",
               "t@t.example",
               "Juan (jefe), Ana",
               "Pol\xEDgono 4\\B",
               "Nota\r\n\x80 y \x9F"};

    for (const auto& [record, persons] :
         {std::pair{p, true}, std::pair{everyNote, true}, std::pair{c, false}}) {
        const std::string card = cardFromRecord(record, persons);
        // 3.0, CR LF, folded at 75 octets, never inside a character.
        std::size_t start = 0;
        for (std::size_t end; (end = card.find("\r\n", start)) != std::string::npos;
             start = end + 2) {
            const std::string line = card.substr(start, end - start);
            EXPECT_LE(line.size(), 75u) << line;
            EXPECT_TRUE(isValidUtf8(line)) << line;
            EXPECT_EQ(line.find('\n'), std::string::npos);
        }
        EXPECT_EQ(start, card.size());
        EXPECT_EQ(card.rfind("BEGIN:VCARD\r\nVERSION:3.0\r\nN:", 0), 0u);
        EXPECT_NE(card.find("\r\nFN:"), std::string::npos);
        EXPECT_EQ(card.find("\r\nORG:") != std::string::npos, !persons);
        EXPECT_EQ(card.find("\r\nX-ABShowAs:COMPANY\r\n") != std::string::npos, !persons);
        CardLosses losses;
        const auto back = importText(card, persons, &losses);
        ASSERT_EQ(back.size(), 1u);
        EXPECT_EQ(back[0], record);
        EXPECT_EQ(losses.cut + losses.replaced, 0);
    }
}

TEST(VCardRead, CountsWhatTheSlotsAndTheCodePageCannotTake) {
    // Greek and an emoji beside the euro, which 1252 holds, a name over 255 characters, and a
    // 2.1 card declared UTF-8.
    const std::string text = "BEGIN:VCARD\nVERSION:3.0\nFN:" + std::string(300, 'a') +
                             "\nNOTE:\xCE\xA9mega \xF0\x9F\x98\x80 \xE2\x82\xAC\nEND:VCARD\n"
                             "BEGIN:VCARD\nVERSION:2.1\nFN;CHARSET=UTF-8:Jos\xC3\xA9\nEND:VCARD\n";
    CardLosses losses;
    const auto records = importText(text, true, &losses);
    EXPECT_EQ(records[0].texts[person::Name], std::string(255, 'A'));
    EXPECT_EQ(records[0].texts[person::Notes], "?mega ? \x80");
    EXPECT_EQ(records[1].texts[person::Name], "JOS\xC9");
    EXPECT_EQ(losses.cut, 1);
    EXPECT_EQ(losses.replaced, 2);

    // A note cut where its line break begins keeps no half of the break.
    const std::size_t room = kSlots[person::Notes].capacity;
    const auto cut =
        importText("BEGIN:VCARD\nVERSION:3.0\nFN:A\nNOTE:" + std::string(room - 1, 'x') +
                       "\\nmas\nEND:VCARD\n",
                   true);
    ASSERT_EQ(cut.size(), 1u);
    EXPECT_EQ(cut[0].texts[person::Notes], std::string(room - 1, 'x'));
}

TEST(VCardRead, BadInputIsRefusedWithItsReason) {
    using E = vcard::ReadError;
    const std::string card = "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:A\r\nEND:VCARD\r\n";
    const std::vector<std::pair<std::string, E>> cases = {
        {"", E::Empty},
        {"\r\n \r\n", E::Empty},
        {"Nombre;Tel\u00e9fono\nAna;123\n", E::NotVCard},
        {"BEGIN:VCALENDAR\nEND:VCALENDAR\n", E::NotVCard},
        {card + "BEGIN:VCARD\nFN:B\n", E::Unterminated},
        {"BEGIN:VCARD\nFN:B\n" + card, E::Unterminated},
        {"BEGIN:VCARD\nNOTE;ENCODING=QUOTED-PRINTABLE:a=G1b\nEND:VCARD\n", E::BadQuotedPrintable},
        {card + std::string("FN:\0x", 5), E::NulByte},
        {"BEGIN:VCARD\nNOTE:" + std::string(10'000'000, 'x') + "\nEND:VCARD\n", E::LineTooLong},
        {"BEGIN:VCARD\nPHOTO;ENCODING=b:" + std::string(10'000'000, 'x') + "\nEND:VCARD\n",
         E::LineTooLong},
    };
    for (const auto& [text, error] : cases) {
        const vcard::ReadResult read = vcard::parse(text);
        EXPECT_EQ(read.error, error) << text.substr(0, 60);
        EXPECT_TRUE(read.cards.empty());
    }
    EXPECT_EQ(vcard::parse(card + "BEGIN:VCARD\nFN:B\n").line, 5u);
    EXPECT_EQ(vcard::parse("\nBEGIN:VCARD\nFN:B\n" + card).line, 2u);
}

TEST(VCardImport, EachCardOfAFileReadsAloneAndABadFileGivesNothing) {
    TempDir dir;
    const fs::path vcf = dir / "c.vcf";
    // The first card's types, encoding and folded value must not carry over to the next.
    const std::string first = "BEGIN:VCARD\nN:P\u00e9rez;Ana;;;\n"
                              "TEL;TYPE=CELL;TYPE=FAX:1\n"
                              "NOTE;CHARSET=ISO-8859-1:caf\xe9\n"
                              "EMAIL;TYPE=INTERNET:ana@example.org\n"
                              "URL:http://a\n .example\nEND:VCARD\n";
    const std::string second = "BEGIN:VCARD\nFN:Beto \u03a9\nTEL:2\nNOTE:t\u00e9\nEND:VCARD\n";
    writeBytes(vcf, first + second);
    const VCardFile read = readVCardFile(vcf, true);
    ASSERT_EQ(read.error, vcard::ReadError::None);
    ASSERT_EQ(read.records.size(), 2u);
    EXPECT_EQ(read.records[0].texts[person::Name], "ANA P\xc9REZ");
    EXPECT_EQ(read.records[0].texts[person::OtherPhone], "1");
    EXPECT_EQ(read.records[0].texts[person::Notes], "caf\xe9");
    EXPECT_EQ(read.records[0].texts[person::WebSite], "http://a.example");
    EXPECT_EQ(read.records[1].texts[person::Name], "BETO ?");
    EXPECT_EQ(read.records[1].texts[person::Phone], "2");
    EXPECT_EQ(read.records[1].texts[person::Notes], "t\xe9");
    EXPECT_EQ(read.records[1].texts[person::Email1], "");
    EXPECT_EQ(read.losses.replaced, 1);

    // Cards read before the fault are not imported, nor counted.
    writeBytes(vcf, first + second + "BEGIN:VCARD\nFN:C\n");
    const VCardFile bad = readVCardFile(vcf, true);
    EXPECT_EQ(bad.error, vcard::ReadError::Unterminated);
    EXPECT_EQ(bad.line, 14u);
    EXPECT_TRUE(bad.records.empty());
    EXPECT_EQ(bad.losses.replaced, 0);
}

// A large file is read as two halves at once; whatever it holds, the outcome must be what one
// reading of the whole gives: the same records and losses, or the same error and line.
TEST(VCardImport, ALargeFileReadInHalvesReadsAsOneReadingDoes) {
    TempDir dir;
    const fs::path vcf = dir / "c.vcf";
    const auto oneReading = [](const std::string& text) {
        VCardFile result;
        const vcard::ReadResult read = vcard::parse(text);
        result.error = read.error;
        result.line = read.line;
        for (const vcard::Card& card : read.cards)
            result.records.push_back(recordFromCard(card, true, result.losses));
        return result;
    };
    const auto expectSame = [&](const std::string& text, const char* what) {
        writeBytes(vcf, text);
        const VCardFile read = readVCardFile(vcf, true), whole = oneReading(text);
        EXPECT_EQ(read.error, whole.error) << what;
        EXPECT_EQ(read.line, whole.line) << what;
        EXPECT_EQ(read.records.size(), whole.records.size()) << what;
        EXPECT_TRUE(read.records == whole.records) << what;
        EXPECT_EQ(read.losses.cut, whole.losses.cut) << what;
        EXPECT_EQ(read.losses.replaced, whole.losses.replaced) << what;
        return whole.error;
    };
    std::string text;
    for (int i = 0; text.size() < (5u << 20); ++i)
        text += "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Persona " + std::to_string(i) +
                " \u03a9\r\nTEL;TYPE=CELL:" + std::to_string(i) +
                "\r\nNOTE:" + std::string(static_cast<std::size_t>(i % 300), 'n') +
                "\r\nEND:VCARD\r\n";
    EXPECT_EQ(expectSame(text, "whole"), vcard::ReadError::None);

    // A card without its end, in the first half and in the second.
    for (const std::size_t at : {text.size() / 4, text.size() - 1000}) {
        std::string bad = text;
        bad.replace(bad.find("END:VCARD", at), 3, "FIN");
        EXPECT_NE(expectSame(bad, "unterminated"), vcard::ReadError::None);
    }
    // The card before the first place past the middle where one card ends and the next begins:
    // a quoted-printable soft break on its last line reaches over its END:VCARD.
    std::string soft = text;
    const std::size_t seam = soft.find("\nEND:VCARD\r\nBEGIN:VCARD\r\n", soft.size() / 2);
    const std::size_t note = soft.rfind("\nNOTE:", seam);
    soft.insert(seam - 1, "=");
    soft.replace(note + 1, 5, "NOTE;ENCODING=QUOTED-PRINTABLE:");
    expectSame(soft, "soft break");
}

TEST(VCardImport, AddsOnlyWhatTheFileLacksAsSingleInsertsWould) {
    TempDir dir;
    const fs::path vcf = dir / "c.vcf", data = dir / "p.dat", oneByOne = dir / "uno.dat";
    // Not in name order.
    writeBytes(data, bytesOf({personRecord("ZOE", "9"), personRecord("ANA", "2")}));
    writeBytes(oneByOne, readBytes(data));
    std::vector<Record> cards = {personRecord("MARIO", "1"), personRecord("ANA", "2"),
                                 personRecord("BETO", "3")};
    cards.push_back(personRecord("ANA", "2")); // equal to a record of the file
    cards.push_back(cards[0]);                 // twice in the same file
    cards[1].texts[person::Notes] = "otra ANA";
    writeVCardFile(vcf, cards, true);

    VCardFile read = readVCardFile(vcf, true);
    ASSERT_EQ(read.records, cards);
    const NewRecords first = newRecordsFor(data, read.records);
    EXPECT_EQ(first.records.size(), 3u);
    EXPECT_EQ(first.present, 2);
    insertRecords(data, first.records);
    for (std::size_t i : {0, 1, 2})
        ingresardatos(oneByOne, cards[i].texts[0],
                      {cards[i].texts[1], cards[i].texts[2], cards[i].texts[3], cards[i].texts[4],
                       cards[i].texts[5], cards[i].texts[6], cards[i].texts[7], cards[i].texts[8]},
                      kTagPerson, -1);
    EXPECT_EQ(readBytes(data), readBytes(oneByOne));

    // The same file again adds nothing and leaves the data file untouched.
    const auto before = fs::last_write_time(data);
    const NewRecords second = newRecordsFor(data, readVCardFile(vcf, true).records);
    EXPECT_TRUE(second.records.empty());
    EXPECT_EQ(second.present, 5);
    insertRecords(data, second.records);
    EXPECT_EQ(readBytes(data), readBytes(oneByOne));
    EXPECT_EQ(fs::last_write_time(data), before);
}

TEST(VCardWrite, AnIndependentReaderFindsEveryNameNumberAddressAndEmail) {
    TempDir dir;
    Record p = personRecord("JOS\xC9 P\xC9REZ, \"PEPE\"; HIJO", "91 555 12 34");
    p.texts[person::Mobile] = "+34 600 111 222";
    p.texts[person::Address] = "Calle \xD1u\xF1o 3; 2\xBA izq., Madrid";
    p.texts[person::Email1] = "pepe@x.example";
    p.texts[person::Email2] = "jose.perez@trabajo.example";
    Record c = companyRecord("TALLERES \xC1VILA S.A.", "MEC\xC1NICA");
    c.texts[company::Phone] = "91 1";
    c.texts[company::Fax] = "91 2";
    c.texts[company::Address] = "Pol\xEDgono 4, nave\\B";
    c.texts[company::Email] = "taller@avila.example";
    writeVCardFile(dir / "p.vcf", {p}, true);
    writeVCardFile(dir / "c.vcf", {c}, false);

    std::string found;
    const std::string command = "/usr/bin/python3 " TEVO_TESTS_DIR "/core/vobject_reader.py " +
                                (dir / "p.vcf").string() + " " + " 2>&1 && /usr/bin/python3 " +
                                TEVO_TESTS_DIR "/core/vobject_reader.py " +
                                (dir / "c.vcf").string() + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    char buffer[4096];
    for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        found.append(buffer, n);
    EXPECT_EQ(pclose(pipe), 0) << found;
    EXPECT_EQ(found,
              cp1252ToUtf8("JOS\xC9 P\xC9REZ, \"PEPE\"; HIJO\tTEL 91 555 12 34\t"
                           "TEL +34 600 111 222\tADR Calle \xD1u\xF1o 3; 2\xBA izq., Madrid\t"
                           "EMAIL pepe@x.example\tEMAIL jose.perez@trabajo.example\n"
                           "TALLERES \xC1VILA S.A.\tTEL 91 1\tTEL 91 2\t"
                           "ADR Pol\xEDgono 4, nave\\B\tEMAIL taller@avila.example\t"
                           "ORG TALLERES \xC1VILA S.A.\n"));
}

// Forms of old writers: line ends of CR alone, quoted-printable with small hexadecimal digits,
// FN given after N. The first four slots get capitals, as the entry window's boxes make them;
// the rest keep their small letters.
TEST(VCardRead, OldMacLinesSmallHexDigitsAndCapitalsWhereTheEntryWindowMakesThem) {
    const std::string person =
        "BEGIN:VCARD\r"
        "VERSION:2.1\r"
        "N:P\xC3\xA9rez;Jos\xC3\xA9;;;\r"
        "FN;ENCODING=QUOTED-PRINTABLE;CHARSET=UTF-8:pepe p=c3=a9rez\r"
        "TEL;HOME:91 ext a\r"
        "TEL;CELL:600 b\r"
        "TEL;PAGER:77 c\r"
        "ADR;HOME:;;calle mayor;;;;\r"
        "EMAIL:pepe@x.example\r"
        "URL:http://x.example/a\r"
        "NOTE;ENCODING=QUOTED-PRINTABLE;CHARSET=ISO-8859-1:ma=f1ana=0d=0at=\r"
        "arde\r"
        "END:VCARD\r";
    auto records = importText(person, true);
    ASSERT_EQ(records.size(), 1u);
    Record expected;
    expected.tag = kTagPerson;
    expected.texts = {"PEPE P\xC9REZ",
                      "91 EXT A",
                      "600 B",
                      "77 C",
                      "calle mayor",
                      "pepe@x.example",
                      "",
                      "http://x.example/a",
                      "ma\xF1"
                      "ana\r\ntarde"};
    EXPECT_EQ(records[0], expected);

    const std::string company = "BEGIN:VCARD\rVERSION:3.0\rFN:ana\rORG:acme\rROLE:venta\r"
                                "TEL;TYPE=WORK:91 a\rTEL;TYPE=FAX:91 f\rURL:www.acme.example\r"
                                "EMAIL:v@acme.example\rADR:;;pol\xC3\xADgono;;;;\rNOTE:nota\r"
                                "END:VCARD\r";
    records = importText(company, false);
    ASSERT_EQ(records.size(), 1u);
    expected.tag = kTagCompany;
    expected.texts = {"ACME",           "VENTA", "91 A",        "91 F", "www.acme.example",
                      "v@acme.example", "ana",   "pol\xEDgono", "nota"};
    EXPECT_EQ(records[0], expected);
}

// A backslash of a record is written escaped, so that no reader takes it with the character
// behind it for an escape; escapes of other writers are read back as their characters.
TEST(VCardWrite, BackslashesAreEscapedBothWaysAndLongLinesFoldAt75Octets) {
    Record p = personRecord("ANA");
    p.texts[person::Notes] = "C:\\nuevo\\n, \\, y \\\\ fin\\";
    const std::string card = cardFromRecord(p, true);
    EXPECT_NE(card.find("NOTE:C:\\\\nuevo\\\\n\\, \\\\\\, y \\\\\\\\ fin\\\\\r\n"),
              std::string::npos)
        << card;
    auto back = importText(card, true);
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(back[0].texts[person::Notes], p.texts[person::Notes]);

    back = importText("BEGIN:VCARD\r\nVERSION:3.0\r\nFN:X\r\n"
                      "NOTE:a\\nb\\Nc\\,d\\;e\\:f\\\\g\\h\r\nEND:VCARD\r\n",
                      true);
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(back[0].texts[person::Notes], "a\r\nb\r\nc,d;e:f\\g\\h");

    // A note of 200 letters: "NOTE:" and 70 letters, then lines of a blank and 74 letters.
    p.texts[person::Notes] = std::string(200, 'x');
    const std::string folded = cardFromRecord(p, true);
    const std::string expected = "\r\nNOTE:" + std::string(70, 'x') + "\r\n " +
                                 std::string(74, 'x') + "\r\n " + std::string(56, 'x') + "\r\n";
    EXPECT_NE(folded.find(expected), std::string::npos) << folded;
    back = importText(folded, true);
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(back[0].texts[person::Notes], p.texts[person::Notes]);
}
