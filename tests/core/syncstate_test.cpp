// The sync state beside a data file, and the rewrite that applies a sync's changes.
#include "core/rewrite.h"
#include "core/syncstate.h"

#include "records.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

using namespace core;
using namespace testsupport;

namespace {

TEST(SyncState, IsReadBackForItsCollectionOnlyAndSkipsDamagedLines) {
    TempDir dir;
    const fs::path data = dir / "persona1.dat";
    SyncState state;
    state.collection = "http://h/ana/personas/";
    state.entries = {{"/ana/personas/a.vcf", "uid-a", "\"e1\"", 0x0123456789abcdefull, 7},
                     {"/ana/personas/b.vcf", "", "", 1, 2},
                     {"/ana/personas/c\td.vcf", "c", "e", 3, 4}};
    writeSyncState(data, state);
    EXPECT_EQ(syncStatePath(data), dir / "persona1.dat.sinc");

    const SyncState read = readSyncState(data, state.collection);
    ASSERT_EQ(read.entries.size(), 2u); // a tab in a name cannot be kept
    EXPECT_EQ(read.entries[0].href, "/ana/personas/a.vcf");
    EXPECT_EQ(read.entries[0].uid, "uid-a");
    EXPECT_EQ(read.entries[0].etag, "\"e1\"");
    EXPECT_EQ(read.entries[0].hash, 0x0123456789abcdefull);
    EXPECT_EQ(read.entries[0].nameHash, 7u);
    EXPECT_EQ(read.entries[1].etag, "");
    EXPECT_TRUE(readSyncState(data, "http://h/ana/otra/").entries.empty());

    writeBytes(syncStatePath(data),
               readBytes(syncStatePath(data)) + "roto\r\n/x\tu\te\tzz\t00\r\n");
    EXPECT_EQ(readSyncState(data, state.collection).entries.size(), 2u);
}

TEST(SyncState, RecordHashTellsEveryTextAndWhereItEnds) {
    Record a = personRecord("ANA", "1"), b = a;
    EXPECT_EQ(recordHash(a), recordHash(b));
    b.texts[person::Notes] = "x";
    EXPECT_NE(recordHash(a), recordHash(b));
    Record c, d;
    c.texts[0] = "AB";
    d.texts[0] = "A";
    d.texts[1] = "B";
    EXPECT_NE(recordHash(c), recordHash(d));
}

TEST(ReplaceRecords, LeavesOutSeveralAndInsertsInOnePassOrNothingWhenOneChanged) {
    TempDir dir;
    const fs::path file = dir / "persona1.dat";
    const std::vector<Record> start = personsNamed({"ANA", "BETO", "CARLA", "DORA"});
    replaceWithRecords(file, start);

    std::vector<Leaving> stale{{1, start[1]}, {3, personRecord("DORA", "otro")}};
    EXPECT_EQ(replaceRecords(file, stale, {personRecord("EVA")}).failure, RewriteFailure::Changed);
    EXPECT_EQ(readBytes(file), bytesOf(start));

    const RewriteResult done = replaceRecords(file, {{3, start[3]}, {1, start[1]}},
                                              {personRecord("BRUNO"), personRecord("AARON")});
    EXPECT_EQ(done.failure, RewriteFailure::None);
    EXPECT_EQ(namesIn(file), (std::vector<std::string>{"AARON", "ANA", "BRUNO", "CARLA"}));
}

} // namespace
