// Undo and redo of the changes of a data file. Every rewrite keeps the file it replaces, by a
// second name (a hard link, so nothing is copied), in the folder ".versiones/<data file name>"
// beside the data file, and notes the change in that folder's journal: the versions in order,
// the name of each change, and how to tell that the data file is still the one a change left.
// An undo or a redo is itself a rewrite that puts a kept version back.
#pragma once

#include "core/fileio.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace core::undo {

namespace fs = std::filesystem;

inline constexpr const char* kVersionsFolder = ".versiones";

// How much is kept per data file: the changes, and the bytes of the versions kept for them.
// The newest change stays undoable whatever its size.
struct Limits {
    std::size_t steps = 20;
    std::uint64_t bytes = std::uint64_t{1} << 30;
};
void setLimits(const Limits& limits);

// What the Edición menu offers for a data file: the change an undo takes back and the one a
// redo makes again, by name and number (0: none).
struct Offer {
    std::string undoLabel, redoLabel;
    std::uint64_t undoId = 0, redoId = 0;
};
Offer offer(const fs::path& file);

enum class Outcome {
    Done,
    Nothing, // the change is no longer the one to undo or redo (another window moved on)
    Changed, // the data file is not what the change left: another program wrote it since
    Lost,    // the kept version is gone (removed by hand)
    Failed,  // the rewrite kept the data file as it was (its own failure)
};

struct Result {
    Outcome outcome = Outcome::Nothing;
    // The first record that differs between the file before and after: the record that came
    // back, or the one now where a record went away; -1 when not done.
    std::int64_t record = -1;
};

// Takes back (undo) or makes again (redo) the change numbered `id`, which must be the one the
// offer names. Errors of the file layer are thrown as IoError; the data file is then as it was.
Result undoChange(const fs::path& file, std::uint64_t id);
Result redoChange(const fs::path& file, std::uint64_t id);

// True once after a change of this thread whose replaced version could not be kept (the
// change itself went through and cannot be undone).
bool takeKeepFailure();

// A rewrite's dealings with the journal, all while the rewrite holds the data file's folder.
class Step {
  public:
    // A change of `file` (links followed).
    explicit Step(const fs::path& file);
    // An undo (direction -1) or a redo (+1) of change `id`.
    Step(const fs::path& file, int direction, std::uint64_t id);
    ~Step();
    Step(const Step&) = delete;
    Step& operator=(const Step&) = delete;

    bool isMove() const { return direction_ != 0; }
    // For a move, before anything is written: whether it may go on. Then source() is the
    // version to put back (nullopt: an empty file); else outcome() says why not.
    bool prepare();
    const std::optional<fs::path>& source() const { return source_; }
    Outcome outcome() const { return outcome_; }
    std::int64_t firstDifference() const { return difference_; }
    // Just before the rename of `temp` over the data file, whose identity the new content has
    // as `written`; `now` is the file system's clock. A change that cannot be noted goes on
    // without undo (takeKeepFailure); a move that cannot be noted throws, and must not rename.
    void keep(bool existed, const fs::path& temp, const fileio::Identity& written,
              std::int64_t now);

    struct Journal; // the journal as read, kept from prepare() to keep()

  private:
    void keepChange(bool existed, const fs::path& temp, const fileio::Identity& written,
                    std::int64_t now);

    fs::path file_, folder_;
    int direction_ = 0;
    std::uint64_t id_ = 0;
    std::optional<fs::path> source_;
    Outcome outcome_ = Outcome::Done;
    std::int64_t difference_ = -1;
    std::unique_ptr<Journal> journal_;
};

} // namespace core::undo
