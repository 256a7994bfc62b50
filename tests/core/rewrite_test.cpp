#include "core/fileio.h"
#include "core/inifile.h"
#include "core/ioerror.h"
#include "core/leftovers.h"
#include "core/rewrite.h"

#include "records.h"
#include "support/child.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <limits>
#include <optional>
#include <set>
#include <sys/stat.h>
#include <thread>

using namespace core;
using namespace testsupport;
namespace fs = std::filesystem;

namespace {

class Rewrite : public ::testing::Test {
  protected:
    ~Rewrite() override {
        fileio::clearFaults();
        fileio::refuseKernelCopy(false);
        setRewriteClock(nullptr);
    }

    void store(const std::vector<std::string>& names) {
        writeBytes(file, bytesOf(personsNamed(names)));
    }
    RewriteResult insert(const std::string& name, const std::string& phone = {}) {
        return ingresardatos(file, name, {phone, "", "", "", "", "", "", ""}, kTagPerson, -1);
    }
    std::vector<std::string> phones() {
        std::vector<std::string> result;
        for (std::int64_t i = 0; i < recordCount(file); ++i)
            result.push_back(readRecord(file, i).texts[person::Phone]);
        return result;
    }
    bool tempLeft() const { return fs::exists(dir / kTempFileName); }
    std::optional<std::string> content() const {
        if (!fs::exists(file))
            return std::nullopt;
        return readBytes(file);
    }
    void restore(const std::optional<std::string>& bytes) {
        if (bytes)
            writeBytes(file, *bytes);
        else
            fs::remove(file);
    }

    // Fails each call of `op` in turn. Before the rename the data file must be exactly as it
    // was; the only call after it flushes the folder, when the new content is already in place.
    void expectSafeAtEveryCall(const std::function<RewriteResult()>& op,
                               std::int64_t expectedPosition,
                               const std::set<RewriteFailure>& reportedFailures) {
        const std::optional<std::string> original = content();
        if (prime)
            prime();
        fileio::clearFaults();
        ASSERT_EQ(op().position, expectedPosition);
        const long total = fileio::callCount();
        const std::optional<std::string> expected = content();
        ASSERT_NE(expected, original);

        std::set<RewriteFailure> seen;
        for (long n = 1; n <= total; ++n) {
            restore(original);
            if (prime)
                prime();
            fileio::setFaults({n, EIO, -1});
            std::optional<RewriteResult> result;
            try {
                result = op();
            } catch (const IoError& e) {
                EXPECT_EQ(e.errnum(), EIO);
            }
            fileio::clearFaults();
            EXPECT_FALSE(tempLeft()) << "call " << n;
            if (n == total) {
                EXPECT_FALSE(result) << "a failed folder flush must be reported";
                EXPECT_EQ(content(), expected);
            } else if (!result) {
                EXPECT_EQ(content(), original) << "call " << n;
            } else if (result->failure == RewriteFailure::CloseData) {
                EXPECT_EQ(content(), expected);
                EXPECT_EQ(result->position, expectedPosition);
            } else {
                EXPECT_EQ(content(), original) << "call " << n;
                EXPECT_EQ(result->position, kRewriteFailed);
            }
            if (result)
                seen.insert(result->failure);
        }
        EXPECT_EQ(seen, reportedFailures);
    }

    // Run after each restore, before the faults are set.
    std::function<void()> prime;
    TempDir dir;
    fs::path file = dir / "persona1.dat";
};

std::vector<std::string> numberedNames(int count) {
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i)
        names.push_back("N" + std::to_string(10000 + i));
    return names;
}

// Writes one byte in place and returns the file's modification time from before.
timespec poke(const fs::path& file, std::uint64_t offset, char byte) {
    struct stat st {};
    ::stat(file.c_str(), &st);
    std::fstream out(file, std::ios::in | std::ios::out | std::ios::binary);
    out.seekp(static_cast<std::streamoff>(offset));
    out.put(byte);
    return st.st_mtim;
}

std::int64_t farFuture() {
    return std::numeric_limits<std::int64_t>::max();
}

const std::set<RewriteFailure> kAllReported = {RewriteFailure::CloseTemp, RewriteFailure::CloseData,
                                               RewriteFailure::Rename};

} // namespace

TEST_F(Rewrite, InsertIntoMissingOrEmptyFileGivesOneRecord) {
    EXPECT_EQ(insert("ANA").position, 0);
    EXPECT_EQ(readBytes(file), bytesOf({personRecord("ANA")}));
    writeBytes(file, "");
    EXPECT_EQ(insert("LUIS").position, 0);
    EXPECT_EQ(namesIn(file), std::vector<std::string>{"LUIS"});
    EXPECT_FALSE(tempLeft());
}

TEST_F(Rewrite, InsertKeepsEqualNamesInArrivalOrder) {
    store({"ANA", "ANA", "LUIS"});
    EXPECT_EQ(insert("ANA", "third").position, 2);
    EXPECT_EQ(insert("", "e1").position, 0);
    EXPECT_EQ(insert("", "e2").position, 1); // after the empty names already there
    EXPECT_EQ(phones(),
              (std::vector<std::string>{"e1", "e2", "tel ANA", "tel ANA", "third", "tel LUIS"}));
}

TEST_F(Rewrite, InsertOrdersNamesByUnsignedBytes) {
    // Á (0xC1) after every capital and small letter; capitals before small letters; a prefix
    // before the longer name.
    for (const char* name : {"\xC1LVARO", "ana", "ZOE", "ANABEL", "ANA", "Zoe", "\xD1O\xD1O"})
        insert(name);
    EXPECT_EQ(namesIn(file), (std::vector<std::string>{"ANA", "ANABEL", "ZOE", "Zoe", "ana",
                                                       "\xC1LVARO", "\xD1O\xD1O"}));
}

TEST_F(Rewrite, InsertIntoUnsortedFileGoesBeforeTheFirstGreaterName) {
    store({"B", "E", "A", "C"});
    EXPECT_EQ(insert("D").position, 1);
    EXPECT_EQ(namesIn(file), (std::vector<std::string>{"B", "D", "E", "A", "C"}));
}

TEST_F(Rewrite, InsertCutsTextsToTheirSlots) {
    ingresardatos(file, std::string(300, 'N'),
                  {"", "", "", "", "", std::string(250, 'e'), "", std::string(300, 'n')},
                  kTagCompany, -1);
    const Record r = readRecord(file, 0);
    EXPECT_EQ(r.texts[person::Name], std::string(255, 'N'));
    EXPECT_EQ(r.texts[person::Email2], std::string(200, 'e'));
    EXPECT_EQ(r.texts[person::Notes], std::string(255, 'n'));
    EXPECT_EQ(r.tag, kTagCompany);
}

TEST_F(Rewrite, CarriedRecordsKeepTextsAndTagsAndLoseOnlyMeaninglessBytes) {
    RecordBytes messy;
    messy.fill(0xA5);          // every length byte above or near capacity, junk everywhere
    writeTag(messy.data(), 7); // only record 0's tag is ever looked at
    writeBytes(file, bytesOf({personRecord("0")}) +
                         std::string(reinterpret_cast<const char*>(messy.data()), messy.size()));
    const Record before = decodeRecord(messy.data());
    EXPECT_EQ(insert("A").position, 1);
    ASSERT_EQ(recordCount(file), 3);
    EXPECT_EQ(readRecord(file, 2), before);
    const RecordBytes clean = encodeRecord(before);
    EXPECT_EQ(readBytes(file).substr(2 * kRecordSize),
              std::string(reinterpret_cast<const char*>(clean.data()), clean.size()));
}

TEST_F(Rewrite, DeleteRemovesOneRecordAndTheOnlyOneLeavesAnEmptyFile) {
    store({"A", "B", "C"});
    EXPECT_EQ(eliminar(file, 1).position, -1);
    EXPECT_EQ(namesIn(file), (std::vector<std::string>{"A", "C"}));
    eliminar(file, 0);
    const RewriteResult last = eliminar(file, 0);
    EXPECT_EQ(last.position, -1);
    EXPECT_EQ(last.failure, RewriteFailure::None);
    EXPECT_TRUE(fs::exists(file));
    EXPECT_EQ(fs::file_size(file), 0u);
    EXPECT_FALSE(tempLeft());
}

TEST_F(Rewrite, DeletingANumberNotInTheFileChangesNothing) {
    const std::string bytes = bytesOf(personsNamed({"A", "B"}));
    writeBytes(file, bytes);
    EXPECT_EQ(eliminar(file, 2).position, -1);
    EXPECT_EQ(eliminar(file, -1).position, -1); // never an insert of an empty record
    EXPECT_EQ(readBytes(file), bytes);
    fs::remove(file);
    EXPECT_EQ(eliminar(file, 0).position, -1);
    EXPECT_FALSE(fs::exists(file));
}

// The record shown by a window must still be record n in every text and the tag; the same
// name with another telephone, or a record of the other kind, is another record.
TEST_F(Rewrite, DeleteOrModifyOfARecordChangedSinceItWasShownIsRefused) {
    store({"ANA", "LUIS"});
    const std::string bytes = readBytes(file);
    Record otherPhone = readRecord(file, 1);
    otherPhone.texts[person::Phone] = "otro";
    Record otherNotes = readRecord(file, 1);
    otherNotes.texts[person::Notes] = "x";
    Record otherKind = readRecord(file, 1);
    otherKind.tag = kTagCompany;
    for (const Record* shown : {&otherPhone, &otherNotes, &otherKind}) {
        // A delete of a company's record is refused before it is looked for: the file is no
        // file of companies.
        const RewriteFailure deleted =
            shown == &otherKind ? RewriteFailure::WrongKind : RewriteFailure::Changed;
        EXPECT_EQ(eliminar(file, 1, shown).failure, deleted);
        EXPECT_EQ(modificar(file, 1, personRecord("LUIS", "nuevo"), shown).failure,
                  RewriteFailure::Changed);
        EXPECT_EQ(eliminar(file, 2, shown).failure, deleted); // past the end
        EXPECT_EQ(readBytes(file), bytes);
    }
    const Record same = readRecord(file, 1);
    EXPECT_EQ(eliminar(file, 1, &same).failure, RewriteFailure::None);
    EXPECT_EQ(namesIn(file), std::vector<std::string>{"ANA"});
}

// Equal names of one batch keep the order they arrived in, among themselves and after the
// equal names already in the file.
TEST_F(Rewrite, BatchKeepsEqualNamesInArrivalOrder) {
    store({"ANA", "LUIS"});
    std::vector<Record> batch;
    for (int i = 0; i < 200; ++i) // enough that a sort which is not stable shows it
        batch.push_back(personRecord(i % 3 == 0 ? "BETO" : "ANA", std::to_string(i)));
    insertRecords(file, batch);
    std::vector<std::string> expected = {"tel ANA"};
    for (const Record& r : batch)
        if (r.texts[0] == "ANA")
            expected.push_back(r.texts[person::Phone]);
    for (const Record& r : batch)
        if (r.texts[0] == "BETO")
            expected.push_back(r.texts[person::Phone]);
    expected.push_back("tel LUIS");
    EXPECT_EQ(phones(), expected);
}

TEST_F(Rewrite, ModifyKeepsTheNumberOrRefilesByTheNewName) {
    store({"ANA", "LUIS", "PEDRO"});
    EXPECT_EQ(modificar(file, 1, personRecord("LUIS", "new")).position, 1);
    EXPECT_EQ(phones(), (std::vector<std::string>{"tel ANA", "new", "tel PEDRO"}));
    EXPECT_EQ(modificar(file, 0, personRecord("RAUL")).position, 2);
    EXPECT_EQ(namesIn(file), (std::vector<std::string>{"LUIS", "PEDRO", "RAUL"}));
    EXPECT_EQ(modificar(file, 2, personRecord("AURORA")).position, 0);
    EXPECT_EQ(namesIn(file), (std::vector<std::string>{"AURORA", "LUIS", "PEDRO"}));
}

TEST_F(Rewrite, ReplacesALeftoverTemporaryAndKeepsThePermissions) {
    store({"A"});
    ::chmod(file.c_str(), 0600);
    writeBytes(dir / kTempFileName, "leftover");
    makeReadOnly(dir / kTempFileName);
    EXPECT_EQ(insert("B").position, 1);
    EXPECT_EQ(namesIn(file), (std::vector<std::string>{"A", "B"}));
    struct stat st {};
    ::stat(file.c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_FALSE(tempLeft());
}

TEST_F(Rewrite, ReadOnlyDataFileIsRefusedUntouched) {
    store({"A"});
    const std::string bytes = readBytes(file);
    makeReadOnly(file);
    try {
        insert("B");
        FAIL();
    } catch (const IoError& e) {
        EXPECT_EQ(e.errnum(), EACCES);
    }
    EXPECT_EQ(readBytes(file), bytes);
    EXPECT_FALSE(tempLeft());
}

namespace {

// Text files of the kind a working file's name might be turned to by mistake.
std::string textFile(std::size_t size, const std::string& line) {
    std::string text;
    while (text.size() < size)
        text += line;
    return text.substr(0, size);
}

} // namespace

TEST_F(Rewrite, AFileThatIsNotOfTheKindIsNeverWrittenOver) {
    const Record shown = personRecord("ANA", "tel ANA");
    struct Case {
        const char* what;
        std::string bytes;
    };
    const std::vector<Case> foreign = {
        {"account list", textFile(1294, "root:x:0:0:root:/root:/bin/bash\n")},
        {"service list", textFile(12813, "ssh             22/tcp\n")},
        {"text of whole records", textFile(2 * kRecordSize, "ANA tel\n")},
        {"records and a tail", bytesOf(personsNamed({"ANA", "BETO"})) + "tail"},
        {"a companies file", bytesOf(companiesNamed({"ANA", "BETO"}))},
    };
    const std::vector<std::pair<const char*, std::function<RewriteResult()>>> writes = {
        {"insert", [&] { return insert("LUIS"); }},
        {"delete", [&] { return eliminar(file, 0, &shown); }},
        {"modify", [&] { return modificar(file, 0, personRecord("LUIS"), &shown); }},
        {"import",
         [&] {
             return insertRecords(file, personsNamed({"X", "Y"}));
         }},
    };
    for (const Case& c : foreign) {
        writeBytes(file, c.bytes);
        for (const auto& [name, write] : writes) {
            const RewriteResult result = write();
            EXPECT_EQ(result.position, kRewriteFailed) << c.what << ", " << name;
            EXPECT_EQ(result.failure, RewriteFailure::WrongKind) << c.what << ", " << name;
            EXPECT_EQ(readBytes(file), c.bytes) << c.what << ", " << name;
            EXPECT_FALSE(tempLeft());
        }
    }

    // A person goes into no companies file, and a delete that names no kind still wants one.
    writeBytes(file, bytesOf(companiesNamed({"ACME"})));
    EXPECT_EQ(insert("ANA").failure, RewriteFailure::WrongKind);
    EXPECT_EQ(eliminar(file, 0).position, -1);
    EXPECT_EQ(readBytes(file), "");
    writeBytes(file, textFile(kRecordSize, "x"));
    EXPECT_EQ(eliminar(file, 0).failure, RewriteFailure::WrongKind);
    EXPECT_EQ(readBytes(file), textFile(kRecordSize, "x"));
}

TEST_F(Rewrite, ALinkIsWrittenWhereItLeadsAndStaysALink) {
    fs::create_directory(dir / "real");
    const fs::path target = dir / "real" / "personas.dat";
    writeBytes(target, bytesOf(personsNamed({"ANA"})));
    fs::create_symlink("step.dat", file);
    fs::create_symlink("real/personas.dat", dir / "step.dat"); // a link to a link
    EXPECT_EQ(insert("BETO", "tel BETO").position, 1);
    EXPECT_TRUE(fs::is_symlink(file));
    EXPECT_TRUE(fs::is_symlink(dir / "step.dat"));
    EXPECT_EQ(readBytes(target), bytesOf(personsNamed({"ANA", "BETO"})));
    EXPECT_FALSE(fs::exists(dir / "real" / kTempFileName));
    EXPECT_EQ(eliminar(file, 0).position, -1);
    EXPECT_EQ(readBytes(target), bytesOf(personsNamed({"BETO"})));

    // A link to a file not there yet: the insert creates that file.
    fs::remove(file);
    fs::create_symlink("real/nuevo.dat", file);
    EXPECT_EQ(insert("ANA").position, 0);
    EXPECT_TRUE(fs::is_symlink(file));
    EXPECT_EQ(readBytes(dir / "real" / "nuevo.dat"), bytesOf({personRecord("ANA")}));

    // A link to another program's file: both stay as they are.
    const fs::path system = dir / "real" / "passwd";
    const std::string account = textFile(1294, "daemon:x:1:1:daemon:/usr/sbin:/bin/false\n");
    writeBytes(system, account);
    fs::remove(file);
    fs::create_symlink(system, file);
    EXPECT_EQ(insert("ANA").failure, RewriteFailure::WrongKind);
    EXPECT_EQ(insertRecords(file, personsNamed({"A"})).failure, RewriteFailure::WrongKind);
    EXPECT_TRUE(fs::is_symlink(file));
    EXPECT_EQ(readBytes(system), account);
}

TEST_F(Rewrite, ALoopOfLinksOrANameTooLongIsAnErrorAndCreatesNothing) {
    fs::create_symlink("b.dat", file);
    fs::create_symlink("persona1.dat", dir / "b.dat");
    const fs::path tooLong = dir / (std::string(300, 'n') + ".dat");
    for (const auto& [name, errnum] :
         std::vector<std::pair<fs::path, int>>{{file, ELOOP}, {tooLong, ENAMETOOLONG}}) {
        for (const auto& write : std::vector<std::function<RewriteResult()>>{
                 [&, n = name] { return ingresardatos(n, "ANA", {}, kTagPerson, -1); },
                 [&, n = name] { return eliminar(n, 0); }}) {
            try {
                write();
                ADD_FAILURE() << name << " was written";
            } catch (const IoError& e) {
                EXPECT_EQ(e.errnum(), errnum);
            }
        }
    }
    EXPECT_TRUE(fs::is_symlink(file));
    EXPECT_TRUE(fs::is_symlink(dir / "b.dat"));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 2);
}

TEST_F(Rewrite, InsertSurvivesAFaultAtEveryCall) {
    store({"ANA", "LUIS", "PEDRO"});
    expectSafeAtEveryCall([&] { return insert("JUAN"); }, 1, kAllReported);
}

TEST_F(Rewrite, InsertIntoMissingFileSurvivesAFaultAtEveryCall) {
    expectSafeAtEveryCall([&] { return insert("JUAN"); }, 0,
                          {RewriteFailure::CloseTemp, RewriteFailure::Rename});
}

TEST_F(Rewrite, DeleteSurvivesAFaultAtEveryCall) {
    store({"ANA", "LUIS", "PEDRO"});
    expectSafeAtEveryCall([&] { return eliminar(file, 1); }, -1, kAllReported);
}

TEST_F(Rewrite, ModifySurvivesAFaultAtEveryCall) {
    store({"ANA", "LUIS", "PEDRO"});
    expectSafeAtEveryCall([&] { return modificar(file, 0, personRecord("RAUL")); }, 2,
                          kAllReported);
}

TEST_F(Rewrite, MergeOfSeveralRecordsSurvivesAFaultAtEveryCall) {
    store({"ANA", "JUAN", "LUIS", "PEDRO", "ZOE"});
    const std::vector<Record> shown = {readRecord(file, 1), readRecord(file, 3)};
    expectSafeAtEveryCall(
        [&] {
            return mergeRecords(file, {1, 3}, shown, personRecord("JUANA"));
        },
        1, kAllReported);
    EXPECT_EQ(namesIn(file), (std::vector<std::string>{"ANA", "JUANA", "LUIS", "ZOE"}));
}

TEST_F(Rewrite, LargeFileIsWrittenInSeveralBlocksAndSurvivesEveryFault) {
    std::vector<std::string> names;
    for (int i = 0; i < 1500; ++i)
        names.push_back("N" + std::to_string(10000 + i));
    store(names);
    fileio::clearFaults();
    insert("N10750");
    // A few large reads and writes, never one call per record.
    EXPECT_LT(fileio::callCount(), 20);
    EXPECT_EQ(namesIn(file).at(751), "N10750");
    store(names);
    expectSafeAtEveryCall([&] { return insert("N10750"); }, 751, kAllReported);
}

// Runs of records carried over unchanged are copied by the kernel where it can and through a
// buffer where it refuses; a record with stray bytes breaks the run and is written cleaned.
// Both ways give the same bytes and the same safety at every call and on a full disk.
TEST_F(Rewrite, KernelCopyAndItsFallbackWriteTheSameBytes) {
    std::vector<std::string> names;
    for (int i = 0; i < 1500; ++i)
        names.push_back("N" + std::to_string(10000 + i));
    std::string bytes = bytesOf(personsNamed(names));
    bytes[1200 * kRecordSize + kSlots[person::Notes].offset + 5] = 'x'; // past the empty notes
    std::vector<Record> expected = personsNamed(names);
    expected.erase(expected.begin() + 100);
    expected.insert(expected.begin() + 1000, personRecord("N11000A", "nuevo"));
    const auto modify = [&] { return modificar(file, 100, personRecord("N11000A", "nuevo")); };

    for (bool refuse : {false, true}) {
        fileio::refuseKernelCopy(refuse);
        writeBytes(file, bytes);
        fileio::setFaults({0, EIO, 900000}); // full in the middle of the first run
        EXPECT_THROW(modify(), IoError);
        fileio::clearFaults();
        EXPECT_EQ(readBytes(file), bytes) << refuse;
        EXPECT_EQ(modify().position, 1000);
        EXPECT_EQ(readBytes(file), bytesOf(expected)) << refuse;
    }
    writeBytes(file, bytes);
    expectSafeAtEveryCall(modify, 1000, kAllReported);
}

// A file this process put in place in order, untouched since, is not read through again:
// each change searches for its record's place and copies the rest as it is. The clock is set
// so that every such file is trusted.
TEST_F(Rewrite, ItsOwnFileIsSearchedNotReadAgainAndAnyWriteSinceIsNoticed) {
    setRewriteClock(farFuture);
    const std::vector<std::string> names = numberedNames(1500);
    store(names);
    std::vector<Record> model = personsNamed(names);
    ASSERT_EQ(insert("N10750", "a").position, 751); // read through: not written here
    model.insert(model.begin() + 751, personRecord("N10750", "a"));
    EXPECT_EQ(insert("N10750", "b").position, 752); // equal names stay in arrival order
    model.insert(model.begin() + 752, personRecord("N10750", "b"));
    EXPECT_EQ(insert("A", "c").position, 0);
    model.insert(model.begin(), personRecord("A", "c"));
    EXPECT_EQ(insert("Z", "d").position, 1503);
    model.push_back(personRecord("Z", "d"));
    EXPECT_EQ(eliminar(file, 1).position, -1);
    model.erase(model.begin() + 1);
    EXPECT_EQ(modificar(file, 750, personRecord("N10100", "e")).position, 101);
    model.erase(model.begin() + 750);
    model.insert(model.begin() + 101, personRecord("N10100", "e"));
    // A few records at once: each where inserting it alone would put it.
    const std::vector<Record> batch = {personRecord("N10200", "h"), personRecord("B", "i"),
                                       personRecord("N10200", "j")};
    std::int64_t last = -1;
    for (const Record& r : batch) {
        const auto at = std::find_if(model.begin(), model.end(), [&](const Record& m) {
            return nameLess(r.texts[0], m.texts[0]);
        });
        last = model.insert(at, r) - model.begin();
    }
    EXPECT_EQ(insertRecords(file, batch).position, last);
    ASSERT_EQ(readBytes(file), bytesOf(model));

    // A byte no writer stores, put in without moving the modification time, goes over as it
    // is: proof that the file was not read again.
    const std::uint64_t stray = 5 * kRecordSize + kSlots[person::Notes].offset + 9;
    const timespec before = poke(file, stray, 'x');
    const timespec times[2] = {before, before};
    ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
    ASSERT_EQ(insert("N11400", "f").position, 1406);
    EXPECT_EQ(readBytes(file)[stray], 'x');

    // Once the clock has moved on, a write in place moves the time too: the file is read
    // through and cleaned, and the place follows the file as it is now.
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    poke(file, stray, 'y');
    poke(file, 1, 'Z'); // the first name, "A", is now "Z": the file is out of order
    EXPECT_EQ(insert("B", "g").position, 0);
    const std::string after = readBytes(file);
    EXPECT_EQ(after[stray + kRecordSize], '\0');
    EXPECT_EQ(readRecord(file, 1).texts[0], "Z");
}

TEST_F(Rewrite, AMergeIntoItsOwnFileIsSearchedToo) {
    setRewriteClock(farFuture);
    std::vector<Record> model = personsNamed(numberedNames(1500));
    writeBytes(file, bytesOf(model));
    ASSERT_EQ(insert("N10750", "a").position, 751); // written here: trusted from now on
    model.insert(model.begin() + 751, personRecord("N10750", "a"));
    const std::vector<std::int64_t> group = {2, 600, 1200};
    const std::vector<Record> shown = {model[2], model[600], model[1200]};
    for (auto n = group.rbegin(); n != group.rend(); ++n)
        model.erase(model.begin() + *n);
    model.insert(model.begin() + 900, personRecord("N10900", "m")); // after the N10900 there
    // A stray byte that only a read-through would clean: the runs are copied, not read.
    const std::uint64_t stray = 5 * kRecordSize + kSlots[person::Notes].offset + 9;
    const timespec before = poke(file, stray, 'x');
    const timespec times[2] = {before, before};
    ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), times, 0), 0);

    EXPECT_EQ(mergeRecords(file, group, shown, personRecord("N10900", "m")).position, 900);
    std::string after = readBytes(file);
    EXPECT_EQ(after[stray - kRecordSize], 'x');
    after[stray - kRecordSize] = '\0';
    EXPECT_TRUE(after == bytesOf(model));
}

// The clock as the temporary file's own modification time, plus `clockLead`: the rename then
// happens within the file system clock's tick of the last write (a lead of 0) or after it.
fs::path clockFolder;
std::int64_t clockLead = 0;
std::int64_t tickOfTheTemporary() {
    struct stat st {};
    if (::stat((clockFolder / kTempFileName).c_str(), &st) != 0)
        return 0;
    return static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec +
           clockLead;
}

// Someone else may rewrite the file within the tick of our last write and leave the same size
// and modification time; such a file must be read through, never trusted.
TEST_F(Rewrite, ItsOwnFileWrittenWithinTheClockTickIsReadThrough) {
    clockFolder = dir.path();
    setRewriteClock(tickOfTheTemporary);
    const std::uint64_t stray = kRecordSize + kSlots[person::Notes].offset + 9;
    for (const std::int64_t lead : {1, 0}) {
        clockLead = lead;
        store({"B", "D", "F"});
        ASSERT_EQ(insert("C").position, 1);
        const timespec before = poke(file, stray, 'x');
        const timespec times[2] = {before, before};
        ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
        ASSERT_EQ(insert("E").position, 3);
        // A clock past the write: trusted and copied as it is. Within the tick: read through,
        // and the byte no writer stores is gone.
        EXPECT_EQ(readBytes(file)[stray], lead == 1 ? 'x' : '\0') << "lead " << lead;
        EXPECT_EQ(namesIn(file), (std::vector<std::string>{"B", "C", "D", "E", "F"}));
    }
}

TEST_F(Rewrite, ChangingItsOwnFileSurvivesAFaultAtEveryCall) {
    setRewriteClock(farFuture);
    store(numberedNames(1500));
    // Each run starts from the same bytes, put in place by this process.
    prime = [&] {
        insert("ZZZ");
        eliminar(file, 1500);
    };
    expectSafeAtEveryCall([&] { return modificar(file, 100, personRecord("N11000A", "nuevo")); },
                          1000, kAllReported);
}

TEST_F(Rewrite, FullDiskLeavesTheDataFileAsItWas) {
    std::vector<std::string> names;
    for (int i = 0; i < 1000; ++i)
        names.push_back("P" + std::to_string(i));
    store(names);
    const std::string bytes = readBytes(file);
    for (long long budget : {0LL, 1000LL, 1200000LL, static_cast<long long>(bytes.size()) - 1}) {
        fileio::setFaults({0, EIO, budget});
        try {
            modificar(file, 3, personRecord("ZZ"));
            FAIL() << budget;
        } catch (const IoError& e) {
            EXPECT_EQ(e.errnum(), ENOSPC);
            EXPECT_STREQ(e.what(), "Disk full");
        }
        fileio::clearFaults();
        EXPECT_EQ(readBytes(file), bytes) << budget;
        EXPECT_FALSE(tempLeft()) << budget;
    }
}

TEST_F(Rewrite, TwoProcessesSavingAtOnceLoseNothingAndReportTruly) {
    std::vector<std::string> names;
    for (int i = 0; i < 1000; ++i)
        names.push_back("M" + std::to_string(10000 + i));
    store(names);
    constexpr int kEach = 12;
    // Each process inserts its own names and counts the inserts it was told went through.
    const auto saveAll = [&](const std::string& prefix) {
        int saved = 0;
        for (int i = 0; i < kEach; ++i) {
            try {
                saved += insert(prefix + std::to_string(10 + i)).failure == RewriteFailure::None;
            } catch (const IoError&) {
            }
        }
        return saved;
    };
    int go[2];
    ASSERT_EQ(::pipe(go), 0);
    ChildProcess other([&] {
        char c;
        return ::read(go[0], &c, 1) == 1 ? saveAll("B") : 99;
    });
    ASSERT_EQ(::write(go[1], "x", 1), 1); // both start together
    const int mine = saveAll("A");
    const int theirs = other.wait();
    ::close(go[0]);
    ::close(go[1]);

    EXPECT_EQ(mine, kEach);
    EXPECT_EQ(theirs, kEach);
    const std::vector<std::string> stored = namesIn(file);
    EXPECT_EQ(stored.size(), names.size() + 2 * kEach);
    for (const char* prefix : {"A", "B"}) {
        for (int i = 0; i < kEach; ++i) {
            const std::string name = prefix + std::to_string(10 + i);
            EXPECT_EQ(std::count(stored.begin(), stored.end(), name), 1) << name;
        }
    }
    EXPECT_TRUE(std::is_sorted(stored.begin(), stored.end()));
    EXPECT_FALSE(tempLeft());
}

TEST_F(Rewrite, ALeftoverTemporaryGoesOnlyWhenNoRewriteHoldsTheFolder) {
    store({"ANA"});
    writeBytes(dir / kTempFileName, "left by a rewrite that died");
    {
        const fileio::FolderLock running = fileio::lockFolder(dir.path());
        ASSERT_TRUE(running.held());
        removeLeftoverTemp(file);
        EXPECT_TRUE(tempLeft());
    }
    removeLeftoverTemp(file);
    EXPECT_FALSE(tempLeft());
    EXPECT_EQ(namesIn(file), std::vector<std::string>{"ANA"});
}

TEST_F(Rewrite, ReplacementKeepsTheOwnerWhereThatIsAllowed) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root can give a file to another user";
    store({"ANA"});
    const fs::path ini = dir / "inicio.ini";
    writeBytes(ini, "[ventana]\r\nleft=1\r\n");
    for (const fs::path& f : {file, ini})
        ASSERT_EQ(::chown(f.c_str(), 4242, 4343), 0);
    insert("BETO");
    IniFile(ini).writeInteger("ventana", "left", 2);
    for (const fs::path& f : {file, ini}) {
        struct stat st {};
        ::stat(f.c_str(), &st);
        EXPECT_EQ(st.st_uid, 4242u) << f;
        EXPECT_EQ(st.st_gid, 4343u) << f;
    }
    // Who may not give a file away still saves into a file it may write.
    ::chmod(dir.path().c_str(), 0777);
    ::chmod(file.c_str(), 0666);
    ChildProcess nobody([&] { return insert("CARLA").failure == RewriteFailure::None ? 0 : 1; },
                        true);
    EXPECT_EQ(nobody.wait(), 0);
    EXPECT_EQ(namesIn(file), (std::vector<std::string>{"ANA", "BETO", "CARLA"}));
}

// Replacing a whole file (an import, a record saved into a new file, a new empty file) and
// copying one over another go through the same temporary file: a failure at any call leaves
// the target as it was, or absent, never emptied or cut short.
TEST_F(Rewrite, ReplacingOrCopyingOverAFileSurvivesAFaultAtEveryCall) {
    const std::set<RewriteFailure> missing = {RewriteFailure::CloseTemp, RewriteFailure::Rename};
    const auto replace = [&] { return replaceWithRecords(file, personsNamed({"ZOE", "BETO"})); };
    store({"ANA", "LUIS", "PEDRO"});
    expectSafeAtEveryCall(replace, 0, kAllReported);
    EXPECT_EQ(namesIn(file), (std::vector<std::string>{"BETO", "ZOE"}));
    fs::remove(file);
    expectSafeAtEveryCall(replace, 0, missing);
    store({"ANA"});
    expectSafeAtEveryCall([&] { return replaceWithRecords(file, {}); }, -1, kAllReported);
    EXPECT_EQ(readBytes(file), "");

    // The source elsewhere, longer than one block and not a multiple of it, with stray bytes
    // that a copy keeps and a trailing fragment that it leaves behind.
    TempDir other;
    const fs::path source = other / "origen.dat";
    std::string bytes = bytesOf(personsNamed(numberedNames(1500)));
    for (std::size_t i = 0; i < 1500; ++i)
        bytes[i * kRecordSize + 1630] = static_cast<char>(i % 251 + 1);
    writeBytes(source, bytes + "fragment");
    const auto copy = [&] { return replaceWithCopy(file, source); };
    store({"ANA", "LUIS"});
    expectSafeAtEveryCall(copy, -1, kAllReported);
    EXPECT_EQ(readBytes(file), bytes);
    fs::remove(file);
    expectSafeAtEveryCall(copy, -1, kAllReported);
    EXPECT_EQ(readBytes(file), bytes);
    EXPECT_EQ(readBytes(source), bytes + "fragment");
}

TEST_F(Rewrite, ReplacingOrCopyingKeepsPermissionsRefusesReadOnlyAndStopsWholeOnAFullDisk) {
    TempDir other;
    const fs::path source = other / "origen.dat";
    const std::string bytes = bytesOf(personsNamed(numberedNames(1000)));
    writeBytes(source, bytes);
    store({"ANA"});
    ::chmod(file.c_str(), 0640);
    EXPECT_EQ(replaceWithCopy(file, source).failure, RewriteFailure::None);
    struct stat st {};
    ::stat(file.c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0640u);

    for (bool refuse : {false, true}) {
        fileio::refuseKernelCopy(refuse);
        for (long long budget :
             {0LL, 1000LL, 1100000LL, static_cast<long long>(bytes.size()) - 1}) {
            store({"ANA"});
            const std::string before = readBytes(file);
            for (const auto& op : std::vector<std::function<RewriteResult()>>{
                     [&] { return replaceWithCopy(file, source); },
                     [&] { return replaceWithRecords(file, personsNamed(numberedNames(1000))); }}) {
                fileio::setFaults({0, EIO, budget});
                try {
                    op();
                    ADD_FAILURE() << budget;
                } catch (const IoError& e) {
                    EXPECT_EQ(e.errnum(), ENOSPC);
                }
                fileio::clearFaults();
                EXPECT_EQ(readBytes(file), before) << budget;
                EXPECT_FALSE(tempLeft()) << budget;
            }
        }
    }

    makeReadOnly(file);
    const std::string kept = readBytes(file);
    for (const auto& op : std::vector<std::function<RewriteResult()>>{
             [&] { return replaceWithCopy(file, source); },
             [&] { return replaceWithRecords(file, {}); }}) {
        try {
            op();
            ADD_FAILURE();
        } catch (const IoError& e) {
            EXPECT_EQ(e.errnum(), EACCES);
        }
        EXPECT_EQ(readBytes(file), kept);
        EXPECT_FALSE(tempLeft());
    }
}

// A replacement notes its folder before it makes a temporary file there, so the next start
// removes what a run that died left behind, in any folder; a file of that name in a folder the
// program never wrote in, and one a running replacement holds, stay.
TEST_F(Rewrite, LeftoversAreRemovedAtTheNextStartWhereverTheyWere) {
    TempDir program, elsewhere, untouched;
    const fs::path list = program / "tmpingre.lst";
    setLeftoverList(list);
    ingresardatos(elsewhere / "lejos.dat", "ANA", {}, kTagPerson, -1);
    insert("BETO");
    EXPECT_FALSE(fs::exists(elsewhere / kTempFileName));
    ASSERT_TRUE(fs::exists(list));
    // As a run killed in the middle leaves them.
    writeBytes(elsewhere / kTempFileName, "left by a run that died");
    writeBytes(dir / kTempFileName, "left by a run that died");
    writeBytes(untouched / kTempFileName, "someone's own file");

    {
        const fileio::FolderLock running = fileio::lockFolder(dir.path());
        setLeftoverList(list); // a new start
        removeListedLeftovers();
    }
    EXPECT_FALSE(fs::exists(elsewhere / kTempFileName));
    EXPECT_TRUE(tempLeft());
    EXPECT_EQ(readBytes(untouched / kTempFileName), "someone's own file");
    EXPECT_EQ(namesIn(elsewhere / "lejos.dat"), std::vector<std::string>{"ANA"});

    setLeftoverList(list);
    removeListedLeftovers();
    EXPECT_FALSE(tempLeft());
    // A folder that has gone leaves the list; the others stay, so no change has to note them.
    const std::string stays = fs::absolute(elsewhere.path()).lexically_normal().string() + "\n";
    EXPECT_EQ(readBytes(list), stays + fs::absolute(dir.path()).lexically_normal().string() + "\n");
    fs::remove_all(dir.path());
    removeListedLeftovers();
    EXPECT_EQ(readBytes(list), stays);
    std::vector<std::string> calls;
    fileio::traceCalls(&calls);
    ingresardatos(elsewhere / "lejos.dat", "BETO", {}, kTagPerson, -1);
    fileio::traceCalls(nullptr);
    for (const std::string& call : calls)
        EXPECT_EQ(call.find("tmpingre.lst"), std::string::npos) << call;
    EXPECT_EQ(namesIn(elsewhere / "lejos.dat"), (std::vector<std::string>{"ANA", "BETO"}));
    setLeftoverList({});
}
