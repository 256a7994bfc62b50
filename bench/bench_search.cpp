// Times a fresh search that finds nothing (a scan of the whole file) on a large persons file
// against reading the same file sequentially, both from the page cache.
// Usage: bench_search [records] [repetitions] [folder]
#include "gendata.h"

#include "core/fileio.h"
#include "core/search.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

template <typename F> double secondsOf(F&& work) {
    const auto start = Clock::now();
    work();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

volatile std::uint64_t readSink;

// The yardstick: open, read the whole file in 1 MiB blocks, close.
std::uint64_t readSequentially(const fs::path& file) {
    core::fileio::File f = core::fileio::openReadOnly(file);
    std::vector<char> buffer(1 << 20);
    std::uint64_t total = 0, sum = 0;
    for (;;) {
        const std::size_t got = f.readAt(total, buffer.data(), buffer.size());
        if (got == 0)
            break;
        sum += static_cast<unsigned char>(buffer[got - 1]);
        total += got;
    }
    f.close();
    readSink = sum; // the bytes are used, as a search uses them
    return total;
}

// What one keystroke costs: open, scan every record against both boxes, close.
std::int64_t scan(const fs::path& file, const std::string& box1, const std::string& box2) {
    core::fileio::File f = core::fileio::openReadWrite(file);
    bool last = false;
    const std::int64_t found = core::findRecord(f, 0, true, box1, box2, last);
    f.close();
    return found;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    const std::size_t records = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 100000;
    const int repetitions = argc > 2 ? std::atoi(argv[2]) : 11;
    const fs::path base = argc > 3 ? fs::path(argv[3]) : fs::temp_directory_path();
    const fs::path folder = base / ("tevo-bench-search-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    const fs::path data = folder / "persona1.dat";

    try {
        std::printf("Generating %zu persons...\n", records);
        bench::writeDataFile(data, bench::makePersons(records, 2024));
        const auto size = fs::file_size(data);
        std::printf("File: %s, %llu bytes\n\n", data.c_str(),
                    static_cast<unsigned long long>(size));
        readSequentially(data); // into the page cache

        // Needles that no generated record holds, so that every record is tested.
        const std::string name = "ZZQX", phone = "999999999";
        std::vector<double> reads, byName, byBoth;
        std::printf("%4s %12s %12s %12s\n", "run", "read", "scan name", "scan both");
        for (int run = 1; run <= repetitions; ++run) {
            reads.push_back(secondsOf([&] {
                if (readSequentially(data) != size)
                    throw std::runtime_error("short read");
            }));
            byName.push_back(secondsOf([&] {
                if (scan(data, name, "") != -1)
                    throw std::runtime_error("unexpected match");
            }));
            byBoth.push_back(secondsOf([&] {
                if (scan(data, "A", phone) != -1)
                    throw std::runtime_error("unexpected match");
            }));
            std::printf("%4d %10.2fms %10.2fms %10.2fms\n", run, reads.back() * 1e3,
                        byName.back() * 1e3, byBoth.back() * 1e3);
        }
        const double readTime = median(reads);
        std::printf("\nmedian   %10.2fms %10.2fms %10.2fms\n", readTime * 1e3, median(byName) * 1e3,
                    median(byBoth) * 1e3);
        std::printf("scan name / read = %.2f (target: at most about 2)\n",
                    median(byName) / readTime);
        std::printf("scan both / read = %.2f (target: at most about 2)\n",
                    median(byBoth) / readTime);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_search: %s\n", e.what());
        fs::remove_all(folder);
        return 1;
    }
    fs::remove_all(folder);
    return 0;
}
