#include "core/rewrite.h"

#include "core/datafile.h"
#include "core/fileio.h"
#include "core/ioerror.h"
#include "core/leftovers.h"
#include "core/undo.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <map>
#include <memory>
#include <mutex>
#include <numeric>
#include <string_view>
#include <system_error>
#include <vector>

namespace core {

namespace {

// Records per read and per write: 641 × 1636 bytes is just over 1 MiB, large enough that a
// rewrite of a big file costs about what copying it costs.
constexpr std::size_t kBlockRecords = 641;
constexpr std::size_t kBlockBytes = kBlockRecords * kRecordSize;

std::string_view nameOf(const unsigned char* record) {
    const std::size_t length = std::min<std::size_t>(record[0], kSlots[0].capacity);
    return {reinterpret_cast<const char*>(record + 1), length};
}

// Gathers the records of the new file. Records carried over unchanged are not gathered but
// remembered as a run of the data file, which the kernel copies into the temporary file in one
// call; the others go through a block buffer. Either kind is handed over before the other one
// follows, so the bytes come out in order.
class BlockWriter {
  public:
    BlockWriter(const fileio::File& data, fileio::File& file) : data_(data), file_(file) {}

    // The buffer grows with what is added, up to a block: a one-record change adds one record.
    void add(const unsigned char* record) {
        flushRun();
        buffer_.insert(buffer_.end(), record, record + kRecordSize);
        ++written_;
        if (buffer_.size() >= kBlockBytes)
            flushBuffer();
    }
    // Records `first` to `first + n - 1` of the data file, whose bytes are already as a writer
    // stores them.
    void carry(std::uint64_t first, std::uint64_t n = 1) {
        if (n == 0)
            return;
        flushBuffer();
        if (runLength_ > 0 && runStart_ + runLength_ != first)
            flushRun();
        if (runLength_ == 0)
            runStart_ = first;
        runLength_ += n;
        written_ += static_cast<std::int64_t>(n);
    }
    // As carry, for records `first` to `end - 1` but those in `drops` (ascending).
    void carryRange(std::uint64_t first, std::uint64_t end,
                    const std::vector<std::uint64_t>& drops) {
        for (auto at = std::lower_bound(drops.begin(), drops.end(), first);
             at != drops.end() && *at < end; ++at) {
            carry(first, *at - first);
            first = *at + 1;
        }
        if (end > first)
            carry(first, end - first);
    }
    void finish() {
        flushRun();
        flushBuffer();
    }
    std::int64_t count() const { return written_; }

  private:
    void flushBuffer() {
        if (!buffer_.empty())
            file_.write(buffer_.data(), buffer_.size());
        buffer_.clear();
    }
    void flushRun() {
        if (runLength_ > 0)
            file_.copyFrom(data_, runStart_ * kRecordSize, runLength_ * kRecordSize);
        runLength_ = 0;
    }

    const fileio::File& data_;
    fileio::File& file_;
    std::vector<unsigned char> buffer_;
    std::uint64_t runStart_ = 0, runLength_ = 0;
    std::int64_t written_ = 0;
};

// The records to insert, in the order one insert after another would leave them: by name,
// equal names in arrival order. Each is encoded only as it is written.
class Batch {
  public:
    explicit Batch(const std::vector<Record>& records) : records_(records), order_(records.size()) {
        names_.reserve(records.size());
        for (const Record& r : records)
            names_.push_back(std::string_view(r.texts[0]).substr(0, kSlots[0].capacity));
        std::iota(order_.begin(), order_.end(), std::size_t{0});
        std::stable_sort(order_.begin(), order_.end(), [this](std::size_t a, std::size_t b) {
            return nameLess(names_[a], names_[b]);
        });
    }
    bool done() const { return next_ == order_.size(); }
    std::string_view nextName() const { return names_[order_[next_]]; }
    // Whether the next record is the last of the batch in arrival order.
    bool nextIsLast() const { return order_[next_] + 1 == records_.size(); }
    void writeNext(BlockWriter& writer) {
        encoded_ = encodeRecord(records_[order_[next_]]);
        writer.add(encoded_.data());
        ++next_;
    }
    std::int64_t written() const { return static_cast<std::int64_t>(next_); }

  private:
    const std::vector<Record>& records_;
    std::vector<std::string_view> names_;
    std::vector<std::size_t> order_;
    std::size_t next_ = 0;
    RecordBytes encoded_{};
};

// One pass over the data file: every record but `drops` is carried over as a writer stores it,
// and each batch record goes before the first carried record whose name is greater than its
// own. Inserting the batch records one by one would put each of them exactly there, sorted
// file or not: the records still waiting are those no earlier record was greater than. Returns
// the record number the batch's last record received, or -1 without a batch.
// `sorted` tells whether the new file's names are in order; `drops` are ascending.
std::int64_t copyRecords(const fileio::File& data, std::uint64_t count, fileio::File& out,
                         Batch& batch, const std::vector<std::uint64_t>& drops,
                         const Progress& progress, bool& sorted) {
    std::int64_t position = -1;
    std::size_t nextDrop = 0;
    BlockWriter writer(data, out);
    sorted = true;
    std::string_view previous; // the name written last
    std::string held;          // its bytes, once the block it lies in is read over
    bool any = false;
    const auto see = [&](std::string_view name) {
        if (any && sorted && nameLess(name, previous))
            sorted = false;
        previous = name;
        any = true;
    };
    const auto place = [&] {
        if (batch.nextIsLast())
            position = writer.count();
        see(batch.nextName());
        batch.writeNext(writer);
        if (progress)
            progress(batch.written());
    };
    // Unzeroed, and no larger than the file: every byte is read before it is looked at.
    const std::uint64_t blockRecords = std::min<std::uint64_t>(kBlockRecords, count);
    const std::unique_ptr<unsigned char[]> block(new unsigned char[blockRecords * kRecordSize]);
    for (std::uint64_t first = 0; first < count; first += blockRecords) {
        const std::uint64_t n = std::min<std::uint64_t>(blockRecords, count - first);
        data.readExactAt(first * kRecordSize, block.get(), n * kRecordSize);
        for (std::uint64_t i = 0; i < n; ++i) {
            if (nextDrop < drops.size() && drops[nextDrop] == first + i) {
                ++nextDrop;
                continue;
            }
            unsigned char* record = block.get() + i * kRecordSize;
            const bool normal = isNormalRecord(record);
            if (!normal)
                normalizeRecord(record);
            while (!batch.done() && nameLess(batch.nextName(), nameOf(record)))
                place();
            see(nameOf(record));
            if (normal)
                writer.carry(first + i);
            else
                writer.add(record);
        }
        const auto* at = reinterpret_cast<const unsigned char*>(previous.data());
        if (at >= block.get() && at < block.get() + blockRecords * kRecordSize) {
            held.assign(previous);
            previous = held;
        }
    }
    while (!batch.done())
        place();
    writer.finish();
    return position;
}

// The first record from `first` to `end - 1` whose name is greater than `name`, or `end`, in
// a file whose names are in order: the record the merge above would put `name` before.
std::uint64_t firstGreater(const fileio::File& data, std::uint64_t first, std::uint64_t end,
                           std::string_view name) {
    unsigned char slot[256];
    while (first < end) {
        const std::uint64_t middle = first + (end - first) / 2;
        data.readExactAt(middle * kRecordSize, slot, sizeof slot);
        if (nameLess(name, nameOf(slot)))
            end = middle;
        else
            first = middle + 1;
    }
    return first;
}

// What copyRecords writes, for a file whose records are known to be as a writer stores them
// and in order: each batch record's place is searched for, and the runs between are copied
// without being read here.
std::int64_t copyInOrder(const fileio::File& data, std::uint64_t count, fileio::File& out,
                         Batch& batch, const std::vector<std::uint64_t>& drops,
                         const Progress& progress) {
    std::int64_t position = -1;
    BlockWriter writer(data, out);
    std::uint64_t next = 0; // the first record not yet written
    while (!batch.done()) {
        const std::uint64_t before = firstGreater(data, next, count, batch.nextName());
        writer.carryRange(next, before, drops);
        next = before;
        if (batch.nextIsLast())
            position = writer.count();
        batch.writeNext(writer);
        if (progress)
            progress(batch.written());
    }
    writer.carryRange(next, count, drops);
    writer.finish();
    return position;
}

// The data files this process wrote, by name: the identity each had when its last byte was
// written, and whether its names were in order. A file found again with the same identity
// holds exactly what was written, so every record in it is already as a writer stores it.
struct Written {
    fileio::Identity identity;
    bool sorted = false;
};

std::mutex writtenLock;
std::map<std::string, Written> writtenFiles;

bool knownInOrder(const fs::path& file, const fileio::Identity& now) {
    const std::lock_guard<std::mutex> guard(writtenLock);
    const auto at = writtenFiles.find(file.string());
    return at != writtenFiles.end() && at->second.sorted && at->second.identity == now;
}

std::int64_t (*rewriteClock)() = fileio::fileSystemClock;

// Called once the new file is in place under its name; `beforeRename` is the clock read just
// before the rename. Anyone else can write to the file only after the rename, and such a write
// sets the modification time to its own time: later than our last write's, provided the
// clock had already moved past that before the rename. A file system that keeps whole seconds
// (no nanoseconds) cannot tell within a second, so its files are not trusted.
void remember(const fs::path& file, const fileio::Identity& written, bool sorted,
              std::int64_t beforeRename) {
    const bool trusted = fileio::laterWritesShow(written, beforeRename);
    const std::lock_guard<std::mutex> guard(writtenLock);
    if (trusted)
        writtenFiles[file.string()] = {written, sorted};
    else
        writtenFiles.erase(file.string());
}

fs::path folderOf(const fs::path& file) {
    return file.has_parent_path() ? file.parent_path() : fs::path(".");
}

// Whether record n of the open data file is still `shown`: a number past the end is not.
bool stillShown(const fileio::File& data, std::uint64_t count, std::int64_t n,
                const Record& shown) {
    if (n < 0 || static_cast<std::uint64_t>(n) >= count)
        return false;
    RecordBytes bytes;
    data.readExactAt(static_cast<std::uint64_t>(n) * kRecordSize, bytes.data(), bytes.size());
    return decodeRecord(bytes.data()) == shown;
}

} // namespace

bool nameLess(std::string_view a, std::string_view b) {
    const std::size_t common = std::min(a.size(), b.size());
    const int order = common == 0 ? 0 : std::memcmp(a.data(), b.data(), common);
    return order < 0 || (order == 0 && a.size() < b.size());
}

void setRewriteClock(std::int64_t (*now)()) {
    rewriteClock = now ? now : fileio::fileSystemClock;
}

void removeLeftoverTemp(const fs::path& dataFile) {
    try {
        removeLeftoverIn(folderOf(fileio::resolveLink(dataFile)));
    } catch (const IoError&) {
        // A link that cannot be followed has no folder to tidy; the command says why.
    }
}

namespace {

// Where the records of a new file come from besides the batch: the data file's own records (a
// change), none (a replacement), every whole record of another data file as it stands (a
// copy, which carries its bytes unnormalised), or every byte of a kept version (an undo).
struct Base {
    enum Kind { Own, Nothing, Copy, Version } kind = Own;
    const fs::path* source = nullptr;
    undo::Step* step = nullptr; // for a Version, the undo or redo that chooses it
};

// Carries the first `count` records of `source` unchanged, telling the progress after each block.
void copyWhole(const fileio::File& source, std::uint64_t count, fileio::File& out,
               const Progress& progress) {
    BlockWriter writer(source, out);
    for (std::uint64_t first = 0; first < count; first += kBlockRecords) {
        const std::uint64_t n = std::min<std::uint64_t>(kBlockRecords, count - first);
        writer.carry(first, n);
        writer.finish();
        if (progress)
            progress(static_cast<std::int64_t>(first + n));
    }
}

// A record a rewrite leaves out, with the record the window showed under that number (nullptr:
// not checked).
struct Dropped {
    std::int64_t number;
    const Record* shown;
};

RewriteResult rewrite(const fs::path& path, const std::vector<Record>& inserts,
                      const std::vector<Dropped>& dropped, const Progress& progress,
                      const Base& base) {
    const auto firstShown = std::find_if(dropped.begin(), dropped.end(),
                                         [](const Dropped& d) { return d.shown != nullptr; });
    const Record* shown = firstShown == dropped.end() ? nullptr : firstShown->shown;
    const fs::path file = fileio::resolveLink(path);
    // Rewriting the temporary file's own name would truncate the data before reading it.
    if (file.filename() == kTempFileName)
        throw IoError(EINVAL, file.string());
    const fs::path folder = folderOf(file);
    const fs::path temp = folder / kTempFileName;

    // Another instance may be rewriting a file of this folder: its temporary file is the same
    // name, and the data file read before its rename ends would lose its record. Everything
    // from reading the data file to the last step waits for the folder and holds it.
    const fileio::FolderLock lock = fileio::lockFolder(folder);
    // With the folder held, a temporary file is the leftover of a rewrite that died; it may
    // be read-only, and it is ours to replace.
    fileio::removeQuietly(temp);
    undo::Step change(file);
    undo::Step& step = base.step ? *base.step : change;
    if (step.isMove() && !step.prepare())
        return {kRewriteFailed, RewriteFailure::Changed};

    // A missing data file counts as empty; an insert creates it through the rename below. A
    // name that leads nowhere for another reason (a loop of links, too long) is no missing file.
    const int reach = fileio::reachError(file);
    if (reach != 0 && reach != ENOENT)
        throw IoError(reach);
    const bool existed = reach == 0;
    fileio::File data;
    std::uint64_t count = 0;
    if (existed) {
        data = fileio::openReadWrite(file);
        if (base.kind == Base::Own) {
            const std::uint64_t size = data.size();
            // The records it writes, or the record it removes, tell the kind the file must be.
            const std::int32_t kind = !inserts.empty() ? inserts.front().tag
                                      : shown          ? shown->tag
                                                       : 0;
            if (!holdsKind(data, size, kind)) {
                data.close();
                return {kRewriteFailed, RewriteFailure::WrongKind};
            }
            count = size / kRecordSize;
        }
    }
    fileio::File source;
    std::uint64_t copied = 0; // bytes
    if (base.kind == Base::Copy) {
        source = fileio::openReadWrite(*base.source);
        copied = source.size() / kRecordSize * kRecordSize;
    } else if (base.kind == Base::Version && step.source()) {
        source = fileio::openReadOnly(*step.source());
        copied = source.size();
    }
    std::vector<std::uint64_t> drops;
    for (const Dropped& d : dropped) {
        if (d.shown && !stillShown(data, count, d.number, *d.shown)) {
            // Another window changed the file since this record was shown: record n is someone
            // else now, or gone.
            if (existed)
                data.close();
            return {kRecordChanged, RewriteFailure::Changed};
        }
        if (d.number >= 0 && static_cast<std::uint64_t>(d.number) < count)
            drops.push_back(static_cast<std::uint64_t>(d.number));
    }
    std::sort(drops.begin(), drops.end());
    drops.erase(std::unique(drops.begin(), drops.end()), drops.end());

    RewriteResult result;
    if (inserts.empty() && drops.empty() && base.kind == Base::Own) {
        // Nothing to leave out and nothing to add: the file is not touched at all.
        if (existed) {
            try {
                data.close();
            } catch (const IoError&) {
                result.failure = RewriteFailure::CloseData;
            }
        }
        return result;
    }

    Batch batch(inserts);
    bool sorted = true; // a file in order stays so: each record goes where its name belongs

    noteTempFolder(folder);
    fileio::File out = fileio::createTruncate(temp);
    std::int64_t position = -1;
    try {
        if (existed)
            out.copyPermissionsFrom(file);
        // Searching costs some twenty small reads per new record, about what reading and
        // testing a hundred records costs: a large batch into a small file reads it through.
        const bool search = inserts.size() <= 1 || inserts.size() * 128 <= count;
        if (base.kind == Base::Copy) {
            copyWhole(source, copied / kRecordSize, out, progress);
            sorted = false; // whatever order the source had
        } else if (base.kind == Base::Version) {
            if (copied > 0)
                out.copyFrom(source, 0, copied);
            sorted = false;
        } else if (existed && search && knownInOrder(file, data.identityAtOpen()))
            position = copyInOrder(data, count, out, batch, drops, progress);
        else
            position = copyRecords(data, count, out, batch, drops, progress, sorted);
        out.flush();
        const std::uint64_t expected =
            (count - drops.size() + inserts.size()) * kRecordSize + copied;
        if (out.size() != expected)
            throw IoError(EIO);
    } catch (...) {
        out = fileio::File();
        fileio::removeQuietly(temp);
        throw;
    }

    const fileio::Identity written = out.identity();
    try {
        out.close();
    } catch (const IoError&) {
        fileio::removeQuietly(temp);
        return {kRewriteFailed, RewriteFailure::CloseTemp};
    }
    if (existed) {
        try {
            data.close();
        } catch (const IoError&) {
            result.failure = RewriteFailure::CloseData; // the copy is complete; go on
        }
    }
    if (source.isOpen()) {
        try {
            source.close();
        } catch (const IoError&) {
            result.failure = RewriteFailure::CloseData;
        }
    }
    const std::int64_t beforeRename = rewriteClock();
    try {
        step.keep(existed, temp, written, beforeRename);
    } catch (...) {
        fileio::removeQuietly(temp);
        throw;
    }
    try {
        fileio::rename(temp, file);
    } catch (const IoError&) {
        fileio::removeQuietly(temp);
        return {kRewriteFailed, RewriteFailure::Rename};
    }
    // The new content is in place from here on; a failure to make the rename durable is still
    // reported, as an IoError.
    remember(file, written, sorted, beforeRename);
    fileio::syncDirectory(folder);
    result.position = position;
    return result;
}

} // namespace

RewriteResult rewriteDataFile(const fs::path& file, const std::vector<Record>& inserts,
                              std::int64_t drop, const Record* shown, const Progress& progress) {
    std::vector<Dropped> dropped;
    if (drop >= 0 || shown)
        dropped.push_back({drop, shown});
    return rewrite(file, inserts, dropped, progress, {});
}

RewriteResult mergeRecords(const fs::path& file, const std::vector<std::int64_t>& numbers,
                           const std::vector<Record>& shown, const Record& merged) {
    if (numbers.size() != shown.size())
        throw IoError(EINVAL, file.string());
    std::vector<Dropped> dropped;
    for (std::size_t i = 0; i < numbers.size(); ++i)
        dropped.push_back({numbers[i], &shown[i]});
    return rewrite(file, {merged}, dropped, {}, {});
}

RewriteResult replaceRecords(const fs::path& file, const std::vector<Leaving>& leaving,
                             const std::vector<Record>& inserts, const Progress& progress) {
    std::vector<Dropped> dropped;
    for (const Leaving& l : leaving)
        dropped.push_back({l.number, &l.record});
    return rewrite(file, inserts, dropped, progress, {});
}

RewriteResult replaceWithRecords(const fs::path& file, const std::vector<Record>& batch,
                                 const Progress& progress) {
    return rewrite(file, batch, {}, progress, {Base::Nothing});
}

RewriteResult replaceWithCopy(const fs::path& file, const fs::path& source,
                              const Progress& progress) {
    return rewrite(file, {}, {}, progress, {Base::Copy, &source});
}

RewriteResult restoreVersion(const fs::path& file, undo::Step& step) {
    return rewrite(file, {}, {}, {}, {Base::Version, nullptr, &step});
}

RewriteResult rewriteDataFile(const fs::path& file, const std::optional<Record>& insert,
                              std::int64_t drop, const Record* shown) {
    return rewriteDataFile(file, insert ? std::vector<Record>{*insert} : std::vector<Record>{},
                           drop, shown);
}

RewriteResult insertRecords(const fs::path& file, const std::vector<Record>& batch,
                            const Progress& progress) {
    return rewriteDataFile(file, batch, -1, nullptr, progress);
}

RewriteResult ingresardatos(const fs::path& file, const std::string& name,
                            const std::array<std::string, 8>& others, std::int32_t tag,
                            std::int64_t position) {
    if (position >= 0)
        return rewriteDataFile(file, std::nullopt, position);
    Record record;
    record.texts[0] = name;
    std::copy(others.begin(), others.end(), record.texts.begin() + 1);
    record.tag = tag;
    return rewriteDataFile(file, record, -1);
}

RewriteResult eliminar(const fs::path& file, std::int64_t n, const Record* shown) {
    // A negative number deletes nothing; it never turns into an insert of an empty record.
    return rewriteDataFile(file, std::nullopt, n, shown);
}

RewriteResult modificar(const fs::path& file, std::int64_t n, const Record& edited,
                        const Record* shown) {
    return rewriteDataFile(file, edited, n, shown);
}

} // namespace core
