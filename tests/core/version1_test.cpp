// Version-1 files and the batch insert that turns them into data files.
#include "core/fileio.h"
#include "core/rewrite.h"
#include "core/version1.h"

#include "records.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using namespace core;
using namespace testsupport;
namespace fs = std::filesystem;

TEST(BatchInsert, WritesByteForByteWhatSingleInsertsWrite) {
    TempDir dir;
    const std::string longName(255, 'M');
    // Equal, empty, accented (0xC1) and small-letter names, and two names equal once cut to 255.
    const std::vector<std::string> names = {
        "beto", "ANA", "",     "\xC1LVARO",    "ANA",          "Zeta",
        "",     "ana", "BETO", longName + "Z", longName + "A", "MARIO"};
    std::vector<Record> batch;
    for (std::size_t i = 0; i < names.size(); ++i) {
        Record r = personRecord(names[i], "tel " + std::to_string(i));
        r.texts[person::Notes] = std::string(300, 'n'); // cut to 255 on both paths
        batch.push_back(r);
    }
    // An existing file out of name order, with bytes a writer does not keep.
    std::string unsorted = bytesOf(personsNamed({"MARIO", "ANA", "ZOE", "", "ANA"}));
    unsorted[1600] = 'x';
    unsorted[1636 + 300] = 'y';

    for (const std::optional<std::string>& start :
         {std::optional<std::string>{}, std::optional<std::string>{""},
          std::optional<std::string>{unsorted}}) {
        const fs::path one = dir / "uno.dat", all = dir / "todos.dat";
        for (const fs::path& f : {one, all}) {
            fs::remove(f);
            if (start)
                writeBytes(f, *start);
        }
        std::int64_t lastPosition = -1;
        for (const Record& r : batch) {
            std::array<std::string, 8> others;
            std::copy(r.texts.begin() + 1, r.texts.end(), others.begin());
            lastPosition = ingresardatos(one, r.texts[0], others, r.tag, -1).position;
        }
        std::vector<std::int64_t> seen;
        const RewriteResult merged =
            insertRecords(all, batch, [&](std::int64_t done) { seen.push_back(done); });
        EXPECT_EQ(readBytes(all), readBytes(one));
        EXPECT_EQ(merged.position, lastPosition);
        EXPECT_EQ(merged.failure, RewriteFailure::None);
        ASSERT_EQ(seen.size(), batch.size());
        EXPECT_EQ(seen.front(), 1);
        EXPECT_EQ(seen.back(), static_cast<std::int64_t>(batch.size()));
        EXPECT_FALSE(fs::exists(dir / kTempFileName));
    }

    // Nothing to insert leaves the file as it is, stray bytes and all.
    writeBytes(dir / "x.dat", unsorted);
    EXPECT_EQ(insertRecords(dir / "x.dat", {}).position, -1);
    EXPECT_EQ(readBytes(dir / "x.dat"), unsorted);
}

TEST(BatchInsert, WaitsForTheFolderLikeEveryRewrite) {
    TempDir dir;
    const fs::path file = dir / "persona1.dat";
    const std::string before = bytesOf(personsNamed({"ANA"}));
    writeBytes(file, before);
    std::thread merge;
    {
        const fileio::FolderLock other = fileio::lockFolder(dir.path());
        ASSERT_TRUE(other.held());
        merge = std::thread([&] { insertRecords(file, personsNamed({"BETO", "CARLA"})); });
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        EXPECT_EQ(readBytes(file), before);
    }
    merge.join();
    EXPECT_EQ(namesIn(file), (std::vector<std::string>{"ANA", "BETO", "CARLA"}));
}

TEST(Version1, RecordsBecomeRecordsOfTheirKind) {
    TempDir dir;
    const std::string phone120(120, '7'), contacts220(220, 'c'), name250(250, 'N');
    std::string bytes = version1Bytes({{name250, phone120, "movil", contacts220, "correo", "notas"},
                                       {"\xD1O\xD1O", "", "", "", "", "fin"}});
    bytes[1506 + 5 * 251] = static_cast<char>(255); // a length the first version never wrote
    bytes += std::string(1000, 'z');                // a trailing fragment
    writeBytes(dir / "v1.dat", bytes);

    Version1File file(dir / "v1.dat");
    ASSERT_EQ(file.count(), 2);
    const std::vector<Record> persons = file.readAll(Version1Kind::Persons);
    ASSERT_EQ(persons.size(), 2u);
    const Record& p = persons[0];
    EXPECT_EQ(p.tag, kTagPerson);
    EXPECT_EQ(p.texts[person::Name], name250);
    EXPECT_EQ(p.texts[person::Phone], phone120.substr(0, 100));
    EXPECT_EQ(p.texts[person::Mobile], "movil");
    EXPECT_EQ(p.texts[person::Address], contacts220);
    EXPECT_EQ(p.texts[person::Email1], "correo");
    EXPECT_EQ(p.texts[person::Notes], "notas");
    for (int empty : {person::OtherPhone, person::Email2, person::WebSite})
        EXPECT_EQ(p.texts[empty], "");
    EXPECT_EQ(persons[1].texts[person::Name], "\xD1O\xD1O");
    // The over-long field stops at its own 250 bytes, before the fragment or the next record.
    EXPECT_EQ(persons[1].texts[person::Notes], std::string("fin") + std::string(247, '\0'));

    const Record c = file.readAll(Version1Kind::Companies)[0];
    EXPECT_EQ(c.tag, kTagCompany);
    EXPECT_EQ(c.texts[company::Name], name250);
    EXPECT_EQ(c.texts[company::Business], phone120.substr(0, 100));
    EXPECT_EQ(c.texts[company::Phone], "movil");
    EXPECT_EQ(c.texts[company::Contacts], contacts220.substr(0, 200));
    EXPECT_EQ(c.texts[company::WebSite], "correo");
    EXPECT_EQ(c.texts[company::Notes], "notas");
    for (int empty : {company::Fax, company::Email, company::Address})
        EXPECT_EQ(c.texts[empty], "");

    EXPECT_EQ(version1Kind("vivazo01.dat"), Version1Kind::Persons);
    EXPECT_EQ(version1Kind("dodidi02.dat"), Version1Kind::Companies);
    EXPECT_EQ(version1Kind("VIVAZO01.DAT"), std::nullopt);
}

// More records than one read block (700) and not a multiple of it: each one is read at its
// place, every field whole, and the fragment after the last is left alone.
TEST(Version1, ALargeFileIsReadWholeRecordByRecord) {
    TempDir dir;
    std::vector<std::array<std::string, 6>> fields;
    for (int i = 0; i < 1601; ++i) {
        const std::string n = std::to_string(i);
        fields.push_back({"N" + n, "t" + n, std::string(i % 101, 'm'), "d" + n, "c" + n,
                          std::string(i % 251, 'z')});
    }
    writeBytes(dir / "vivazo01.dat", version1Bytes(fields) + std::string(1505, 'q'));
    Version1File file(dir / "vivazo01.dat");
    ASSERT_EQ(file.count(), 1601);
    const std::vector<Record> records = file.readAll(Version1Kind::Persons);
    ASSERT_EQ(records.size(), fields.size());
    const int slots[] = {person::Name,    person::Phone,  person::Mobile,
                         person::Address, person::Email1, person::Notes};
    for (std::size_t i = 0; i < fields.size(); ++i)
        for (int f = 0; f < 6; ++f)
            ASSERT_EQ(records[i].texts[slots[f]], fields[i][f].substr(0, f == 5 ? 255 : 100))
                << i << " " << f;
}
