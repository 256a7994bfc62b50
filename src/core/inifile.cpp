#include "core/inifile.h"

#include "core/fileio.h"
#include "core/ioerror.h"

// The packaged header carries its template definitions only where this is defined; this is
// the one file that uses it.
#define SI_IMPLEMENTATION
#include <SimpleIni.h>

#include <algorithm>
#include <climits>
#include <optional>
#include <string_view>
#include <strings.h>

namespace core {

namespace {

// What the parser below gets to see of the file, and what it would lose on saving.
struct Prepared {
    std::string data;
    std::string leading;  // the whole text when it holds no entry at all
    std::string trailing; // comment lines after the last entry, LF-ended
};

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

// The parser reads a "[" line without "]" as a section whose name runs on into the lines that
// follow, which would swallow their keys and grow the file at each write: such a line is
// dropped, as the parser drops every other line it cannot read. It also forgets comments that
// no entry follows; those are kept aside and written back where they were. A NUL byte would
// end the parse there and lose the rest of the file at the next write: it reads as a blank.
Prepared prepare(std::string bytes) {
    std::replace(bytes.begin(), bytes.end(), '\0', ' ');
    Prepared out;
    out.data.reserve(bytes.size());
    bool anyEntry = false;
    std::size_t i = 0;
    while (i < bytes.size()) {
        std::size_t end = bytes.find_first_of("\r\n", i);
        std::size_t next = end;
        if (end == std::string::npos)
            end = next = bytes.size();
        else if (bytes[end] == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n')
            next = end + 2;
        else
            next = end + 1;
        std::string_view line(bytes.data() + i, end - i);
        std::string_view body = line;
        while (!body.empty() && isBlank(body.front()))
            body.remove_prefix(1);
        const bool unclosedSection =
            !body.empty() && body.front() == '[' && body.find(']') == std::string_view::npos;
        if (!unclosedSection) {
            out.data.append(bytes, i, next - i);
            if (!body.empty() && (body.front() == ';' || body.front() == '#')) {
                out.trailing.append(line).append("\n");
            } else if (!body.empty()) {
                out.trailing.clear();
                anyEntry = true;
            }
        }
        i = next;
    }
    if (!anyEntry) {
        out.leading = std::move(out.data);
        if (!out.leading.empty() && out.leading.back() != '\n')
            out.leading += '\n';
        out.data.clear();
        out.trailing.clear();
    }
    return out;
}

} // namespace

// The settings as they are on disk at this moment. Multi-key mode lets a duplicated key read
// as its first occurrence; a write replaces every occurrence.
class IniFile::Settings {
  public:
    explicit Settings(const fs::path& path) : ini_(false, true, false) {
        ini_.SetUnicode(false);
        ini_.SetSpaces(false);
        // Only a regular file holds settings; a pipe is never opened, it could wait for ever.
        if (!fileio::isRegularFile(path))
            return;
        Prepared prepared = prepare(fileio::readAll(path));
        ini_.LoadData(prepared.data);
        leading_ = std::move(prepared.leading);
        trailing_ = std::move(prepared.trailing);
    }

    const char* get(const std::string& section, const std::string& key) const {
        return ini_.GetValue(section.c_str(), key.c_str(), nullptr);
    }
    // An existing key keeps its spelling; only its value changes.
    void set(const std::string& section, const std::string& key, const std::string& value) {
        std::string name = key;
        CSimpleIniA::TNamesDepend keys;
        if (ini_.GetAllKeys(section.c_str(), keys)) {
            for (const auto& entry : keys) {
                if (::strcasecmp(entry.pItem, key.c_str()) == 0) {
                    name = entry.pItem;
                    break;
                }
            }
        }
        ini_.SetValue(section.c_str(), name.c_str(), value.c_str(), nullptr, true);
    }
    std::string text() const {
        std::string out;
        ini_.Save(out);
        if (!trailing_.empty() && !out.empty() && out.back() != '\n')
            out += '\n';
        return leading_ + out + trailing_;
    }

  private:
    CSimpleIniA ini_;
    std::string leading_;
    std::string trailing_;
};

namespace {

// The file keeps the CR LF line ends of its platform of origin; LF alone becomes CR LF, a CR LF
// stays as it is.
std::string withCrLf(const std::string& text) {
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r'))
            out += '\r';
        out += text[i];
    }
    return out;
}

// Decimal, an optional sign, blanks around; anything else is unreadable.
std::optional<int> parseInteger(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty())
        return std::nullopt;
    long long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
        if (value > static_cast<long long>(INT_MAX) + 1)
            return std::nullopt;
    }
    if (negative)
        value = -value;
    if (value > INT_MAX || value < INT_MIN)
        return std::nullopt;
    return static_cast<int>(value);
}

// The stored value, or nothing when the key is absent. A settings file that exists but cannot
// be read is an error naming the file, not a reason to fall back to defaults.
} // namespace

// A settings file that exists but cannot be read is an error naming the file, not a reason to
// fall back to defaults.
std::unique_ptr<IniFile::Settings> IniFile::load(const fs::path& path) {
    try {
        return std::make_unique<Settings>(path);
    } catch (const IoError& e) {
        throw IoError(e.errnum(), path.string());
    }
}

// The stored value, or nothing when the key is absent.
std::optional<std::string> IniFile::lookup(const std::string& section,
                                           const std::string& key) const {
    std::unique_ptr<Settings> fresh;
    const Settings& settings = held_ ? *held_ : *(fresh = load(path_));
    const char* value = settings.get(section, key);
    if (!value)
        return std::nullopt;
    return std::string(value);
}

std::optional<int> IniFile::lookupInteger(const std::string& section,
                                          const std::string& key) const {
    const std::optional<std::string> value = lookup(section, key);
    return value ? parseInteger(*value) : std::nullopt;
}

IniFile::IniFile(fs::path path) : path_(std::move(path)) {}

IniFile::~IniFile() = default;

std::string IniFile::readString(const std::string& section, const std::string& key,
                                const std::string& fallback) const {
    return lookup(section, key).value_or(fallback);
}

int IniFile::readInteger(const std::string& section, const std::string& key, int fallback) const {
    return lookupInteger(section, key).value_or(fallback);
}

bool IniFile::readBool(const std::string& section, const std::string& key, bool fallback) const {
    const std::optional<int> value = lookupInteger(section, key);
    return value ? *value != 0 : fallback;
}

void IniFile::writeString(const std::string& section, const std::string& key,
                          const std::string& value) {
    if (held_) {
        held_->set(section, key, value);
        dirty_ = true;
        return;
    }
    const std::unique_ptr<Settings> settings = load(path_);
    settings->set(section, key, value);
    save(*settings);
}

void IniFile::save(const Settings& settings) {
    try {
        fileio::replaceOwnFile(path_, withCrLf(settings.text()));
    } catch (const IoError& e) {
        // A folder that refused the new file is named as what stopped the write.
        throw IoError(e.errnum(), e.context().empty() ? path_.string() : e.context());
    }
}

void IniFile::hold() {
    held_ = load(path_);
    dirty_ = false;
}

void IniFile::commit() {
    std::unique_ptr<Settings> held = std::move(held_);
    if (held && dirty_)
        save(*held);
    dirty_ = false;
}

void IniFile::writeInteger(const std::string& section, const std::string& key, int value) {
    writeString(section, key, std::to_string(value));
}

void IniFile::writeBool(const std::string& section, const std::string& key, bool value) {
    writeString(section, key, value ? "1" : "0");
}

} // namespace core
