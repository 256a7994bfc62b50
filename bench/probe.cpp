// The memory probe of the benchmark suite, a program of its own so that neither the suite's
// generated records nor the window libraries it links count: the peak resident memory of
// browsing 1,000 records spread over the persons file of the folder given, typing two names
// into the search (reading ahead between keys), and exporting the file in all three forms;
// with --duplicates, of finding the duplicates of that file alone (memory for the keys, not
// the file).
#include "core/csvmap.h"
#include "core/datafile.h"
#include "core/duplicates.h"
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

namespace {

// The peak resident memory of this process so far, in KiB; negative when unknown. VmHWM, not
// getrusage: the kernel carries ru_maxrss over an exec, so it would report the peak of the
// suite that forked this process, generated records and all.
double peakKib() {
    std::FILE* proc = std::fopen("/proc/self/status", "r");
    if (!proc)
        return -1;
    char line[256];
    double kib = -1;
    while (kib < 0 && std::fgets(line, sizeof line, proc))
        if (std::strncmp(line, "VmHWM:", 6) == 0)
            kib = std::strtod(line + 6, nullptr);
    std::fclose(proc);
    return kib;
}

int probeDuplicates(const fs::path& persons) {
    const double before = peakKib();
    const std::size_t groups = core::findDuplicates(persons, true).size();
    const double kib = peakKib();
    if (before < 0 || kib < 0)
        return 1;
    std::printf("  peak resident memory finding duplicates in %lld records (%zu groups): %.1f MiB "
                "(%.1f MiB before; the file is %.1f MiB)\n",
                static_cast<long long>(core::recordCount(persons)), groups, kib / 1024.0,
                before / 1024.0, static_cast<double>(fs::file_size(persons)) / (1024.0 * 1024.0));
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const bool duplicates = argc == 3 && std::string(argv[1]) == "--duplicates";
    if (argc != 2 && !duplicates) {
        std::fprintf(stderr, "usage: bench_probe [--duplicates] FOLDER\n");
        return 2;
    }
    const fs::path folder = argv[argc - 1], persons = folder / "persona1.dat";
    if (duplicates)
        return probeDuplicates(persons);
    const std::int64_t count = core::recordCount(persons);
    for (std::int64_t n = 0; n < count; n += std::max<std::int64_t>(1, count / 1000))
        core::readRecordInView(persons, n);
    // Typing as the window does, reading ahead between keys to the end of the file or until the
    // list of matches is full: a name beginning with the commonest letters, and one not there.
    for (const std::string& name :
         {std::string("MARIA"), std::string("ZOE \xDARSULA QUINTANILLA")}) {
        core::SearchMemory typed;
        std::string box1;
        for (const char c : name) {
            box1 += c;
            core::fileio::File f = core::fileio::openReadWrite(persons);
            bool last = false;
            typed.findFirst(f, true, box1, "", last);
            while (typed.lookAhead(f, 641)) {
            }
            f.close();
        }
    }
    core::writeTextList(persons, true, folder / "probe.txt");
    core::writeWebPage(persons, true, "persona1.dat", {"3", "#FFFFFF", "#000080", "#000000"},
                       folder / "probe.htm");
    core::writeCsvFile(persons, true, core::CsvLayout::Own, folder / "probe.csv");
    fs::remove(folder / "probe.txt");
    fs::remove(folder / "probe.htm");
    fs::remove(folder / "probe.csv");
    const double kib = peakKib();
    if (kib < 0)
        return 1;
    std::printf("  peak resident memory browsing, searching and exporting %lld records: %.1f MiB\n",
                static_cast<long long>(count), kib / 1024.0);
    return 0;
}
