// The settings reader fed an arbitrary "inicio.ini".
//
// A key reads as a value only when the file gave it: some line of the file holds the key's name
// (in any case) and the value, and the file names the section. Writing one key keeps every other
// key the file gave as it read before. A file that makes the reader loop is caught by
// libFuzzer's time limit.
#include "fuzzcheck.h"

#include "core/inifile.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <string>
#include <string_view>
#include <strings.h>
#include <utility>
#include <vector>

namespace {

std::string lower(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

std::vector<std::string_view> linesOf(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t i = 0;
    while (i <= text.size()) {
        const std::size_t end = std::min(text.find_first_of("\r\n", i), text.size());
        lines.push_back(text.substr(i, end - i));
        i = end + 1;
    }
    return lines;
}

using Key = std::pair<std::string, std::string>;

// The keys the program asks for, and every "name=" the file seems to hold under the last
// "[section]" seen before it, so that most inputs reach the found path.
std::vector<Key> keysToAsk(const std::vector<std::string_view>& lines) {
    std::vector<Key> keys{{"archivo", "persona"},   {"archivo", "empresa"},
                          {"ventana", "left"},      {"ventana", "top"},
                          {"ventana", "lastview"},  {"ventana", "ultimo"},
                          {"config", "AutoSearch"}, {"config", "tipocorreo"},
                          {"config", "urlcorreo"},  {"vr1", "texto"}};
    std::string section;
    for (std::string_view line : lines) {
        const std::string_view body = trimmed(line);
        if (!body.empty() && body.front() == '[' && body.find(']') != std::string_view::npos) {
            section = std::string(trimmed(body.substr(1, body.find(']') - 1)));
        } else if (const std::size_t eq = body.find('='); eq != std::string_view::npos) {
            const std::string_view name = trimmed(body.substr(0, eq));
            if (!section.empty() && !name.empty())
                keys.emplace_back(section, std::string(name));
        }
        if (keys.size() > 40)
            break;
    }
    return keys;
}

// The value, or nothing: two fallbacks tell an absent key from one whose value is a fallback.
std::optional<std::string> read(const core::IniFile& ini, const Key& key) {
    const std::string a = ini.readString(key.first, key.second, "a");
    const std::string b = ini.readString(key.first, key.second, "b");
    if (a == "a" && b == "b")
        return std::nullopt;
    return a;
}

bool given(const std::vector<std::string_view>& lines, const std::string& text, const Key& key,
           const std::string& value) {
    if (lower(text).find(lower(key.first)) == std::string::npos)
        return false;
    const std::string name = lower(key.second);
    return std::any_of(lines.begin(), lines.end(), [&](std::string_view line) {
        const std::size_t at = lower(line).find(name);
        return at != std::string::npos &&
               line.substr(at + name.size()).find(value) != std::string_view::npos;
    });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 4096)
        return 0; // a settings file is small; larger inputs only slow the search down
    // The reader sees a NUL as a blank; so does the check.
    std::string text(reinterpret_cast<const char*>(data), size);
    std::replace(text.begin(), text.end(), '\0', ' ');
    const std::vector<std::string_view> lines = linesOf(text);

    const auto file = fuzz::writeScratch("inicio.ini", data, size);
    core::IniFile ini(file);
    const std::vector<Key> keys = keysToAsk(lines);
    // The first key as a single read does it (the file read anew), the rest as a block of
    // reads does it (the file read once); both must agree.
    const std::optional<std::string> single = read(ini, keys.front());
    std::vector<std::optional<std::string>> before;
    ini.hold();
    for (const Key& key : keys) {
        before.push_back(read(ini, key));
        if (before.back())
            FUZZ_CHECK(given(lines, text, key, *before.back()));
    }
    ini.commit();
    FUZZ_CHECK(single == before.front());

    // One write, as the preferences make: the key reads back, the others stay.
    const Key written{"archivo", "persona"};
    ini.writeString(written.first, written.second, "C:\\datos\\persona1.dat");
    FUZZ_CHECK(read(ini, written) == std::optional<std::string>("C:\\datos\\persona1.dat"));
    ini.hold();
    for (std::size_t i = 0; i < keys.size(); ++i) {
        if (::strcasecmp(keys[i].first.c_str(), written.first.c_str()) != 0 ||
            ::strcasecmp(keys[i].second.c_str(), written.second.c_str()) != 0)
            FUZZ_CHECK(read(ini, keys[i]) == before[i]);
    }
    ini.commit();
    return 0;
}
