// The rewrite: the only way records are written into an existing data file. The new content
// goes into "tmpingre.tmp" beside the data file, is flushed, and replaces the data file in one
// atomic rename; the data file is never deleted first, so no failure can lose a record.
// Rewrites in one folder, by any process, take turns: each holds a lock on the folder from
// reading the data file until the rename is flushed.
#pragma once

#include "core/progress.h"
#include "core/record.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace core {

namespace fs = std::filesystem;

inline constexpr const char* kTempFileName = "tmpingre.tmp";

// What went wrong in a step that is reported with its own message rather than as an IoError.
enum class RewriteFailure {
    None,
    CloseTemp, // closing the temporary file ("Código: 101"): the data file is kept unchanged
    CloseData, // closing the data file ("Código: 102"): harmless, the rewrite went on
    Rename,    // renaming the temporary file ("Código:104"): the data file is kept unchanged
    Changed,   // record n is no longer the record shown: the data file is kept unchanged
    WrongKind, // the data file is not whole records of the kind written: it is left as it was
};

struct RewriteResult {
    // The record number the inserted record received; -1 when nothing was inserted;
    // kRewriteFailed when the data file was kept as it was; kRecordChanged when it was kept
    // because record n was not the record shown.
    std::int64_t position = -1;
    RewriteFailure failure = RewriteFailure::None;
};

inline constexpr std::int64_t kRewriteFailed = -2;
inline constexpr std::int64_t kRecordChanged = -3;

// Copies the data file into a new one, leaving out record `drop` (when 0 or more) and placing
// `insert` (when given) before the first remaining record whose name is greater, bytes compared
// as unsigned values. A missing data file counts as empty (and is created by an insert). Other
// failures throw IoError and leave the data file as it was and no temporary file behind.
// With nothing to insert and no record `drop` in the file, the file is left untouched (a
// missing one is not created) and the position is -1. A failure to flush the folder after the
// rename is thrown as IoError too, although the new content is then already in place.
// With `shown`, record `drop` must still be that record (texts and tag), as read while the
// folder is held; otherwise nothing is written and the failure is Changed.
// An existing data file must hold whole records of the kind being written (holdsKind: the tag
// of the records inserted, else of `shown`, else either kind), or nothing is written and the
// failure is WrongKind. Where the name is a symbolic link, the file it leads to is the data
// file: it is tested, and the new content is renamed into its folder; the link stays.
RewriteResult rewriteDataFile(const fs::path& file, const std::optional<Record>& insert,
                              std::int64_t drop, const Record* shown = nullptr);
// The same rewrite with any number of records to insert: the file comes out byte for byte as
// inserting them one after another would leave it, in one pass. The position is the record
// number the batch's last record received (what the last of those inserts returns); the
// progress hears how many batch records have been written.
RewriteResult rewriteDataFile(const fs::path& file, const std::vector<Record>& inserts,
                              std::int64_t drop, const Record* shown,
                              const Progress& progress = {});

// A record a rewrite leaves out: its number, and the record it must still be there.
struct Leaving {
    std::int64_t number = -1;
    Record record;
};
// Leaves out every record of `leaving` and inserts the batch, in one rewrite: a sync's changes.
// Each leaving record must still be what it was (as with `shown` above), or nothing is written
// and the failure is Changed; a number past the end counts as changed too.
RewriteResult replaceRecords(const fs::path& file, const std::vector<Leaving>& leaving,
                             const std::vector<Record>& inserts, const Progress& progress = {});
// Replaces records `numbers` of the file by `merged`, filed by its name, in one rewrite: each of
// them must still be its record in `shown` (same order), as read while the folder is held, or
// nothing is written and the failure is Changed. The position is the merged record's number.
RewriteResult mergeRecords(const fs::path& file, const std::vector<std::int64_t>& numbers,
                           const std::vector<Record>& shown, const Record& merged);

// Inserts a batch of records (an import) in one rewrite.
RewriteResult insertRecords(const fs::path& file, const std::vector<Record>& batch,
                            const Progress& progress = {});

// Puts the batch, in the order inserting it into an empty file would leave it, in place of
// whatever `file` held (a missing file is created, an empty batch leaves it empty), through the
// temporary file as every rewrite does: a failure leaves the file wholly as it was, or absent.
// A read-only file is refused with EACCES; a replaced file keeps its permissions.
RewriteResult replaceWithRecords(const fs::path& file, const std::vector<Record>& batch,
                                 const Progress& progress = {});
// The same with every whole record of `source`, all 1636 bytes as they stand, in the source's
// order (a trailing fragment is left behind); the progress hears how many have been copied.
RewriteResult replaceWithCopy(const fs::path& file, const fs::path& source,
                              const Progress& progress = {});

namespace undo {
class Step;
}
// Puts back the version of the data file that an undo or redo step chooses (see undo.h), all
// its bytes, as one rewrite; a step that may not go on leaves the file untouched (Changed).
RewriteResult restoreVersion(const fs::path& file, undo::Step& step);

// A data file that a rewrite of this process put in place, in order, and that nobody has
// written since, is not read through by the next rewrite: each new record's place is searched
// for and the rest is copied as it is. Whether nobody has written it is told by its
// modification time, which can only be trusted once the clock has moved past the rewrite's
// last write. Tests replace that clock (nanoseconds of real time); nullptr restores it.
void setRewriteClock(std::int64_t (*now)());

// Removes a "tmpingre.tmp" that a rewrite which ended without finishing left beside the data
// file; one that a running rewrite owns is left alone. Never fails.
void removeLeftoverTemp(const fs::path& dataFile);

// The classic entry point: a negative position inserts a record made of name, the other eight
// texts in slot order and the tag; zero or more deletes that record number.
RewriteResult ingresardatos(const fs::path& file, const std::string& name,
                            const std::array<std::string, 8>& others, std::int32_t tag,
                            std::int64_t position);
// Deletes record n: the result's position is -1 after a completed delete. A negative n deletes
// nothing. With `shown`, only while record n is still that record (see rewriteDataFile).
RewriteResult eliminar(const fs::path& file, std::int64_t n, const Record* shown = nullptr);
// Replaces record n by `edited`, re-filed by its name, in one rewrite; the position is the
// edited record's new number (counted among the records that remain).
RewriteResult modificar(const fs::path& file, std::int64_t n, const Record& edited,
                        const Record* shown = nullptr);

// Unsigned byte-wise order of names; a prefix is smaller.
bool nameLess(std::string_view a, std::string_view b);

} // namespace core
