// Times one insert and one delete on a large persons file against copying the same file and
// flushing the copy to disk. Usage: bench_rewrite [records] [repetitions] [folder]
#include "gendata.h"

#include "core/datafile.h"
#include "core/rewrite.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
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

void check(bool ok, const char* what) {
    if (!ok)
        throw std::runtime_error(std::string(what) + ": " + std::strerror(errno));
}

// The yardstick: a plain copy in 1 MiB blocks, flushed to disk.
void copyAndFlush(const fs::path& from, const fs::path& to) {
    const int in = ::open(from.c_str(), O_RDONLY);
    check(in >= 0, "open source");
    const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    check(out >= 0, "create copy");
    std::vector<char> buffer(1 << 20);
    for (;;) {
        const ssize_t got = ::read(in, buffer.data(), buffer.size());
        check(got >= 0, "read");
        if (got == 0)
            break;
        for (ssize_t done = 0; done < got;) {
            const ssize_t n = ::write(out, buffer.data() + done, static_cast<size_t>(got - done));
            check(n >= 0, "write");
            done += n;
        }
    }
    check(::fsync(out) == 0, "fsync");
    ::close(out);
    ::close(in);
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    const std::size_t records = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 100000;
    const int repetitions = argc > 2 ? std::atoi(argv[2]) : 5;
    const fs::path base = argc > 3 ? fs::path(argv[3]) : fs::temp_directory_path();
    const fs::path folder = base / ("tevo-bench-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    const fs::path data = folder / "persona1.dat";
    const fs::path copy = folder / "copia.dat";

    try {
        std::printf("Generating %zu persons...\n", records);
        bench::writeDataFile(data, bench::makePersons(records, 2024));
        std::printf("File: %s, %llu bytes\n\n", data.c_str(),
                    static_cast<unsigned long long>(fs::file_size(data)));

        const std::array<std::string, 8> others = {
            "(02) 2345 6789",
            "+56 9 8765 4321",
            "",
            "Calle Mayor 12, Madrid",
            "marta.ruiz@correo.example",
            "",
            "",
            bench::toCp1252("Cliente nuevo; llamar el lunes.")};
        const std::string name = bench::toCp1252("MARTA RUIZ NÚÑEZ");

        std::vector<double> copies, inserts, deletes;
        std::printf("%4s %12s %12s %12s\n", "run", "copy+fsync", "insert", "delete");
        for (int run = 1; run <= repetitions; ++run) {
            copies.push_back(secondsOf([&] { copyAndFlush(data, copy); }));
            fs::remove(copy);
            core::RewriteResult inserted;
            inserts.push_back(secondsOf(
                [&] { inserted = core::ingresardatos(data, name, others, core::kTagPerson, -1); }));
            if (inserted.position < 0)
                throw std::runtime_error("insert failed");
            core::RewriteResult removed;
            deletes.push_back(
                secondsOf([&] { removed = core::eliminar(data, inserted.position); }));
            if (removed.position != -1 || removed.failure != core::RewriteFailure::None)
                throw std::runtime_error("delete failed");
            std::printf("%4d %11.3fs %11.3fs %11.3fs\n", run, copies.back(), inserts.back(),
                        deletes.back());
        }
        if (core::recordCount(data) != static_cast<std::int64_t>(records))
            throw std::runtime_error("record count changed");

        const double copyTime = median(copies);
        std::printf("\nmedian     %11.3fs %11.3fs %11.3fs\n", copyTime, median(inserts),
                    median(deletes));
        std::printf("insert / copy+fsync = %.2f (target: at most about 2)\n",
                    median(inserts) / copyTime);
        std::printf("delete / copy+fsync = %.2f\n", median(deletes) / copyTime);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_rewrite: %s\n", e.what());
        fs::remove_all(folder);
        return 1;
    }
    fs::remove_all(folder);
    return 0;
}
