#include "core/changelabel.h"
#include "core/fileio.h"
#include "core/ioerror.h"
#include "core/rewrite.h"
#include "core/undo.h"

#include "records.h"
#include "support/child.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <functional>
#include <optional>
#include <random>
#include <sys/stat.h>

using namespace core;
using namespace testsupport;
namespace fs = std::filesystem;

namespace {

class Undo : public ::testing::Test {
  protected:
    ~Undo() override {
        fileio::clearFaults();
        undo::setLimits({});
        setRewriteClock(nullptr);
    }

    undo::Result undoLast() { return undo::undoChange(file, undo::offer(file).undoId); }
    undo::Result redoNext() { return undo::redoChange(file, undo::offer(file).redoId); }
    std::string bytes() const { return readBytes(file); }
    fs::path versions() const { return dir / undo::kVersionsFolder / "persona1.dat"; }
    void store(const std::vector<std::string>& names) {
        writeBytes(file, bytesOf(personsNamed(names)));
    }
    RewriteResult insert(const std::string& name) {
        const ChangeLabel label("agregar " + name);
        return rewriteDataFile(file, personRecord(name), -1);
    }

    TempDir dir;
    fs::path file = dir / "persona1.dat";
};

std::vector<std::string> numbered(const std::string& prefix, int count) {
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i)
        names.push_back(prefix + std::to_string(10000 + i));
    return names;
}

TEST_F(Undo, EveryKindOfChangeIsUndoneAndRedoneByteForByteInOrder) {
    TempDir other;
    const fs::path source = other / "origen.dat";
    std::string copied = bytesOf(personsNamed(numbered("C", 700)));
    copied[1630] = '\x7f'; // a stray byte the copy keeps
    writeBytes(source, copied + "fragment");

    struct Change {
        std::string label;
        std::function<void()> make;
    };
    const std::vector<Change> changes = {
        {"agregar ANA", [&] { rewriteDataFile(file, personRecord("ANA"), -1); }},
        {"importar 3 contactos",
         [&] {
             insertRecords(file, personsNamed({"LUIS", "BETO", "ZOE"}));
         }},
        {"modificar BETO", [&] { modificar(file, 1, personRecord("RAUL", "555")); }},
        {"eliminar LUIS", [&] { eliminar(file, 1); }},
        {"importar 2 contactos",
         [&] {
             replaceWithRecords(file, personsNamed({"EVA", "JUAN"}));
         }},
        {"adherir archivo", [&] { replaceWithCopy(file, source); }},
    };
    std::vector<std::string> states = {""}; // the file did not exist: an undo leaves it empty
    for (const Change& c : changes) {
        const ChangeLabel label(c.label);
        c.make();
        EXPECT_FALSE(undo::takeKeepFailure()) << c.label;
        states.push_back(bytes());
    }
    EXPECT_TRUE(states.back() == copied);
    EXPECT_EQ(undo::offer(file).redoId, 0u);

    for (std::size_t i = changes.size(); i-- > 0;) {
        const undo::Offer offer = undo::offer(file);
        EXPECT_EQ(offer.undoLabel, changes[i].label);
        ASSERT_EQ(undo::undoChange(file, offer.undoId).outcome, undo::Outcome::Done);
        EXPECT_TRUE(bytes() == states[i]) << changes[i].label;
        EXPECT_EQ(undo::offer(file).redoLabel, changes[i].label);
    }
    EXPECT_EQ(undo::offer(file).undoId, 0u);
    for (std::size_t i = 0; i < changes.size(); ++i) {
        ASSERT_EQ(redoNext().outcome, undo::Outcome::Done);
        EXPECT_TRUE(bytes() == states[i + 1]) << changes[i].label;
    }
    EXPECT_EQ(undo::offer(file).undoLabel, "adherir archivo");
    // Back to the delete, whose undo shows the record that came back; a new change then drops
    // what could have been redone.
    for (int i = 0; i < 2; ++i)
        undoLast();
    const undo::Result back = undoLast();
    EXPECT_TRUE(bytes() == states[3]);
    EXPECT_EQ(back.record, 1);
    EXPECT_EQ(readRecord(file, back.record).texts[0], "LUIS");
    insert("PEDRO");
    EXPECT_EQ(undo::offer(file).redoId, 0u);
    EXPECT_EQ(undo::offer(file).undoLabel, "agregar PEDRO");
    undoLast();
    EXPECT_TRUE(bytes() == states[3]);
    EXPECT_EQ(undo::offer(file).undoLabel, "modificar BETO");
}

TEST_F(Undo, ChangesAreUndoneByAnotherProcessAfterARestart) {
    store({"ANA"});
    insert("BETO");
    const std::string two = bytes();
    insert("CARLA");
    const std::string three = bytes();
    ChildProcess restarted([&] {
        const bool undone = undoLast().outcome == undo::Outcome::Done &&
                            undo::offer(file).undoLabel == "agregar BETO";
        return undone ? 0 : 1;
    });
    ASSERT_EQ(restarted.wait(), 0);
    EXPECT_TRUE(bytes() == two);
    EXPECT_EQ(undo::offer(file).redoLabel, "agregar CARLA");
    EXPECT_EQ(redoNext().outcome, undo::Outcome::Done);
    EXPECT_TRUE(bytes() == three);
}

TEST_F(Undo, KeepsTheNewestStepsWithinTheCountAndTheBytes) {
    undo::setLimits({3, std::uint64_t{1} << 30});
    store({"ANA"});
    for (const char* name : {"B", "C", "D", "E", "F"})
        insert(name);
    int undone = 0;
    while (undo::offer(file).undoId != 0 && undoLast().outcome == undo::Outcome::Done)
        ++undone;
    EXPECT_EQ(undone, 3);
    EXPECT_EQ(namesIn(file), (std::vector<std::string>{"ANA", "B", "C"}));

    // Each version of a file of 100 records costs 100 records: two fit in 250.
    store(numbered("N", 100));
    undo::setLimits({20, 250 * kRecordSize});
    for (const char* name : {"B", "C", "D", "E"})
        insert(name);
    std::uint64_t kept = 0;
    for (const auto& entry : fs::directory_iterator(versions()))
        kept += entry.path().filename() == "diario" ? 0 : fs::file_size(entry.path());
    EXPECT_LE(kept, 250u * kRecordSize);
    undone = 0;
    while (undo::offer(file).undoId != 0 && undoLast().outcome == undo::Outcome::Done)
        ++undone;
    EXPECT_EQ(undone, 2);

    // The newest change stays undoable even when its version alone is over the limit.
    undo::setLimits({20, 1});
    insert("Z");
    EXPECT_EQ(undoLast().outcome, undo::Outcome::Done);
    EXPECT_EQ(undo::offer(file).undoId, 0u);
}

TEST_F(Undo, AFileChangedSinceIsNeverWrittenOver) {
    store({"ANA", "LUIS"});
    insert("BETO");
    // Another program puts a file of its own in place.
    const std::string theirs = bytesOf(personsNamed({"OTRO"}));
    writeBytes(dir / "x.tmp", theirs);
    fs::rename(dir / "x.tmp", file);
    EXPECT_EQ(undoLast().outcome, undo::Outcome::Changed);
    EXPECT_TRUE(bytes() == theirs);

    // Written in place within the clock tick of the change, and its time set back: the file is
    // then known by its bytes.
    setRewriteClock([]() -> std::int64_t { return 0; });
    insert("CARLA");
    struct stat before {};
    ::stat(file.c_str(), &before);
    std::string edited = bytes();
    edited[1] = 'X';
    writeBytes(file, edited);
    const timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
    EXPECT_EQ(undoLast().outcome, undo::Outcome::Changed);
    EXPECT_TRUE(bytes() == edited);

    // Another window of the program changed it after this one offered its undo: the offer is
    // out of date, and nothing is taken back.
    insert("DANI");
    const std::uint64_t offered = undo::offer(file).undoId;
    insert("EVA");
    EXPECT_EQ(undo::undoChange(file, offered).outcome, undo::Outcome::Nothing);
    EXPECT_EQ(namesIn(file).size(), 4u);

    // A version removed by hand.
    fs::remove_all(dir / undo::kVersionsFolder);
    EXPECT_EQ(undo::offer(file).undoId, 0u);
}

// Each call of an undo and of a redo fails in turn, and so does each call of the change before
// them, journal included: the data file is always wholly one of its versions, and the undo
// that follows still takes it back to exactly the right one.
TEST_F(Undo, AFaultAtEveryCallLeavesTheFileAndItsHistoryWhole) {
    const std::string before = bytesOf(personsNamed(numbered("N", 300)));
    writeBytes(file, before);
    insert("ANA");
    const std::string after = bytes();

    for (const std::string op : {"change", "undo", "redo"}) {
        const auto prepare = [&] {
            fileio::clearFaults();
            fs::remove_all(dir / undo::kVersionsFolder);
            writeBytes(file, before);
            if (op != "change")
                insert("ANA");
            if (op == "redo")
                undoLast();
            undo::takeKeepFailure();
        };
        const auto run = [&] {
            if (op == "change") {
                // A data file that failed to close after it was read is no failure of the
                // change.
                const RewriteFailure f = insert("ANA").failure;
                const bool done = f == RewriteFailure::None || f == RewriteFailure::CloseData;
                return undo::Result{done ? undo::Outcome::Done : undo::Outcome::Failed, -1};
            }
            return op == "undo" ? undoLast() : redoNext();
        };
        prepare();
        const std::string was = bytes();
        fileio::setFaults({0, EIO, -1, true});
        ASSERT_EQ(run().outcome, undo::Outcome::Done);
        const long total = fileio::callCount();
        const std::string done = bytes();
        ASSERT_NE(done, was);
        for (long n = 1; n <= total; ++n) {
            prepare();
            fileio::setFaults({n, EIO, -1, true});
            std::optional<undo::Result> result;
            try {
                result = run();
            } catch (const IoError& e) {
                EXPECT_EQ(e.errnum(), EIO);
            }
            fileio::clearFaults();
            const std::string now = bytes();
            const std::string at = op + " call " + std::to_string(n);
            EXPECT_TRUE(now == was || now == done) << at;
            EXPECT_FALSE(fs::exists(dir / kTempFileName)) << at;
            if (result && result->outcome != undo::Outcome::Done) {
                EXPECT_TRUE(now == was) << at;
            }
            // Whatever it left, the history goes on from there, unless the change said that
            // it could not be kept.
            if (undo::takeKeepFailure())
                continue;
            if (now == after) {
                ASSERT_EQ(undoLast().outcome, undo::Outcome::Done) << at;
                EXPECT_TRUE(bytes() == before) << at;
            } else if (op != "change") {
                ASSERT_EQ(redoNext().outcome, undo::Outcome::Done) << at;
                EXPECT_TRUE(bytes() == after) << at;
            } else {
                EXPECT_EQ(undo::offer(file).undoId, 0u) << at;
            }
        }
    }
}

// A process that undoes and redoes without end is killed at random moments: the data file is
// always one of the two versions, whole, and the next undo or redo goes on from it.
TEST_F(Undo, AKillAtAnyMomentLeavesAWholeVersion) {
    store(numbered("N", 2000));
    const std::string without = bytes();
    insert("ANA");
    const std::string with = bytes();
    const auto step = [&] {
        const undo::Offer o = undo::offer(file);
        if (o.undoId)
            undo::undoChange(file, o.undoId);
        else if (o.redoId)
            undo::redoChange(file, o.redoId);
        else if (bytes() == with)
            eliminar(file, 0);
        else
            insert("ANA");
    };
    std::mt19937 random(7);
    for (int round = 0; round < 12; ++round) {
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        ChildProcess busy([&] {
            ::close(ready[0]);
            for (bool first = true;; first = false) {
                step();
                if (first && ::write(ready[1], "x", 1) != 1)
                    return 1;
            }
        });
        ::close(ready[1]);
        char c;
        ASSERT_EQ(::read(ready[0], &c, 1), 1);
        ::close(ready[0]);
        ::usleep(std::uniform_int_distribution<unsigned>(0, 30000)(random));
        busy.kill();
        const std::string now = bytes();
        ASSERT_TRUE(now == with || now == without) << "round " << round;
        removeLeftoverTemp(file); // as the next start does
        step();
        EXPECT_TRUE(bytes() == with || bytes() == without) << "round " << round;
        EXPECT_NE(bytes(), now) << "round " << round;
    }
}

} // namespace
