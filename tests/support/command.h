// What a command of the shell prints (standard output and error), for tests that let an
// independent program read what ours wrote.
#pragma once

#include <cstdio>
#include <string>

namespace testsupport {

// `status` is the command's exit status as pclose tells it (0 when it succeeded).
inline std::string outputOf(const std::string& command, int& status) {
    std::string found;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe) {
        status = -1;
        return found;
    }
    char buffer[4096];
    for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        found.append(buffer, n);
    status = pclose(pipe);
    return found;
}

} // namespace testsupport
