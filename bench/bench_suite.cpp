// The benchmark suite: every operation that reads or rewrites a whole data file, timed against
// what the machine itself needs for the same bytes, on files it generates. Each figure is the
// median of paired runs (operation and yardstick alternated in this one process), with the
// median of the per-pair ratios beside it.
// Usage: bench_suite [--large] [--reps N] [--program PATH] [--typing] [folder]
//   --large adds the 1,000,000-record files (1.6 GB each); --program times the start-up of the
//   program built beside this suite; --typing runs the rows of typing into the search alone.
//   BENCH_KEYS=1 prints each typed key's time.
#include "gendata.h"
#include "typing.h"

#include "core/csvmap.h"
#include "core/datafile.h"
#include "core/duplicates.h"
#include "core/exports.h"
#include "core/fileio.h"
#include "core/rewrite.h"
#include "core/search.h"
#include "core/vcard.h"
#include "core/vcardmap.h"
#include "core/version1.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

struct Cost {
    double wall = 0, cpu = 0; // seconds
};

double cpuSeconds() {
    rusage u{};
    ::getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

Cost measure(const std::function<void()>& work, bool settle) {
    if (settle)
        ::sync(); // earlier writes are not flushed on this step's time
    const double cpu0 = cpuSeconds();
    const auto start = Clock::now();
    work();
    return {std::chrono::duration<double>(Clock::now() - start).count(), cpuSeconds() - cpu0};
}

// The operation and its baseline of pair number `i`, the one going first taking turns, so that
// neither profits from a cache the other warmed.
std::pair<Cost, Cost> measurePair(const std::function<void()>& op,
                                  const std::function<void()>& base, int i, bool settle) {
    if (i % 2 == 0) {
        const Cost o = measure(op, settle);
        return {o, measure(base, settle)};
    }
    const Cost b = measure(base, settle);
    return {measure(op, settle), b};
}

// As measurePair for any number of steps: round `i` starts with step i modulo their number.
std::vector<Cost> measureRound(const std::vector<std::function<void()>>& steps, int i,
                               bool settle) {
    std::vector<Cost> costs(steps.size());
    for (std::size_t k = 0; k < steps.size(); ++k) {
        const std::size_t at = (k + static_cast<std::size_t>(i)) % steps.size();
        costs[at] = measure(steps[at], settle);
    }
    return costs;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

void check(bool ok, const char* what) {
    if (!ok)
        throw std::runtime_error(std::string(what) + ": " + std::strerror(errno));
}

// --- the yardsticks -------------------------------------------------------------------------

volatile std::uint64_t sink;

// Reading the bytes from `offset` to the end sequentially, from the page cache.
void readFrom(const fs::path& file, std::uint64_t offset) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    check(fd >= 0, "open");
    // On a page boundary: with the 1 MiB reads at page-aligned offsets, a buffer 16 bytes past
    // one (where the allocator puts a block this large) makes the kernel's copy run at a third
    // of its speed on some processors, and the yardstick is what the machine can do.
    constexpr std::size_t kRead = 1 << 20;
    const std::unique_ptr<char, decltype(&std::free)> buffer(
        static_cast<char*>(std::aligned_alloc(4096, kRead)), &std::free);
    check(buffer != nullptr, "aligned_alloc");
    std::uint64_t sum = 0;
    for (;;) {
        const ssize_t got = ::pread(fd, buffer.get(), kRead, static_cast<off_t>(offset));
        check(got >= 0, "read");
        if (got == 0)
            break;
        sum += static_cast<unsigned char>(buffer.get()[static_cast<std::size_t>(got) - 1]);
        offset += static_cast<std::uint64_t>(got);
    }
    ::close(fd);
    sink = sum;
}

// The end of every careful replacement: flush the new file, rename it over the previous copy
// (which frees that one's blocks) and flush the folder.
void flushAndPutInPlace(int out, const fs::path& temp, const fs::path& to) {
    check(::fsync(out) == 0, "fsync");
    ::close(out);
    check(::rename(temp.c_str(), to.c_str()) == 0, "rename");
    const int dir = ::open(to.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    check(dir >= 0 && ::fsync(dir) == 0, "fsync folder");
    ::close(dir);
}

// A copy of `from` as `to`, replaced carefully, with one record changed at byte `at`: the
// bytes before it copied inside the kernel, `put` (a record, or nothing) written, `skip` bytes
// of the source left out, the rest copied. With nothing changed this is what `cp` and a careful
// replacement do; with a change it is the least any rewrite that changes one record in the
// middle asks of the kernel: a record put in or left out moves every later byte by 1,636,
// which is not a whole page.
void copyAroundAndReplace(const fs::path& from, const fs::path& to, std::uint64_t at = 0,
                          const std::string& put = {}, std::uint64_t skip = 0) {
    const fs::path temp = to.string() + ".tmp";
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    check(in >= 0, "open source");
    const int out = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    check(out >= 0, "create copy");
    struct stat st {};
    check(::fstat(in, &st) == 0, "fstat");
    const auto copy = [&](off_t offset, off_t left) {
        while (left > 0) {
            const ssize_t n = ::copy_file_range(in, &offset, out, nullptr, left, 0);
            check(n > 0, "copy_file_range");
            left -= n;
        }
    };
    copy(0, static_cast<off_t>(at));
    if (!put.empty())
        check(::write(out, put.data(), put.size()) == static_cast<ssize_t>(put.size()), "write");
    copy(static_cast<off_t>(at + skip), st.st_size - static_cast<off_t>(at + skip));
    ::close(in);
    flushAndPutInPlace(out, temp, to);
}

void copyAndReplace(const fs::path& from, const fs::path& to) {
    copyAroundAndReplace(from, to);
}

// Writing a file of `size` bytes once, as the exports do (no flush to disk). From a buffer on a
// page boundary, as the read yardstick reads: from 16 bytes past one, where the allocator puts a
// string this large, the kernel's copy costs a fifth more (6.1 against 5.0 ms for 19.5 MB).
void writeSize(const fs::path& to, std::uint64_t size) {
    constexpr std::size_t kBlock = 1 << 20;
    static char* const block = [] {
        char* bytes = static_cast<char*>(std::aligned_alloc(4096, kBlock));
        check(bytes != nullptr, "aligned_alloc");
        std::memset(bytes, 'x', kBlock);
        return bytes;
    }();
    const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    check(out >= 0, "create");
    for (std::uint64_t left = size; left > 0;) {
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(left, kBlock));
        check(::write(out, block, n) == static_cast<ssize_t>(n), "write");
        left -= n;
    }
    ::close(out);
}

// The result of an import written once, flushed, renamed into place and the folder flushed,
// as the import's own rewrite ends.
void writeOnceAndReplace(const std::string& bytes, const fs::path& to) {
    const fs::path temp = to.string() + ".tmp";
    const int out = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    check(out >= 0, "create");
    check(::write(out, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size()), "write");
    flushAndPutInPlace(out, temp, to);
}

// --- the table ------------------------------------------------------------------------------

struct Row {
    std::string name, baseline, target;
    double limit = 0;    // ratio the target allows; 0 = no ratio
    bool useCpu = false; // the ratio of CPU time rather than wall time
    // The least the machine must do for this operation, where the yardstick does less.
    std::string floor = {};
};

struct Figure {
    double op = 0, base = 0, ratio = 0;
    double floor = 0; // the ratio to the row's floor; 0 = none
};

std::map<std::string, std::map<std::size_t, Figure>> results; // row -> tier -> figure
std::vector<Row> rows;

void note(const Row& row, std::size_t tier, const Figure& f) {
    if (std::none_of(rows.begin(), rows.end(), [&](const Row& r) { return r.name == row.name; }))
        rows.push_back(row);
    results[row.name][tier] = f;
    if (row.limit > 0)
        std::printf("  %-44s %10.3f ms  %10.3f ms  %5.2fx  (target <= %.1fx) %s", row.name.c_str(),
                    f.op * 1e3, f.base * 1e3, f.ratio, row.limit,
                    f.ratio <= row.limit ? "met" : "NOT met");
    else
        std::printf("  %-44s %10.3f ms", row.name.c_str(), f.op * 1e3);
    if (f.floor > 0)
        std::printf("; %.2fx %s", f.floor, row.floor.c_str());
    std::printf("\n");
    std::fflush(stdout);
}

// Operation and yardstick alternately, the order swapped every run so that neither profits
// from going second; wall or CPU figures and the median of the per-pair ratios.
void paired(const Row& row, std::size_t tier, int reps, const std::function<void()>& op,
            const std::function<void()>& base, bool settle) {
    std::vector<double> ops, bases, ratios;
    for (int i = 0; i < reps; ++i) {
        const auto [o, b] = measurePair(op, base, i, settle);
        const double ov = row.useCpu ? o.cpu : o.wall, bv = row.useCpu ? b.cpu : b.wall;
        ops.push_back(ov);
        bases.push_back(bv);
        ratios.push_back(bv > 0 ? ov / bv : 0);
    }
    note(row, tier, {median(ops), median(bases), median(ratios)});
}

// As paired, with the row's floor as a third step of every round.
void pairedWithFloor(const Row& row, std::size_t tier, int reps, const std::function<void()>& op,
                     const std::function<void()>& base, const std::function<void()>& floor,
                     bool settle) {
    std::vector<double> ops, bases, ratios, floors;
    for (int i = 0; i < reps; ++i) {
        const std::vector<Cost> c = measureRound({op, base, floor}, i, settle);
        const auto pick = [&row](const Cost& k) { return row.useCpu ? k.cpu : k.wall; };
        ops.push_back(pick(c[0]));
        bases.push_back(pick(c[1]));
        ratios.push_back(pick(c[0]) / pick(c[1]));
        floors.push_back(pick(c[0]) / pick(c[2]));
    }
    note(row, tier, {median(ops), median(bases), median(ratios), median(floors)});
}

void alone(const Row& row, std::size_t tier, int reps, const std::function<void()>& op,
           bool settle = false) {
    std::vector<double> ops;
    for (int i = 0; i < reps; ++i)
        ops.push_back(measure(op, settle).wall);
    note(row, tier, {median(ops), 0, 0});
}

// --- the data -------------------------------------------------------------------------------

// The persons as the first version stored them, in no particular order.
void writeVersion1(const fs::path& file, std::vector<core::Record> persons) {
    std::shuffle(persons.begin(), persons.end(), std::mt19937(7));
    constexpr int kFrom[] = {core::person::Name,    core::person::Phone,  core::person::Mobile,
                             core::person::Address, core::person::Email1, core::person::Notes};
    std::string bytes;
    bytes.reserve(persons.size() * core::kV1RecordSize);
    for (const core::Record& r : persons) {
        std::string raw(core::kV1RecordSize, '\0');
        for (int i = 0; i < core::kV1FieldCount; ++i) {
            const std::string text = r.texts[kFrom[i]].substr(0, core::kV1FieldCapacity);
            raw[i * 251] = static_cast<char>(text.size());
            raw.replace(i * 251 + 1, text.size(), text);
        }
        bytes += raw;
    }
    core::fileio::replaceContents(file, bytes);
}

const std::string kLastMark = bench::toCp1252(" (ÚLTIMO)");

// A data file of `count` records; the last one alone carries kLastMark in its name, so that a
// search for it has exactly one hit, at the end.
void generate(const fs::path& file, std::size_t count, bool persons) {
    std::vector<core::Record> records =
        persons ? bench::makePersons(count, 2024) : bench::makeCompanies(count, 2024);
    records.back().texts[0] += kLastMark;
    bench::writeDataFile(file, records);
}

std::int64_t scan(const fs::path& file, std::int64_t start, bool persons, const std::string& box1,
                  const std::string& box2) {
    core::fileio::File f = core::fileio::openReadWrite(file);
    bool last = false;
    const std::int64_t found = core::findRecord(f, start, persons, box1, box2, last);
    f.close();
    return found;
}

// What the window learned about the file no longer holds once its modification time changes:
// the next name typed starts from nothing, as on a file nobody searched yet.
void touch(const fs::path& file, int round) {
    const timespec times[2] = {{0, UTIME_OMIT},
                               {static_cast<std::time_t>(::time(nullptr) - 3600), 1000 + round}};
    check(::utimensat(AT_FDCWD, file.c_str(), times, 0) == 0, "utimensat");
}

// Typing into box 1 of the window, a key at a time with automatic search on: the name of the
// last record, whose keys find matches ever further into the file, and a name that no record
// holds, whose keys find matches until one key finds none. Once with the keys one right after
// the other, so that the window never waits between them, and then with a pause between keys
// in which the window reads on: 120 ms, a fast typist's pace, and 250 ms, an ordinary one.
void benchTyping(const fs::path& folder, const fs::path& persons, std::size_t count, int reps) {
    bench::TypingWindow window(folder);
    const auto last = static_cast<std::int64_t>(count) - 1;
    const std::string there = core::readRecord(persons, last).texts[core::person::Name];
    const std::string absent = bench::toCp1252("ZOE ÚRSULA QUINTANILLA");
    int round = 0;
    for (const int pauseMs : {0, 120, 250})
        for (const bool found : {true, false}) {
            std::vector<double> means[2], slowest[2], waits;           // wall, processor
            const int rounds = pauseMs ? std::max(3, reps / 2) : reps; // a round takes seconds
            for (int i = 0; i < rounds; ++i) {
                touch(persons, round++);
                double wait = 0;
                const auto keys = window.type(found ? there : absent, pauseMs, &wait);
                if (window.found() != found || (found && window.shown() != last))
                    throw std::runtime_error("typing found the wrong record");
                waits.push_back(wait);
                if (std::getenv("BENCH_KEYS")) { // each key's wall time, in milliseconds
                    for (const auto& k : keys)
                        std::printf(" %.1f", k.wall * 1e3);
                    std::printf("  (a pause of %d ms)\n", pauseMs);
                }
                for (const bool cpu : {false, true}) {
                    double sum = 0, most = 0;
                    for (const auto& k : keys) {
                        sum += cpu ? k.cpu : k.wall;
                        most = std::max(most, cpu ? k.cpu : k.wall);
                    }
                    means[cpu].push_back(sum / static_cast<double>(keys.size()));
                    slowest[cpu].push_back(most);
                }
            }
            const std::string name =
                std::string(found ? "typing the last record's name" : "typing a name not there") +
                (pauseMs ? ", a key every " + std::to_string(pauseMs) + " ms" : "");
            for (const bool cpu : {false, true}) {
                const std::string kind = cpu ? " (CPU)" : " (wall)";
                note({name + ", per key" + kind, "", "<= 16 ms"}, count,
                     {median(means[cpu]), 0, 0});
                note({name + ", slowest key" + kind, "", ""}, count, {median(slowest[cpu]), 0, 0});
            }
            if (pauseMs)
                note({name + ", longest the window was busy between keys", "", ""}, count,
                     {median(waits), 0, 0});
        }
}

// --- the import rows ------------------------------------------------------------------------

// The cards as a phone would hand them over: 3.0, one in a hundred with a photo of about
// 30 KB.
void writeCards(const fs::path& file, const std::vector<core::Record>& persons) {
    std::string photo = "PHOTO;ENCODING=b;TYPE=JPEG:";
    for (int i = 0; i < 30000; ++i)
        photo += "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/"[i % 64];
    std::string folded;
    core::vcard::appendFolded(folded, photo);
    std::string text;
    for (std::size_t i = 0; i < persons.size(); ++i) {
        std::string card = core::cardFromRecord(persons[i], true);
        if (i % 100 == 0)
            card.insert(card.size() - std::string("END:VCARD\r\n").size(), folded);
        text += card;
    }
    core::fileio::replaceContents(file, text);
}

// One way into a data file from another program's file. Another format is one more entry:
// how its source file is made from the generated records, and what the import reads from it
// for the data file (the merge into the data file is the same for all).
struct ImportCase {
    std::string name;
    std::function<void(const fs::path& source, const std::vector<core::Record>& persons)> make;
    std::function<std::vector<core::Record>(const fs::path& source, const fs::path& target)> read;
    std::string sourceName;
};

// The table a spreadsheet or a web-mail page would hand over: the records written in a layout.
std::function<void(const fs::path&, const std::vector<core::Record>&)>
csvWriter(core::CsvLayout layout) {
    return [layout](const fs::path& source, const std::vector<core::Record>& persons) {
        const fs::path data = source.string() + ".dat";
        bench::writeDataFile(data, persons);
        core::writeCsvFile(data, true, layout, source);
        fs::remove(data);
    };
}

std::function<std::vector<core::Record>(const fs::path&, const fs::path&)> csvReader(bool persons) {
    return [persons](const fs::path& source, const fs::path& target) {
        core::csv::Reader table(source);
        const core::CsvMapping mapping = core::csvMappingFor(table.header(), persons);
        core::CsvFile rows = core::readCsvFile(table, persons, mapping);
        if (!mapping.known || rows.error != core::csv::ReadError::None)
            throw std::runtime_error("the table did not read");
        return core::newRecordsFor(target, std::move(rows.records)).records;
    };
}

const std::vector<ImportCase>& importCases() {
    static const std::vector<ImportCase> cases = {
        {"import of 100,000 version-1 records", writeVersion1,
         [](const fs::path& source, const fs::path&) {
             return core::Version1File(source).readAll(core::Version1Kind::Persons);
         },
         "vivazo01.dat"},
        {"import of 100,000 CSV rows (own columns)", csvWriter(core::CsvLayout::Own),
         csvReader(true), "contactos.csv"},
        {"import of 100,000 CSV rows (web-mail columns)", csvWriter(core::CsvLayout::WebMail),
         csvReader(true), "contactos.csv"},
        {"import of 100,000 vCards", writeCards,
         [](const fs::path& source, const fs::path& target) {
             core::VCardFile cards = core::readVCardFile(source, true);
             if (cards.error != core::vcard::ReadError::None)
                 throw std::runtime_error("the cards did not read");
             return core::newRecordsFor(target, std::move(cards.records)).records;
         },
         "contactos.vcf"},
    };
    return cases;
}

void benchImports(const fs::path& folder, int reps) {
    constexpr std::size_t kImported = 100000;
    const std::vector<core::Record> persons = bench::makePersons(kImported, 99);
    for (const ImportCase& c : importCases()) {
        const fs::path source = folder / c.sourceName, target = folder / "importado.dat",
                       once = folder / "unavez.dat";
        c.make(source, persons);
        const auto import = [&] {
            core::createEmptyDataFile(target);
            const auto result = core::insertRecords(target, c.read(source, target));
            if (result.failure != core::RewriteFailure::None || result.position < 0)
                throw std::runtime_error(c.name + " failed");
        };
        import();
        const std::string bytes = core::fileio::readAll(target);
        if (bytes.size() != kImported * core::kRecordSize)
            throw std::runtime_error(c.name + ": wrong record count");
        // The floor: the source must be read as well as the result written.
        pairedWithFloor(
            {c.name, "writing the result file once", "<= 3x", 3.0, false,
             "reading the source and writing the result once"},
            kImported, reps, import, [&] { writeOnceAndReplace(bytes, once); },
            [&] {
                readFrom(source, 0);
                writeOnceAndReplace(bytes, once);
            },
            true);
        fs::remove(source);
        fs::remove(target);
        fs::remove(once);
    }
}

// --- one tier -------------------------------------------------------------------------------

bool typingOnly = false; // --typing: the typing rows alone

void benchTier(const fs::path& folder, std::size_t count, int reps, const std::string& program) {
    std::printf("\n%zu records\n", count);
    const fs::path persons = folder / "persona1.dat", companies = folder / "empresa1.dat";
    generate(persons, count, true);
    generate(companies, count, false);
    readFrom(persons, 0);
    readFrom(companies, 0); // both in the page cache
    if (typingOnly) {
        benchTyping(folder, persons, count, reps * 2 + 1);
        return;
    }

    const Row nothing{"search that finds nothing (persons, 2 boxes)", "sequential read", "<= 1.5x",
                      1.5};
    paired(
        nothing, count, reps * 2 + 1,
        [&] {
            if (scan(persons, 0, true, "ZZQX", "999999999") != -1)
                throw std::runtime_error("unexpected match");
        },
        [&] { readFrom(persons, 0); }, false);
    paired(
        {"search that finds nothing (companies, 2 boxes)", "sequential read", "<= 1.5x", 1.5},
        count, reps * 2 + 1,
        [&] {
            if (scan(companies, 0, false, "ZZQX", "ZZQX") != -1)
                throw std::runtime_error("unexpected match");
        },
        [&] { readFrom(companies, 0); }, false);
    const auto last = static_cast<std::int64_t>(count) - 1;
    paired(
        {"search hit on the last record", "sequential read", "<= 1.5x", 1.5}, count, reps * 2 + 1,
        [&] {
            if (scan(persons, 0, true, kLastMark.substr(1), "") != last)
                throw std::runtime_error("last record not found");
        },
        [&] { readFrom(persons, 0); }, false);
    const std::int64_t middle = last / 2;
    paired(
        {"Siguiente from the middle to the last record", "read from the middle", "<= 1.5x", 1.5},
        count, reps * 2 + 1,
        [&] {
            if (scan(persons, middle + 1, true, kLastMark.substr(1), "") != last)
                throw std::runtime_error("last record not found");
        },
        [&] { readFrom(persons, static_cast<std::uint64_t>(middle + 1) * core::kRecordSize); },
        false);

    // Grouping the duplicates reads the file once and keeps only the keys: against that read,
    // in CPU time, and under a second of it at 100,000 records.
    std::size_t groups = 0;
    const Row grouping{"finding duplicates (persons, CPU)", "sequential read", "< 1 s CPU", 0,
                       true};
    paired(
        grouping, count, reps, [&] { groups = core::findDuplicates(persons, true).size(); },
        [&] { readFrom(persons, 0); }, false);
    const Figure& g = results[grouping.name][count];
    std::printf("  %-44s %10.3f ms  %10.3f ms  %5.2fx  (target < 1000 ms CPU) %s; %zu groups\n", "",
                g.op * 1e3, g.base * 1e3, g.ratio, g.op < 1.0 ? "met" : "NOT met", groups);

    // One-record changes against cp + flush of the copy and its folder, wall and CPU.
    const fs::path copy = folder / "copia.dat";
    copyAndReplace(persons, copy);
    core::Record fresh;
    fresh.texts[core::person::Name] = bench::toCp1252("MARTA RUIZ NÚÑEZ");
    fresh.texts[core::person::Mobile] = "+56 9 8765 4321";
    fresh.texts[core::person::Notes] = bench::toCp1252("Cliente nuevo; llamar el lunes.");
    fresh.tag = core::kTagPerson;
    std::int64_t inserted = -1;
    const auto insert = [&] { inserted = core::rewriteDataFile(persons, fresh, -1).position; };
    const auto remove = [&] {
        if (inserted < 0 || core::eliminar(persons, inserted).position != -1)
            throw std::runtime_error("delete failed");
        inserted = -1;
    };
    const auto modify = [&] {
        core::Record edited = core::readRecord(persons, middle);
        edited.texts[core::person::Notes] = "x" + edited.texts[core::person::Notes].substr(0, 200);
        if (core::modificar(persons, middle, edited).position < 0)
            throw std::runtime_error("modify failed");
    };
    const auto base = [&] { copyAndReplace(persons, copy); };
    // The same copy with the change made in the middle of the file, as the rewrite makes it.
    const std::uint64_t at = static_cast<std::uint64_t>(middle) * core::kRecordSize;
    const std::string record(core::kRecordSize, '\0');
    const std::vector<std::function<void()>> around = {
        [&] { copyAroundAndReplace(persons, copy, at, record, 0); },
        [&] { copyAroundAndReplace(persons, copy, at, {}, core::kRecordSize); },
        [&] { copyAroundAndReplace(persons, copy, at, record, core::kRecordSize); }};
    const std::vector<std::function<void()>> changes = {insert, remove, modify};
    const std::vector<std::string> names = {"insert of one record", "delete of one record",
                                            "modify of one record"};
    for (bool cpu : {false, true}) {
        const std::string kind = cpu ? " (CPU)" : " (wall)";
        const std::string target = cpu ? "<= 1.2x" : "<= 1.1x";
        const double limit = cpu ? 1.2 : 1.1;
        const std::string yard = "cp + flush of copy and folder";
        // Insert and delete alternate so that the file keeps its size; each round runs the
        // change, the plain copy and the copy around the change, starting with another one.
        std::vector<double> op[3], plain[3], ratio[3], aroundRatio[3];
        for (int i = 0; i < reps; ++i) {
            for (int which = 0; which < 3; ++which) {
                const std::vector<Cost> c =
                    measureRound({changes[which], base, around[which]}, i, true);
                const auto pick = [cpu](const Cost& k) { return cpu ? k.cpu : k.wall; };
                op[which].push_back(pick(c[0]));
                plain[which].push_back(pick(c[1]));
                ratio[which].push_back(pick(c[0]) / pick(c[1]));
                aroundRatio[which].push_back(pick(c[0]) / pick(c[2]));
            }
        }
        for (int which = 0; which < 3; ++which)
            note({names[which] + kind, yard, target, limit, cpu, "the copy around the change"},
                 count,
                 {median(op[which]), median(plain[which]), median(ratio[which]),
                  median(aroundRatio[which])});
    }
    fs::remove(copy);
    if (core::recordCount(persons) != static_cast<std::int64_t>(count))
        throw std::runtime_error("the record count changed");
    // After the changes: a new modification time makes the rewrite read the file through once.
    benchTyping(folder, persons, count, reps * 2 + 1);

    // Exports against writing a file of the same size.
    const fs::path out = folder / "faatmp01.txt", same = folder / "igual.txt";
    core::writeTextList(persons, true, out);
    const std::uint64_t textSize = fs::file_size(out);
    // The floor: the data file must be read, and that costs about what the write costs.
    const std::string floor = "reading the data file and writing the same size";
    pairedWithFloor(
        {"text export", "writing a file of the same size", "<= 2x", 2.0, false, floor}, count, reps,
        [&] { core::writeTextList(persons, true, out); }, [&] { writeSize(same, textSize); },
        [&] {
            readFrom(persons, 0);
            writeSize(same, textSize);
        },
        true);
    const core::PageStyle style{"3", "#FFFFFF", "#000080", "#000000"};
    core::writeWebPage(persons, true, "persona1.dat", style, out);
    const std::uint64_t pageSize = fs::file_size(out);
    pairedWithFloor(
        {"web page export", "writing a file of the same size", "<= 2x", 2.0, false, floor}, count,
        reps, [&] { core::writeWebPage(persons, true, "persona1.dat", style, out); },
        [&] { writeSize(same, pageSize); },
        [&] {
            readFrom(persons, 0);
            writeSize(same, pageSize);
        },
        true);
    // The CSV export replaces its file carefully, so its yardstick is the same careful write.
    const fs::path csv = folder / "contactos.csv";
    core::writeCsvFile(persons, true, core::CsvLayout::Own, csv);
    const std::string csvSized(fs::file_size(csv), 'x');
    pairedWithFloor(
        {"CSV export", "writing a file of the same size, replaced carefully", "<= 2x", 2.0, false,
         floor},
        count, reps, [&] { core::writeCsvFile(persons, true, core::CsvLayout::Own, csv); },
        [&] { writeOnceAndReplace(csvSized, same); },
        [&] {
            readFrom(persons, 0);
            writeOnceAndReplace(csvSized, same);
        },
        true);
    fs::remove(csv);
    fs::remove(out);
    fs::remove(same);

    // Showing record n: what the scroll bar's handler reads, without the painting.
    std::mt19937 pick(5);
    alone({"showing record n (read, no painting)", "", "flat"}, count, 201, [&] {
        const auto n = static_cast<std::int64_t>(pick() % count);
        if (core::readRecordInView(persons, n).number != n)
            throw std::runtime_error("wrong record shown");
    });
    if (!program.empty()) {
        // The whole program: start, show the record viewed last, close.
        fs::create_directories(folder / "config");
        core::fileio::replaceContents(folder / "inicio.ini",
                                      "[ventana]\r\nlastview=" + std::to_string(middle) + "\r\n");
        const std::string command = "XDG_CONFIG_HOME='" + (folder / "config").string() +
                                    "' QT_QPA_PLATFORM=offscreen '" + program + "' --dir '" +
                                    folder.string() + "' --unattended >/dev/null 2>&1";
        alone(
            {"start-up to the record viewed last, and close", "", "flat"}, count, reps,
            [&] {
                if (std::system(command.c_str()) != 0)
                    throw std::runtime_error("the program failed to start");
            },
            true); // the settings' flush would otherwise wait for the generated files
    }
}

// The peak resident memory of browsing, searching and exporting the file, in a process of its
// own so that the generated records of this one do not count.
void probeMemory(const fs::path& probe, const fs::path& folder, const char* mode = nullptr) {
    const pid_t child = ::fork();
    check(child >= 0, "fork");
    if (child == 0) {
        if (mode)
            ::execl(probe.c_str(), probe.c_str(), mode, folder.c_str(),
                    static_cast<char*>(nullptr));
        else
            ::execl(probe.c_str(), probe.c_str(), folder.c_str(), static_cast<char*>(nullptr));
        std::_Exit(127);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error("the memory probe failed");
}

void printGrowth(const std::vector<std::size_t>& tiers) {
    std::printf("\nGrowth (operation's median; last column: largest / smallest)\n");
    std::printf("  %-44s", "");
    for (std::size_t t : tiers)
        std::printf(" %12zu", t);
    std::printf("  growth\n");
    for (const Row& row : rows) {
        const auto& byTier = results[row.name];
        if (byTier.size() < 2)
            continue;
        std::printf("  %-44s", row.name.c_str());
        for (std::size_t t : tiers) {
            const auto at = byTier.find(t);
            if (at == byTier.end())
                std::printf(" %12s", "-");
            else
                std::printf(" %10.3fms", at->second.op * 1e3);
        }
        std::printf("  %8.2fx\n", byTier.rbegin()->second.op / byTier.begin()->second.op);
    }
}

} // namespace

int main(int argc, char** argv) {
    bool large = false;
    int reps = 5;
    std::string program;
    fs::path base = fs::temp_directory_path();
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--large")
            large = true;
        else if (arg == "--reps" && i + 1 < argc)
            reps = std::max(1, std::atoi(argv[++i]));
        else if (arg == "--typing")
            typingOnly = true;
        else if (arg == "--program" && i + 1 < argc)
            program = fs::absolute(argv[++i]).string();
        else
            base = arg;
    }
    const fs::path folder = base / ("tevo-bench-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    std::vector<std::size_t> tiers = {1000, 100000};
    if (large)
        tiers.push_back(1000000);
    const auto started = Clock::now();
    try {
        std::printf("%-46s %13s %13s %6s\n", "operation", "median", "baseline", "ratio");
        for (std::size_t count : tiers) {
            benchTier(folder, count, reps, program);
            if (count == tiers.back() && !typingOnly) {
                const fs::path probe =
                    fs::read_symlink("/proc/self/exe").parent_path() / "bench_probe";
                probeMemory(probe, folder);
                probeMemory(probe, folder, "--duplicates");
            }
        }
        if (!typingOnly) {
            std::printf("\nImports (100,000 records)\n");
            benchImports(folder, reps);
        }
        printGrowth(tiers);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_suite: %s\n", e.what());
        fs::remove_all(folder);
        return 1;
    }
    fs::remove_all(folder);
    std::printf("\nTotal %.0f s\n", std::chrono::duration<double>(Clock::now() - started).count());
    return 0;
}
