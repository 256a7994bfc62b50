// What every fuzz target shares: a failed property aborts with a message, so libFuzzer keeps
// the input as a crash, and outside bytes reach the readers through a scratch file.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

#define FUZZ_CHECK(cond)                                                                           \
    do {                                                                                           \
        if (!(cond)) {                                                                             \
            std::fprintf(stderr, "property failed: %s (%s:%d)\n", #cond, __FILE__, __LINE__);      \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)

namespace fuzz {

// A folder of this process's own, on a memory file system where there is one.
inline const std::filesystem::path& scratchDir() {
    // Never destroyed, so the clean-up at exit still finds it.
    static const std::filesystem::path& dir = *[] {
        std::filesystem::path base = std::filesystem::exists("/dev/shm")
                                         ? std::filesystem::path("/dev/shm")
                                         : std::filesystem::temp_directory_path();
        auto* d = new std::filesystem::path(base / ("tevo-fuzz-" + std::to_string(::getpid())));
        std::filesystem::create_directories(*d);
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(scratchDir(), ec);
        });
        return d;
    }();
    return dir;
}

inline std::filesystem::path writeScratch(const std::string& name, const void* data,
                                          std::size_t size) {
    const std::filesystem::path file = scratchDir() / name;
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
    out.close();
    FUZZ_CHECK(out.good());
    return file;
}

} // namespace fuzz
