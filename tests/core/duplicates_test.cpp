#include "core/duplicates.h"
#include "core/rewrite.h"

#include "records.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

using namespace core;
using namespace testsupport;

namespace {

using Texts = std::initializer_list<std::pair<int, std::string>>;

Record with(Record r, Texts texts) {
    for (const auto& [slot, text] : texts)
        r.texts[slot] = text;
    return r;
}
Record personWith(const std::string& name, Texts texts) {
    return with(personRecord(name), texts);
}
Record companyWith(const std::string& name, Texts texts) {
    return with(companyRecord(name), texts);
}

struct Found {
    std::vector<std::int64_t> records;
    unsigned links;
    bool operator==(const Found& o) const { return records == o.records && links == o.links; }
};

std::vector<Found> found(const std::vector<DuplicateGroup>& groups) {
    std::vector<Found> result;
    for (const DuplicateGroup& g : groups)
        result.push_back({g.records, g.links});
    return result;
}

std::ostream& operator<<(std::ostream& out, const Found& f) {
    out << "{";
    for (const std::int64_t n : f.records)
        out << n << " ";
    return out << "links " << f.links << "}";
}

} // namespace

TEST(Duplicates, KeysFoldAccentsCasePunctuationAndNumberPrefixes) {
    EXPECT_EQ(foldText("  \xD1"
                       "and\xFA,  O'Higgins\t\xDF "),
              "NANDU O HIGGINS SS");
    EXPECT_EQ(nameKey("P\xE9rez,  Jos\xE9"), nameKey("JOSE PEREZ"));
    EXPECT_EQ(nameKey("P\xE9rez,  Jos\xE9"), "JOSE PEREZ");
    EXPECT_EQ(nameKey("...!"), "");
    // Prefixes and blanks fall away; two numbers in one text are two keys; short ones none.
    EXPECT_EQ(phoneKeys("+56 9 1234 5678"), phoneKeys("912345678"));
    EXPECT_EQ(phoneKeys("(2) 2345-6789 / 9.8765.4321, anexo 12"),
              (std::vector<std::string>{"23456789", "87654321"}));
    EXPECT_EQ(phoneKeys("1234"), std::vector<std::string>{});
    EXPECT_EQ(phoneKeys("123456"), std::vector<std::string>{"123456"});
    EXPECT_EQ(emailKeys("Ana.D\xCD"
                        "az@Example.COM; mailto:otro@x.cl sin-arroba"),
              (std::vector<std::string>{"ana.d\xED"
                                        "az@example.com",
                                        "otro@x.cl"}));
    EXPECT_EQ(webKeys("HTTP://WWW.Acme.cl/  https://tienda.acme.cl// www. ftp://"),
              (std::vector<std::string>{"acme.cl", "tienda.acme.cl"}));
}

TEST(Duplicates, PersonsGroupByNameWordsNumbersAndEmailsAlsoThroughAChain) {
    TempDir dir;
    const auto file = dir / "persona1.dat";
    writeBytes(
        file,
        bytesOf({
            personWith("JOS\xC9 P\xC9REZ", {{person::Phone, "+56 9 1234 5678"}}), // 0
            personWith("Perez,  Jose", {}),                                       // 1: name
            personWith("MARIA LOPEZ", {{person::Mobile, "912345678"}}),           // 2: phone
            personWith("ANA", {{person::Email1, "Ana.Diaz@Example.COM"}}),        // 3
            personWith("PEDRO", {{person::Phone, "1234"}, {person::WebSite, "www.x.cl"}}),
            personWith("PEDRO SOTO", {{person::Phone, "1234"}, {person::WebSite, "x.cl"}}),
            personWith("CARLA ROJAS", {{person::OtherPhone, "2233 4455"}}), // 6
            personWith("ANITA DIAZ", {{person::Email2, "mailto:ana.diaz@example.com"}}),
            personWith("C. ROJAS", {{person::Phone, "22334455"}, {person::Email1, "c@rojas.cl"}}),
            personWith("KARLA R.", {{person::Email2, "C@ROJAS.CL"}}), // 9: chain 6-8-9
            personWith("", {}), personWith("", {}),                   // empty names are no name
        }));
    const std::vector<Found> expected = {
        {{0, 1, 2}, LinkName | LinkPhone},
        {{3, 7}, LinkEmail},
        {{6, 8, 9}, LinkPhone | LinkEmail},
    };
    EXPECT_EQ(found(findDuplicates(file, true)), expected);
}

TEST(Duplicates, CompaniesAlsoGroupByFaxAndWebSite) {
    TempDir dir;
    const auto file = dir / "empresa1.dat";
    writeBytes(file, bytesOf({
                         companyWith("ACME LTDA", {{company::WebSite, "http://www.acme.cl/"}}),
                         companyWith("ACME SERVICIOS", {{company::WebSite, "acme.cl"}}),
                         companyWith("BETA", {{company::Fax, "(2) 2345 6789"}}),
                         companyWith("GAMMA", {{company::Phone, "223456789"}}),
                         companyWith("DELTA", {{company::Contacts, "ana@delta.cl"}}),
                         companyWith("EPSILON", {{company::Email, "ANA@delta.cl"}}),
                     }));
    const std::vector<Found> expected = {{{0, 1}, LinkWeb}, {{2, 3}, LinkPhone}};
    EXPECT_EQ(found(findDuplicates(file, false)), expected);
}

TEST(Duplicates, ProposalTakesTheLongestTextsAndJoinsTheNotesWithinTheSlot) {
    const std::vector<Record> records = {
        personWith("JUAN PEREZ", {{person::Phone, "22334455"}, {person::Notes, "Amigo"}}),
        personWith("PEREZ JUAN", {{person::Phone, "+56 2 2233 4455"}, {person::Notes, "Amigo"}}),
        personWith("J. PEREZ", {{person::Email1, "j@p.cl"}, {person::Notes, "Vecino"}}),
    };
    MergeProposal p = proposeMerge(records);
    EXPECT_EQ(p.merged.texts[person::Name], "JUAN PEREZ"); // the first of equal length
    EXPECT_EQ(p.merged.texts[person::Phone], "+56 2 2233 4455");
    EXPECT_EQ(p.merged.texts[person::Email1], "j@p.cl");
    EXPECT_EQ(p.merged.texts[person::Notes], "Amigo\r\nVecino");
    EXPECT_EQ(p.merged.tag, kTagPerson);
    EXPECT_FALSE(p.notesCut);

    // 200 + 2 + 100 characters: cut at the slot's 255, and never inside the line break.
    const std::vector<Record> longNotes = {
        personWith("A", {{person::Notes, std::string(200, 'a')}}),
        personWith("A", {{person::Notes, std::string(100, 'b')}}),
    };
    p = proposeMerge(longNotes);
    EXPECT_TRUE(p.notesCut);
    EXPECT_EQ(p.merged.texts[person::Notes], std::string(200, 'a') + "\r\n" + std::string(53, 'b'));
    const std::vector<Record> breakAtTheEnd = {
        personWith("A", {{person::Notes, std::string(254, 'a')}}),
        personWith("A", {{person::Notes, "b"}}),
    };
    p = proposeMerge(breakAtTheEnd);
    EXPECT_TRUE(p.notesCut);
    EXPECT_EQ(p.merged.texts[person::Notes], std::string(254, 'a'));
}

TEST(Duplicates, MergeIsWrittenByteForByteAndTheOtherGroupsKeepTheirRecords) {
    TempDir dir;
    const auto file = dir / "persona1.dat";
    const std::vector<Record> records = {
        personWith("ANA", {}),
        personWith("JUAN PEREZ", {{person::Phone, "22334455"}}),
        personWith("LUIS", {{person::Mobile, "99887766"}}),
        personWith("PEREZ JUAN", {{person::Email1, "juan@perez.cl"}, {person::Notes, "Primo"}}),
        personWith("ZOE", {{person::Mobile, "+56 9 9988 7766"}}),
    };
    writeBytes(file, bytesOf(records));
    std::vector<DuplicateGroup> groups = findDuplicates(file, true);
    ASSERT_EQ(found(groups), (std::vector<Found>{{{1, 3}, LinkName}, {{2, 4}, LinkPhone}}));

    const std::optional<std::vector<Record>> shown = readGroup(file, groups[0]);
    ASSERT_TRUE(shown);
    EXPECT_EQ(*shown, (std::vector<Record>{records[1], records[3]}));
    const Record merged = proposeMerge(*shown).merged;
    const RewriteResult result = mergeRecords(file, groups[0].records, *shown, merged);
    EXPECT_EQ(result.failure, RewriteFailure::None);
    EXPECT_EQ(result.position, 1);
    const Record expected = personWith(
        "JUAN PEREZ",
        {{person::Phone, "22334455"}, {person::Email1, "juan@perez.cl"}, {person::Notes, "Primo"}});
    EXPECT_EQ(readBytes(file), bytesOf({records[0], expected, records[2], records[4]}));

    renumberAfterMerge(groups, 0, result.position);
    const std::vector<DuplicateGroup> again = findDuplicates(file, true);
    EXPECT_EQ(found(groups), found(again));
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(groups[0].fingerprints, again[0].fingerprints);
    EXPECT_TRUE(readGroup(file, groups[0]));
}

TEST(Duplicates, AMergeOfRecordsChangedSinceTheyWereShownIsRefused) {
    TempDir dir;
    const auto file = dir / "persona1.dat";
    writeBytes(file, bytesOf({personWith("ANA", {{person::Phone, "11223344"}}),
                              personWith("ANA MARIA", {{person::Phone, "11223344"}}),
                              personWith("BETO", {})}));
    const std::vector<DuplicateGroup> groups = findDuplicates(file, true);
    ASSERT_EQ(groups.size(), 1u);
    const std::vector<Record> shown = *readGroup(file, groups[0]);
    const Record merged = proposeMerge(shown).merged;

    // Another instance edits the second record, then one that deletes a record before them.
    Record edited = shown[1];
    edited.texts[person::Notes] = "nuevo";
    ASSERT_EQ(modificar(file, 1, edited).failure, RewriteFailure::None);
    std::string before = readBytes(file);
    EXPECT_FALSE(readGroup(file, groups[0]));
    RewriteResult result = mergeRecords(file, groups[0].records, shown, merged);
    EXPECT_EQ(result.failure, RewriteFailure::Changed);
    EXPECT_EQ(result.position, kRecordChanged);
    EXPECT_EQ(readBytes(file), before);

    writeBytes(file, bytesOf({personWith("AARON", {}), shown[0], shown[1]}));
    before = readBytes(file);
    EXPECT_FALSE(readGroup(file, groups[0]));
    EXPECT_EQ(mergeRecords(file, groups[0].records, shown, merged).failure,
              RewriteFailure::Changed);
    EXPECT_EQ(readBytes(file), before);
}
