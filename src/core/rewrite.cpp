#include "core/rewrite.h"

#include "core/fileio.h"
#include "core/ioerror.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
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
    BlockWriter(const fileio::File& data, fileio::File& file)
        : data_(data), file_(file), buffer_(kBlockBytes) {}

    void add(const unsigned char* record) {
        flushRun();
        std::memcpy(buffer_.data() + used_, record, kRecordSize);
        used_ += kRecordSize;
        ++written_;
        if (used_ == buffer_.size())
            flushBuffer();
    }
    // Record `number` of the data file, whose bytes are already as a writer stores them.
    void carry(std::uint64_t number) {
        flushBuffer();
        if (runLength_ > 0 && runStart_ + runLength_ != number)
            flushRun();
        if (runLength_ == 0)
            runStart_ = number;
        ++runLength_;
        ++written_;
    }
    void finish() {
        flushRun();
        flushBuffer();
    }
    std::int64_t count() const { return written_; }

  private:
    void flushBuffer() {
        if (used_ > 0)
            file_.write(buffer_.data(), used_);
        used_ = 0;
    }
    void flushRun() {
        if (runLength_ > 0)
            file_.copyFrom(data_, runStart_ * kRecordSize, runLength_ * kRecordSize);
        runLength_ = 0;
    }

    const fileio::File& data_;
    fileio::File& file_;
    std::vector<unsigned char> buffer_;
    std::size_t used_ = 0;
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

// One pass over the data file: every record but `drop` is carried over as a writer stores it,
// and each batch record goes before the first carried record whose name is greater than its
// own. Inserting the batch records one by one would put each of them exactly there, sorted
// file or not: the records still waiting are those no earlier record was greater than. Returns
// the record number the batch's last record received, or -1 without a batch.
std::int64_t copyRecords(const fileio::File& data, std::uint64_t count, fileio::File& out,
                         Batch& batch, std::int64_t drop, const Progress& progress) {
    std::int64_t position = -1;
    BlockWriter writer(data, out);
    const auto place = [&] {
        if (batch.nextIsLast())
            position = writer.count();
        batch.writeNext(writer);
        if (progress)
            progress(batch.written());
    };
    std::vector<unsigned char> block(kBlockBytes);
    for (std::uint64_t first = 0; first < count; first += kBlockRecords) {
        const std::uint64_t n = std::min<std::uint64_t>(kBlockRecords, count - first);
        data.readExactAt(first * kRecordSize, block.data(), n * kRecordSize);
        for (std::uint64_t i = 0; i < n; ++i) {
            if (static_cast<std::int64_t>(first + i) == drop)
                continue;
            unsigned char* record = block.data() + i * kRecordSize;
            const bool normal = isNormalRecord(record);
            if (!normal)
                normalizeRecord(record);
            while (!batch.done() && nameLess(batch.nextName(), nameOf(record)))
                place();
            if (normal)
                writer.carry(first + i);
            else
                writer.add(record);
        }
    }
    while (!batch.done())
        place();
    writer.finish();
    return position;
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

void removeLeftoverTemp(const fs::path& dataFile) {
    const fs::path folder = folderOf(fileio::resolveLink(dataFile));
    if (!fileio::exists(folder / kTempFileName))
        return;
    try {
        const fileio::FolderLock lock = fileio::lockFolder(folder, false);
        if (lock.held())
            fileio::removeQuietly(folder / kTempFileName);
    } catch (const IoError&) {
        // Tidying up is no reason to stop anything; the next rewrite replaces the leftover.
    }
}

RewriteResult rewriteDataFile(const fs::path& path, const std::vector<Record>& inserts,
                              std::int64_t drop, const Record* shown, const Progress& progress) {
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

    // A missing data file counts as empty; an insert creates it through the rename below.
    const bool existed = fileio::exists(file);
    fileio::File data;
    std::uint64_t count = 0;
    if (existed) {
        data = fileio::openReadWrite(file);
        count = data.size() / kRecordSize;
    }
    if (shown && !stillShown(data, count, drop, *shown)) {
        // Another window changed the file since this record was shown: record n is someone
        // else now, or gone.
        if (existed)
            data.close();
        return {kRecordChanged, RewriteFailure::Changed};
    }
    const bool drops = drop >= 0 && static_cast<std::uint64_t>(drop) < count;

    RewriteResult result;
    if (inserts.empty() && !drops) {
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

    fileio::File out = fileio::createTruncate(temp);
    std::int64_t position = -1;
    try {
        if (existed)
            out.copyPermissionsFrom(file);
        position = copyRecords(data, count, out, batch, drops ? drop : -1, progress);
        out.flush();
        const std::uint64_t expected = (count - (drops ? 1 : 0) + inserts.size()) * kRecordSize;
        if (out.size() != expected)
            throw IoError(EIO);
    } catch (...) {
        out = fileio::File();
        fileio::removeQuietly(temp);
        throw;
    }

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
    try {
        fileio::rename(temp, file);
    } catch (const IoError&) {
        fileio::removeQuietly(temp);
        return {kRewriteFailed, RewriteFailure::Rename};
    }
    // The new content is in place from here on; a failure to make the rename durable is still
    // reported, as an IoError.
    fileio::syncDirectory(folder);
    result.position = position;
    return result;
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
