// Times the import of a .vcf of many cards into a data file of as many records (read and map
// the cards, leave out those the file holds, one-pass insert, flushed and renamed into place)
// against writing the resulting file once and flushing it. One card in a hundred carries an
// embedded photo of about 30 KB, as phone exports do.
// Usage: bench_vcard [cards] [records] [repetitions] [folder]
#include "gendata.h"

#include "core/datafile.h"
#include "core/fileio.h"
#include "core/rewrite.h"
#include "core/vcardmap.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
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

// The cards as a phone would hand them over: 3.0, with a photo now and then.
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
    std::ofstream(file, std::ios::binary).write(text.data(), static_cast<long>(text.size()));
}

std::size_t importCards(const fs::path& vcf, const fs::path& data) {
    const core::VCardFile read = core::readVCardFile(vcf, true);
    if (read.error != core::vcard::ReadError::None)
        throw std::runtime_error("the cards did not read");
    const core::NewRecords fresh = core::newRecordsFor(data, read.records);
    const auto result = core::insertRecords(data, fresh.records);
    if (result.failure != core::RewriteFailure::None || result.position < 0)
        throw std::runtime_error("import failed");
    return fresh.records.size();
}

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
    const std::size_t cards = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 100000;
    const std::size_t records = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 100000;
    const int repetitions = argc > 3 ? std::atoi(argv[3]) : 3;
    const fs::path base = argc > 4 ? fs::path(argv[4]) : fs::temp_directory_path();
    const fs::path folder = base / ("tevo-bench-vcard-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    const fs::path vcf = folder / "contactos.vcf";
    const fs::path data = folder / "persona1.dat";
    const fs::path once = folder / "once.dat";

    try {
        std::printf("Generating %zu cards and a file of %zu persons...\n", cards, records);
        writeCards(vcf, bench::makePersons(cards, 2024));
        const auto existing = bench::makePersons(records, 1);
        std::printf(".vcf: %llu bytes\n\n", static_cast<unsigned long long>(fs::file_size(vcf)));

        std::vector<double> reads, imports, writes;
        std::printf("%4s %12s %12s %12s\n", "run", "read cards", "import", "write once");
        for (int run = 1; run <= repetitions; ++run) {
            bench::writeDataFile(data, existing);
            reads.push_back(secondsOf([&] { core::readVCardFile(vcf, true); }));
            std::size_t added = 0;
            imports.push_back(secondsOf([&] { added = importCards(vcf, data); }));
            if (added != cards ||
                core::recordCount(data) != static_cast<std::int64_t>(cards + records))
                throw std::runtime_error("record count differs");
            const std::string result = core::fileio::readAll(data);
            writes.push_back(secondsOf([&] { writeOnce(result, once); }));
            fs::remove(once);
            std::printf("%4d %11.3fs %11.3fs %11.3fs\n", run, reads.back(), imports.back(),
                        writes.back());
        }
        std::printf("\nmedian     %11.3fs %11.3fs %11.3fs\n", median(reads), median(imports),
                    median(writes));
        std::printf("import / write once = %.2f\n", median(imports) / median(writes));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_vcard: %s\n", e.what());
        fs::remove_all(folder);
        return 1;
    }
    fs::remove_all(folder);
    return 0;
}
