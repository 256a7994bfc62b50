#include "core/syncstate.h"

#include "core/fileio.h"

#include <cstdio>
#include <sstream>

namespace core {

namespace {

constexpr const char* kHeader = "TEVO-SINC 1";

constexpr std::uint64_t kFnvOffset = 14695981039346656037ull;
constexpr std::uint64_t kFnvPrime = 1099511628211ull;

std::uint64_t mix(std::uint64_t h, std::string_view bytes) {
    for (const char c : bytes) {
        h ^= static_cast<unsigned char>(c);
        h *= kFnvPrime;
    }
    return h;
}

std::string hex(std::uint64_t v) {
    char out[17];
    std::snprintf(out, sizeof out, "%016llx", static_cast<unsigned long long>(v));
    return out;
}

bool parseHex(const std::string& text, std::uint64_t& v) {
    if (text.size() != 16)
        return false;
    v = 0;
    for (const char c : text) {
        const int d = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
        if (d < 0)
            return false;
        v = v << 4 | static_cast<std::uint64_t>(d);
    }
    return true;
}

std::vector<std::string> fields(const std::string& line) {
    std::vector<std::string> out(1);
    for (const char c : line) {
        if (c == '\t')
            out.emplace_back();
        else
            out.back() += c;
    }
    return out;
}

// ETags and hrefs come from the server; a tab or a line break in one would break the line.
bool fitsLine(const std::string& text) {
    return text.find_first_of("\t\r\n") == std::string::npos;
}

} // namespace

fs::path syncStatePath(const fs::path& dataFile) {
    fs::path state = dataFile;
    state += ".sinc";
    return state;
}

std::uint64_t textHash(std::string_view text) {
    return mix(kFnvOffset, text);
}

std::uint64_t recordHash(const Record& record) {
    std::uint64_t h = kFnvOffset;
    for (const std::string& text : record.texts) {
        const std::string length = std::to_string(text.size()) + ":";
        h = mix(mix(h, length), text);
    }
    return h;
}

SyncState readSyncState(const fs::path& dataFile, const std::string& collection) {
    SyncState state;
    state.collection = collection;
    const fs::path file = syncStatePath(dataFile);
    if (!fileio::exists(file))
        return state;
    std::istringstream in(fileio::readAll(file));
    std::string line;
    const auto next = [&] {
        if (!std::getline(in, line))
            return false;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        return true;
    };
    if (!next() || line != kHeader || !next() || line != "collection\t" + collection)
        return state;
    while (next()) {
        const std::vector<std::string> f = fields(line);
        SyncEntry entry;
        if (f.size() != 5 || f[0].empty() || !parseHex(f[3], entry.hash) ||
            !parseHex(f[4], entry.nameHash))
            continue;
        entry.href = f[0];
        entry.uid = f[1];
        entry.etag = f[2];
        state.entries.push_back(std::move(entry));
    }
    return state;
}

void writeSyncState(const fs::path& dataFile, const SyncState& state) {
    std::string out = std::string(kHeader) + "\r\ncollection\t" + state.collection + "\r\n";
    for (const SyncEntry& e : state.entries) {
        if (!fitsLine(e.href) || !fitsLine(e.uid) || !fitsLine(e.etag))
            continue;
        out += e.href + '\t' + e.uid + '\t' + e.etag + '\t' + hex(e.hash) + '\t' + hex(e.nameHash) +
               "\r\n";
    }
    fileio::replaceContents(syncStatePath(dataFile), out);
}

} // namespace core
