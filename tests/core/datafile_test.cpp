#include "core/datafile.h"
#include "core/fileio.h"
#include "core/ioerror.h"

#include "records.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <sys/stat.h>

using namespace core;
using namespace testsupport;

namespace {
core::Record tagged(std::int32_t tag) {
    core::Record r = personRecord("X");
    r.tag = tag;
    return r;
}
} // namespace

TEST(DataFile, RecognisesKindByFirstTag) {
    TempDir dir;
    const auto file = dir / "f.dat";
    struct Case {
        std::string bytes;
        bool persons, companies;
    };
    const std::vector<Case> cases = {
        {"", true, true},                       // empty file: either kind
        {std::string(1635, 'x'), false, false}, // not one of ours: never written over
        {bytesOf({tagged(20)}), true, false},
        {bytesOf({tagged(1020), tagged(20)}), false, true}, // only record 0 counts
        {bytesOf({tagged(0)}), false, false},
        {bytesOf({tagged(2000)}), false, false},
        // Not a whole number of records: another program's file, whatever its first tag.
        {bytesOf({tagged(20)}) + "tail", false, false},
        {bytesOf({tagged(1020), tagged(1020)}) + std::string(1635, '\0'), false, false},
        {std::string(2 * 1636, 'a'), false, false}, // text the size of two records
    };
    for (const Case& c : cases) {
        writeBytes(file, c.bytes);
        EXPECT_EQ(esdepersonas(file), c.persons) << c.bytes.size();
        EXPECT_EQ(esdeempresas(file), c.companies) << c.bytes.size();
    }
}

TEST(DataFile, RejectsMissingEmptyPathAndReadOnlyWithoutError) {
    TempDir dir;
    EXPECT_FALSE(esdepersonas(""));
    EXPECT_FALSE(esdeempresas(dir / "missing.dat"));
    writeBytes(dir / "ro.dat", "");
    makeReadOnly(dir / "ro.dat");
    EXPECT_FALSE(esdepersonas(dir / "ro.dat"));
    EXPECT_FALSE(esdeempresas(dir / "ro.dat"));
}

TEST(DataFile, OpeningErrorsAreNotTurnedIntoFalse) {
    TempDir dir;
    std::filesystem::create_directory(dir / "folder.dat");
    EXPECT_THROW(esdepersonas(dir / "folder.dat"), IoError);
}

TEST(DataFile, CountsWholeRecordsAndNeverReadsTheFragment) {
    TempDir dir;
    const auto file = dir / "f.dat";
    writeBytes(file, bytesOf(personsNamed({"A", "B", "C"})) + std::string(1635, 'z'));
    EXPECT_EQ(recordCount(file), 3);
    EXPECT_EQ(readRecord(file, 2), personsNamed({"C"})[0]);
    try {
        readRecord(file, 3);
        FAIL() << "read the fragment";
    } catch (const IoError& e) {
        EXPECT_NE(e.errnum(), 0);
    }
    EXPECT_THROW(readRecord(file, -1), IoError);
}

// Moving the scroll bar asks the file for its size and one record only: one open, one read.
TEST(DataFile, ShowingARecordTakesOneOpenAndOneRead) {
    TempDir dir;
    const auto file = dir / "f.dat";
    writeBytes(file, bytesOf(personsNamed({"A", "B", "C"})) + std::string(1635, 'z'));
    std::vector<std::string> trace;
    fileio::traceCalls(&trace);
    const RecordInView last = readRecordInView(file, 7); // past the end: the last record
    fileio::traceCalls(nullptr);
    EXPECT_EQ(last.count, 3);
    EXPECT_EQ(last.number, 2);
    EXPECT_EQ(last.record, personsNamed({"C"})[0]);
    EXPECT_EQ(trace, (std::vector<std::string>{"open " + file.string(), "read " + file.string(),
                                               "close " + file.string()}));
    EXPECT_EQ(readRecordInView(file, 1).record, personsNamed({"B"})[0]);

    writeBytes(file, std::string(1635, 'z'));
    const RecordInView empty = readRecordInView(file, 0);
    EXPECT_EQ(empty.count, 0);
    EXPECT_EQ(empty.number, -1);
}

TEST(DataFile, ReadOnlyDataFileIsRefusedWithAccessDenied) {
    TempDir dir;
    const auto file = dir / "f.dat";
    writeBytes(file, bytesOf(personsNamed({"A"})));
    makeReadOnly(file);
    try {
        readRecordInView(file, 0);
        FAIL();
    } catch (const IoError& e) {
        EXPECT_EQ(e.errnum(), EACCES);
        EXPECT_STREQ(e.what(), "File access denied");
    }
}

TEST(DataFile, CreateEmptyTruncatesToZeroRecords) {
    TempDir dir;
    const auto file = dir / "f.dat";
    createEmptyDataFile(file);
    EXPECT_EQ(readBytes(file), "");
    writeBytes(file, bytesOf(personsNamed({"A"})));
    createEmptyDataFile(file);
    EXPECT_EQ(recordCount(file), 0);
    EXPECT_THROW(createEmptyDataFile(dir / "no" / "such.dat"), IoError);

    // An existing file is replaced in one step: a failure at any call leaves it as it was,
    // and the empty file keeps its permissions.
    const std::string bytes = bytesOf(personsNamed({"A", "B"}));
    writeBytes(file, bytes);
    ::chmod(file.c_str(), 0604);
    fileio::clearFaults();
    createEmptyDataFile(file);
    const long calls = fileio::callCount();
    struct stat st {};
    ::stat(file.c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0604u);
    for (long n = 1; n < calls; ++n) { // the last one flushes the folder after the rename
        writeBytes(file, bytes);
        fileio::setFaults({n, EIO, -1});
        bool failed = false;
        try {
            createEmptyDataFile(file);
        } catch (const IoError&) {
            failed = true;
        }
        fileio::clearFaults();
        // Only closing the old file after the copy may fail without stopping the replacement.
        EXPECT_EQ(readBytes(file), failed ? bytes : std::string()) << n;
        EXPECT_FALSE(std::filesystem::exists(dir / "tmpingre.tmp")) << n;
    }
}

TEST(DataFile, ALinkIsJudgedByTheFileItLeadsTo) {
    TempDir dir;
    writeBytes(dir / "personas.dat", bytesOf(personsNamed({"ANA"})));
    writeBytes(dir / "hosts", "127.0.0.1 localhost\n");
    std::filesystem::create_symlink("personas.dat", dir / "p.dat");
    std::filesystem::create_symlink("hosts", dir / "h.dat");
    std::filesystem::create_symlink("loop.dat", dir / "loop.dat");
    EXPECT_TRUE(esdepersonas(dir / "p.dat"));
    EXPECT_FALSE(esdeempresas(dir / "p.dat"));
    EXPECT_FALSE(esdepersonas(dir / "h.dat"));
    EXPECT_FALSE(esdeempresas(dir / "h.dat"));
    EXPECT_FALSE(esdepersonas(dir / "loop.dat")); // leads nowhere: no file, no error
    EXPECT_EQ(readBytes(dir / "hosts"), "127.0.0.1 localhost\n");
}
