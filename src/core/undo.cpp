#include "core/undo.h"

#include "core/changelabel.h"
#include "core/ioerror.h"
#include "core/record.h"
#include "core/rewrite.h"

#include <algorithm>
#include <cstring>
#include <set>
#include <sstream>
#include <utility>
#include <vector>

namespace core::undo {

namespace {

constexpr const char* kJournalName = "diario";
constexpr const char* kJournalHeader = "diario de cambios 1";
// The version of a data file that did not exist: an undo leaves it empty.
constexpr const char* kEmptyVersion = "vacio";

Limits limits;
thread_local bool keepFailed = false;

// The state the data file is in between two changes: how to know it (its identity, and where
// that cannot be trusted a hash of its bytes) and the version file holding its bytes, if kept.
struct State {
    fileio::Identity identity;
    std::optional<std::uint64_t> hash;
    std::string version; // empty: not kept (the data file itself holds it)
};

struct Change {
    std::uint64_t id = 0;
    std::string label;
};

fs::path folderOf(const fs::path& file) {
    return file.has_parent_path() ? file.parent_path() : fs::path(".");
}

fs::path versionsOf(const fs::path& file) {
    return folderOf(file) / kVersionsFolder / file.filename();
}

// Reads the file in blocks and mixes its 8-byte words in four lanes.
std::uint64_t contentHash(const fs::path& path) {
    fileio::File file = fileio::openReadOnly(path);
    std::vector<unsigned char> block(std::size_t{1} << 20);
    std::uint64_t lanes[4] = {0x243F6A8885A308D3ull, 0x13198A2E03707344ull, 0xA4093822299F31D0ull,
                              0x082EFA98EC4E6C89ull};
    const auto mix = [](std::uint64_t h, std::uint64_t v) {
        h ^= v * 0x9E3779B97F4A7C15ull;
        h = (h << 31) | (h >> 33);
        return h * 0xC2B2AE3D27D4EB4Full;
    };
    std::uint64_t offset = 0;
    for (;;) {
        const std::size_t n = file.readAt(offset, block.data(), block.size());
        if (n == 0)
            break;
        // A short last word is padded with zeros; the length goes in at the end.
        std::fill(block.begin() + static_cast<std::ptrdiff_t>(n),
                  block.begin() + static_cast<std::ptrdiff_t>((n + 31) / 32 * 32), 0);
        for (std::size_t at = 0; at < n; at += 32) {
            for (int lane = 0; lane < 4; ++lane) {
                std::uint64_t word;
                std::memcpy(&word, block.data() + at + 8 * lane, 8);
                lanes[lane] = mix(lanes[lane], word);
            }
        }
        offset += n;
    }
    file.close();
    return mix(lanes[0] ^ mix(lanes[1], lanes[2]) ^ lanes[3], offset);
}

// A file whose modification time cannot tell a later write from ours (whole seconds, or the
// clock not yet past our last write) is known by its bytes as well.
State stateOf(const fs::path& content, const fileio::Identity& identity, std::int64_t now) {
    State state;
    state.identity = identity;
    if (!fileio::laterWritesShow(identity, now))
        state.hash = contentHash(content);
    return state;
}

bool validVersionName(const std::string& name) {
    if (name == kEmptyVersion)
        return true;
    return name.size() > 1 && name[0] == 'v' &&
           std::all_of(name.begin() + 1, name.end(), [](char c) { return c >= '0' && c <= '9'; });
}

} // namespace

struct Step::Journal {
    std::uint64_t next = 1; // the number of the next change and version file
    std::size_t cursor = 0; // the state the data file is in
    std::vector<State> states;
    std::vector<Change> changes; // changes[i] leads from states[i] to states[i + 1]
    bool foreign = false;        // the data file is in none of the states

    std::string text() const {
        std::ostringstream out;
        out << kJournalHeader << "\nnext " << next << "\ncursor " << cursor << "\n";
        for (std::size_t i = 0; i < states.size(); ++i) {
            const State& s = states[i];
            out << "state " << s.identity.device << ' ' << s.identity.inode << ' '
                << s.identity.size << ' ' << s.identity.modifiedNs << ' ';
            if (s.hash)
                out << std::hex << *s.hash << std::dec;
            else
                out << '-';
            out << ' ' << (s.version.empty() ? "-" : s.version) << "\n";
            if (i < changes.size())
                out << "change " << changes[i].id << ' ' << changes[i].label << "\n";
        }
        return out.str();
    }

    // A journal that does not read as one counts as none: its versions are then left over.
    static Journal parse(const std::string& text) {
        Journal j;
        std::istringstream in(text);
        std::string line;
        if (!std::getline(in, line) || line != kJournalHeader)
            return {};
        while (std::getline(in, line)) {
            std::istringstream words(line);
            std::string word;
            words >> word;
            if (word == "next") {
                words >> j.next;
            } else if (word == "cursor") {
                words >> j.cursor;
            } else if (word == "state") {
                State s;
                std::string hash, version;
                words >> s.identity.device >> s.identity.inode >> s.identity.size >>
                    s.identity.modifiedNs >> hash >> version;
                if (hash != "-")
                    s.hash = std::stoull(hash, nullptr, 16);
                if (version != "-") {
                    if (!validVersionName(version))
                        return {};
                    s.version = version;
                }
                j.states.push_back(s);
            } else if (word == "change") {
                Change c;
                words >> c.id;
                words.get();
                std::getline(words, c.label);
                j.changes.push_back(c);
            } else {
                return {};
            }
            if (words.fail() && word != "change")
                return {};
        }
        if (j.states.empty() || j.changes.size() + 1 != j.states.size() ||
            j.cursor >= j.states.size())
            return {};
        return j;
    }
};

namespace {

using Journal = Step::Journal;

Journal load(const fs::path& versions) {
    const fs::path path = versions / kJournalName;
    if (!fileio::exists(path))
        return {};
    try {
        return Journal::parse(fileio::readAll(path));
    } catch (const std::exception&) {
        return {}; // an unreadable or damaged journal counts as none
    }
}

// Not flushed: a journal lost with the machine's power costs the undo, never a record, and
// one that tells of another file is not believed (the identities differ).
void save(const fs::path& versions, const Journal& j) {
    const fs::path path = versions / kJournalName;
    const fs::path temp = versions / (std::string(kJournalName) + ".tmp");
    const std::string text = j.text();
    try {
        fileio::File out = fileio::createTruncate(temp);
        out.write(text.data(), text.size());
        out.close();
        fileio::rename(temp, path);
    } catch (...) {
        fileio::removeQuietly(temp);
        throw;
    }
}

// `bytes`: where the identity alone cannot tell, the bytes are read to be sure.
bool holds(const State& state, const fs::path& file, const fileio::Identity& live, bool bytes) {
    return state.identity == live && (!bytes || !state.hash || contentHash(file) == *state.hash);
}

// Finds the state the data file is in. A rewrite that noted its change and then failed or was
// killed before its rename left the data file as it was: that file is then still the version
// the journal kept of it, under both names (every rewrite keeps the file it replaces under a
// name of its own), and the journal goes back to that state.
void reconcile(Journal& j, const fs::path& file, const fs::path& versions, bool bytes = true) {
    if (j.states.empty())
        return;
    const fileio::Identity live = fileio::identityOf(file);
    if (holds(j.states[j.cursor], file, live, bytes))
        return;
    for (std::size_t k = 0; k < j.states.size(); ++k) {
        const std::string& v = j.states[k].version;
        const bool same = v == kEmptyVersion ? live.inode == 0
                                             : !v.empty() && live.inode != 0 &&
                                                   fileio::identityOf(versions / v) == live;
        if (!same)
            continue;
        j.cursor = k;
        j.states[k].identity = live;
        j.states[k].hash.reset();
        // A state after it that was never kept was the new content that never came.
        std::size_t end = k + 1;
        while (end < j.states.size() && !j.states[end].version.empty())
            ++end;
        j.states.resize(end);
        j.changes.resize(end - 1);
        return;
    }
    j.foreign = true;
}

// Keeps the data file's bytes under `version`: a second name where the file system allows it,
// else a copy.
void keepVersion(const fs::path& file, const fs::path& version) {
    fileio::removeQuietly(version);
    try {
        fileio::link(file, version);
        return;
    } catch (const IoError&) {
    }
    try {
        fileio::File in = fileio::openReadOnly(file);
        fileio::File out = fileio::createTruncate(version);
        out.copyFrom(in, 0, in.size());
        out.close();
        in.close();
    } catch (...) {
        fileio::removeQuietly(version);
        throw;
    }
}

std::uint64_t keptBytes(const Journal& j, const fs::path& versions) {
    std::uint64_t total = 0;
    for (const State& s : j.states) {
        if (!s.version.empty() && s.version != kEmptyVersion)
            total += fileio::identityOf(versions / s.version).size;
    }
    return total;
}

// Lets go of the oldest changes beyond the limits.
void cap(Journal& j, const fs::path& versions) {
    while (j.changes.size() > 1 && j.cursor > 1 &&
           (j.changes.size() > limits.steps || keptBytes(j, versions) > limits.bytes)) {
        j.states.erase(j.states.begin());
        j.changes.erase(j.changes.begin());
        --j.cursor;
    }
}

// Removes what the journal does not name: versions let go of, and leftovers of a rewrite
// that was killed.
void tidy(const Journal& j, const fs::path& versions) {
    std::set<std::string> named = {kJournalName};
    for (const State& s : j.states)
        named.insert(s.version);
    for (const std::string& name : fileio::namesIn(versions)) {
        if (!named.count(name))
            fileio::removeQuietly(versions / name);
    }
}

std::string labelNow() {
    std::string label = currentChangeLabel();
    std::replace(label.begin(), label.end(), '\n', ' ');
    std::replace(label.begin(), label.end(), '\r', ' ');
    return label.empty() ? "\xfaltimo cambio" : label; // Windows-1252, as record texts
}

// The first record where the two files differ (a missing `b` is empty), or -1 when they are
// equal.
std::int64_t differenceBetween(const fs::path& a, const std::optional<fs::path>& b) {
    fileio::File fa = fileio::openReadOnly(a);
    fileio::File fb;
    const std::uint64_t sizeA = fa.size();
    std::uint64_t sizeB = 0;
    if (b) {
        fb = fileio::openReadOnly(*b);
        sizeB = fb.size();
    }
    constexpr std::size_t kBlock = 641 * kRecordSize;
    std::vector<char> ba(kBlock), bb(kBlock);
    const std::uint64_t common = std::min(sizeA, sizeB);
    for (std::uint64_t at = 0; at < common; at += kBlock) {
        const std::size_t n =
            static_cast<std::size_t>(std::min<std::uint64_t>(kBlock, common - at));
        fa.readExactAt(at, ba.data(), n);
        fb.readExactAt(at, bb.data(), n);
        const auto differ =
            std::mismatch(ba.begin(), ba.begin() + static_cast<std::ptrdiff_t>(n), bb.begin());
        if (differ.first != ba.begin() + static_cast<std::ptrdiff_t>(n))
            return static_cast<std::int64_t>((at + (differ.first - ba.begin())) / kRecordSize);
    }
    return sizeA == sizeB ? -1 : static_cast<std::int64_t>(common / kRecordSize);
}

// Keeps the data file about to be replaced as the version of the state it is in.
void keepLive(Journal& j, const fs::path& file, const fs::path& versions, bool existed) {
    State& here = j.states[j.cursor];
    if (!existed) {
        here.version = kEmptyVersion;
        return;
    }
    here.version = "v" + std::to_string(j.next++);
    keepVersion(file, versions / here.version);
}

Result move(const fs::path& file, int direction, std::uint64_t id) {
    Step step(fileio::resolveLink(file), direction, id);
    const RewriteResult r = restoreVersion(file, step);
    if (step.outcome() != Outcome::Done)
        return {step.outcome(), -1};
    if (r.failure != RewriteFailure::None && r.failure != RewriteFailure::CloseData)
        return {Outcome::Failed, -1};
    return {Outcome::Done, step.firstDifference()};
}

} // namespace

void setLimits(const Limits& newLimits) {
    limits = newLimits;
}

Offer offer(const fs::path& path) {
    Offer o;
    fs::path file;
    try {
        file = fileio::resolveLink(path);
    } catch (const IoError&) {
        return o;
    }
    const fs::path versions = versionsOf(file);
    Journal j = load(versions);
    // By the identities alone: the menu must not read the whole file at every view switch.
    reconcile(j, file, versions, false);
    if (j.states.empty())
        return o;
    if (j.cursor > 0) {
        o.undoId = j.changes[j.cursor - 1].id;
        o.undoLabel = j.changes[j.cursor - 1].label;
    }
    if (j.cursor < j.changes.size()) {
        o.redoId = j.changes[j.cursor].id;
        o.redoLabel = j.changes[j.cursor].label;
    }
    return o;
}

Result undoChange(const fs::path& file, std::uint64_t id) {
    return move(file, -1, id);
}

Result redoChange(const fs::path& file, std::uint64_t id) {
    return move(file, +1, id);
}

bool takeKeepFailure() {
    return std::exchange(keepFailed, false);
}

Step::Step(const fs::path& file) : file_(file), folder_(versionsOf(file)) {}

Step::Step(const fs::path& file, int direction, std::uint64_t id)
    : file_(file), folder_(versionsOf(file)), direction_(direction), id_(id) {}

Step::~Step() = default;

bool Step::prepare() {
    journal_ = std::make_unique<Journal>(load(folder_));
    Journal& j = *journal_;
    reconcile(j, file_, folder_);
    if (j.states.empty()) {
        outcome_ = Outcome::Nothing;
        return false;
    }
    if (j.foreign) {
        outcome_ = Outcome::Changed;
        return false;
    }
    std::size_t target;
    if (direction_ < 0) {
        if (j.cursor == 0 || j.changes[j.cursor - 1].id != id_) {
            outcome_ = Outcome::Nothing;
            return false;
        }
        target = j.cursor - 1;
    } else {
        if (j.cursor >= j.changes.size() || j.changes[j.cursor].id != id_) {
            outcome_ = Outcome::Nothing;
            return false;
        }
        target = j.cursor + 1;
    }
    const std::string& version = j.states[target].version;
    if (version.empty() || (version != kEmptyVersion && !fileio::exists(folder_ / version))) {
        outcome_ = Outcome::Lost;
        return false;
    }
    source_.reset();
    if (version != kEmptyVersion)
        source_ = folder_ / version;
    difference_ = fileio::exists(file_) ? differenceBetween(file_, source_) : 0;
    return true;
}

void Step::keep(bool existed, const fs::path& temp, const fileio::Identity& written,
                std::int64_t now) {
    if (!isMove()) {
        keepChange(existed, temp, written, now);
        return;
    }
    Journal& j = *journal_;
    const std::size_t target = direction_ < 0 ? j.cursor - 1 : j.cursor + 1;
    keepLive(j, file_, folder_, existed);
    const std::string version = j.states[target].version;
    j.states[target] = stateOf(temp, written, now);
    j.states[target].version = version;
    j.cursor = target;
    save(folder_, j);
    tidy(j, folder_);
}

void Step::keepChange(bool existed, const fs::path& temp, const fileio::Identity& written,
                      std::int64_t now) {
    const fileio::SideCalls side;
    try {
        fileio::makeFolders(folder_);
        Journal j = load(folder_);
        reconcile(j, file_, folder_);
        if (j.states.empty() || j.foreign) {
            // The history before a change made by someone else cannot be gone back to without
            // losing theirs: it starts again from the file as it is.
            const std::uint64_t next = j.next;
            j = Journal();
            j.next = next;
            j.states.push_back({fileio::identityOf(file_), std::nullopt, {}});
        }
        j.states.resize(j.cursor + 1);
        j.changes.resize(j.cursor);
        tidy(j, folder_);
        keepLive(j, file_, folder_, existed);
        j.changes.push_back({j.next++, labelNow()});
        j.states.push_back(stateOf(temp, written, now));
        ++j.cursor;
        cap(j, folder_);
        save(folder_, j);
        tidy(j, folder_);
    } catch (const IoError&) {
        keepFailed = true;
    }
}

} // namespace core::undo
