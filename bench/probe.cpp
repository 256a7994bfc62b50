// The memory probe of the benchmark suite, a program of its own so that neither the suite's
// generated records nor the window libraries it links count: the peak resident memory of
// browsing 1,000 records spread over the persons file of the folder given, typing a name that
// is not there into the search, and exporting the file both ways.
#include "core/datafile.h"
#include "core/exports.h"
#include "core/fileio.h"
#include "core/search.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: bench_probe FOLDER\n");
        return 2;
    }
    const fs::path folder = argv[1], persons = folder / "persona1.dat";
    const std::int64_t count = core::recordCount(persons);
    for (std::int64_t n = 0; n < count; n += std::max<std::int64_t>(1, count / 1000))
        core::readRecordInView(persons, n);
    core::SearchMemory typed;
    std::string box1;
    for (const char c : std::string("ZZQX")) {
        box1 += c;
        core::fileio::File f = core::fileio::openReadWrite(persons);
        bool last = false;
        typed.findFirst(f, true, box1, "999999999", last);
        f.close();
    }
    core::writeTextList(persons, true, folder / "probe.txt");
    core::writeWebPage(persons, true, "persona1.dat", {"3", "#FFFFFF", "#000080", "#000000"},
                       folder / "probe.htm");
    fs::remove(folder / "probe.txt");
    fs::remove(folder / "probe.htm");
    // VmHWM, not getrusage: the kernel carries ru_maxrss over an exec, so it would report the
    // peak of the suite that forked this process, generated records and all.
    std::FILE* proc = std::fopen("/proc/self/status", "r");
    if (!proc)
        return 1;
    char line[256];
    double kib = -1;
    while (kib < 0 && std::fgets(line, sizeof line, proc))
        if (std::strncmp(line, "VmHWM:", 6) == 0)
            kib = std::strtod(line + 6, nullptr);
    std::fclose(proc);
    if (kib < 0)
        return 1;
    std::printf("  peak resident memory browsing, searching and exporting %lld records: %.1f MiB\n",
                static_cast<long long>(count), kib / 1024.0);
    return 0;
}
