// Writes demonstration data files for screenshots and trying the program out.
// Usage: gendemo FOLDER [persons] [companies]
#include "gendata.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: gendemo FOLDER [persons] [companies]\n");
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    const std::size_t persons = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 40;
    const std::size_t companies = argc > 3 ? std::strtoul(argv[3], nullptr, 10) : 15;
    std::filesystem::create_directories(folder);
    bench::writeDataFile(folder / "persona1.dat", bench::makePersons(persons, 7));
    bench::writeDataFile(folder / "empresa1.dat", bench::makeCompanies(companies, 7));
    return 0;
}
