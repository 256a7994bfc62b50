// Times the import of a large version-1 persons file (read, map, one-pass insert into a new
// data file, flushed and renamed into place) against writing the resulting file once and
// flushing it. Also times a few thousand records inserted one by one, the way that grows with
// the square of the count. Usage: bench_import [records] [repetitions] [single] [folder]
#include "gendata.h"

#include "core/datafile.h"
#include "core/rewrite.h"
#include "core/version1.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

template <typename F> double secondsOf(F&& work) {
    ::sync(); // earlier writes should not be flushed on this step's time
    const auto start = Clock::now();
    work();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

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
    std::ofstream(file, std::ios::binary).write(bytes.data(), static_cast<long>(bytes.size()));
}

void importFile(const fs::path& source, const fs::path& target) {
    core::Version1File version1(source);
    core::createEmptyDataFile(target);
    const auto result = core::insertRecords(target, version1.readAll(core::Version1Kind::Persons));
    if (result.failure != core::RewriteFailure::None || result.position < 0)
        throw std::runtime_error("import failed");
}

// The yardstick: the finished file's bytes written once and flushed to disk.
void writeOnce(const std::string& bytes, const fs::path& to) {
    const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (out < 0 || ::write(out, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()) ||
        ::fsync(out) != 0)
        throw std::runtime_error("write once failed");
    ::close(out);
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    const std::size_t records = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 100000;
    const int repetitions = argc > 2 ? std::atoi(argv[2]) : 5;
    const std::size_t single = argc > 3 ? std::strtoul(argv[3], nullptr, 10) : 2000;
    const fs::path base = argc > 4 ? fs::path(argv[4]) : fs::temp_directory_path();
    const fs::path folder = base / ("tevo-bench-import-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    const fs::path source = folder / "vivazo01.dat";
    const fs::path target = folder / "nuevo.dat";
    const fs::path once = folder / "once.dat";

    try {
        std::printf("Generating %zu version-1 persons...\n", records);
        writeVersion1(source, bench::makePersons(records, 2024));
        std::printf("Version-1 file: %llu bytes\n\n",
                    static_cast<unsigned long long>(fs::file_size(source)));

        std::vector<double> imports, writes;
        std::printf("%4s %12s %12s\n", "run", "import", "write once");
        for (int run = 1; run <= repetitions; ++run) {
            fs::remove(target);
            imports.push_back(secondsOf([&] { importFile(source, target); }));
            std::ifstream in(target, std::ios::binary);
            const std::string result{std::istreambuf_iterator<char>(in), {}};
            writes.push_back(secondsOf([&] { writeOnce(result, once); }));
            fs::remove(once);
            std::printf("%4d %11.3fs %11.3fs\n", run, imports.back(), writes.back());
        }
        if (core::recordCount(target) != static_cast<std::int64_t>(records))
            throw std::runtime_error("record count differs");

        std::printf("\nmedian     %11.3fs %11.3fs\n", median(imports), median(writes));
        std::printf("import / write once = %.2f\n", median(imports) / median(writes));

        if (single > 0) {
            // The same kind of work record by record, on a smaller file.
            const fs::path small = folder / "vivazo01-small.dat";
            fs::create_directories(folder / "small");
            writeVersion1(small, bench::makePersons(single, 99));
            const fs::path oneByOne = folder / "small" / "uno.dat";
            core::Version1File version1(small);
            const auto batch = version1.readAll(core::Version1Kind::Persons);
            const double seconds = secondsOf([&] {
                for (const core::Record& r : batch)
                    if (core::rewriteDataFile(oneByOne, r, -1).position < 0)
                        throw std::runtime_error("insert failed");
            });
            std::printf("\n%zu records inserted one by one: %.3fs\n", single, seconds);
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_import: %s\n", e.what());
        fs::remove_all(folder);
        return 1;
    }
    fs::remove_all(folder);
    return 0;
}
