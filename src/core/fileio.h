// The small file layer every file operation of core goes through. Each operation that can fail
// counts as one call; a test can make the N-th call fail, or make writes fail once a byte budget
// is spent (a full disk), and then check what the failure left on disk.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace core::fileio {

namespace fs = std::filesystem;

// Which file an open reached, its size and its modification time in nanoseconds. Every write
// sets the modification time to the time of the write, as the file system's clock tells it.
struct Identity {
    std::uint64_t device = 0, inode = 0, size = 0;
    std::int64_t modifiedNs = 0;
    bool operator==(const Identity& o) const {
        return device == o.device && inode == o.inode && size == o.size &&
               modifiedNs == o.modifiedNs;
    }
    bool operator!=(const Identity& o) const { return !(*this == o); }
};

// An open file descriptor. Every failure throws IoError.
class File {
  public:
    File() = default;
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    ~File(); // closes quietly when still open

    std::uint64_t size() const;
    // The size the open saw, without asking again (0 for a file this program created).
    std::uint64_t sizeAtOpen() const { return atOpen_.size; }
    // The identity the open saw (all zero for a file this program created).
    const Identity& identityAtOpen() const { return atOpen_; }
    // The identity now; all zero when the status cannot be had.
    Identity identity() const;
    // Reads up to n bytes at the offset; returns the bytes read (fewer only at the end).
    std::size_t readAt(std::uint64_t offset, void* buffer, std::size_t n) const;
    // Reads exactly n bytes at the offset or throws.
    void readExactAt(std::uint64_t offset, void* buffer, std::size_t n) const;
    void write(const void* data, std::size_t n); // appends at the current position
    // Appends n bytes of `source`, from its offset, at the current position: copied inside the
    // kernel where it can (no pass through this process's memory), else read and written here.
    // One call, as a write is; a full disk is met the same way.
    void copyFrom(const File& source, std::uint64_t offset, std::uint64_t n);
    // Gives the file the permission bits, and where this process may the owner and group, of
    // `model`, so a replacement keeps them.
    void copyPermissionsFrom(const fs::path& model);
    void truncate(std::uint64_t size);
    void flush(); // to the disk (fsync)
    void close();
    bool isOpen() const { return fd_ >= 0; }

  private:
    friend File openReadWrite(const fs::path&);
    friend File createTruncate(const fs::path&);
    friend File openReadOnly(const fs::path&);
    File(int fd, fs::path path) : fd_(fd), path_(std::move(path)) {}
    int fd_ = -1;
    Identity atOpen_;
    fs::path path_; // named in the call trace
};

// The opens below take only regular files: a pipe, device or folder under the name is refused
// with EACCES, as an unreadable file is, and never blocks the program.

// Opens an existing file for reading and writing. A file without its owner-write bit is
// refused with EACCES, also for root.
File openReadWrite(const fs::path& path);
// Creates the file, or truncates an existing one, for reading and writing. An existing file
// without its owner-write bit is refused with EACCES, as by openReadWrite.
File createTruncate(const fs::path& path);
// Opens a file for reading only (the settings file; data files are always opened read-write).
File openReadOnly(const fs::path& path);

bool exists(const fs::path& path);
// 0 when the name leads to something (links followed); otherwise why it does not: ENOENT when
// nothing is there (a link to nothing included), ELOOP, ENAMETOOLONG, ENOTDIR, EACCES ... A
// name that fails for any reason but ENOENT cannot be created either.
int reachError(const fs::path& path);
// Whether the name leads to a regular file (links followed).
bool isRegularFile(const fs::path& path);
// Whether a file may be put under the name itself by a replacement: nothing there, a regular
// file, or a symbolic link (which the replacement then takes the place of).
bool canHoldFile(const fs::path& path);
// True when the file exists and lacks its owner-write permission bit.
bool isReadOnly(const fs::path& path);
// Whether both names reach one existing file (links followed, as the file system sees it);
// false when either is missing.
bool sameFile(const fs::path& a, const fs::path& b);

// The file system's clock, in nanoseconds of real time as of its last tick: a modification time
// can be trusted to tell a later write once this clock has moved past it.
std::int64_t fileSystemClock();
// Whether any later write to the file must show in its identity: the clock, read at `now`
// after the last write of `id`, has moved past that write. A file system that keeps whole
// seconds (no nanoseconds) cannot tell within a second, so its files never qualify.
bool laterWritesShow(const Identity& id, std::int64_t now);
void rename(const fs::path& from, const fs::path& to); // atomic replace of `to`
void remove(const fs::path& path);
// Gives the file under `from` a second name `to` (a hard link): no byte is copied.
void link(const fs::path& from, const fs::path& to);
// Makes the folder (and the folders leading to it) where it is missing.
void makeFolders(const fs::path& folder);
// The names in a folder, without "." and ".."; none when it cannot be read.
std::vector<std::string> namesIn(const fs::path& folder);
// The identity of what the name leads to (links followed); all zero when nothing is there.
Identity identityOf(const fs::path& path);
bool removeQuietly(const fs::path& path) noexcept;
// Flushes the folder itself, so that a rename in it is durable.
void syncDirectory(const fs::path& directory);
// The file a symbolic link leads to (also when that file does not exist yet), so that a
// replacement is written where the file lives and the link stays; any other path as it is. A
// link that leads nowhere a file could be (a loop, a name too long) throws IoError: the link
// itself must never be taken for the file.
fs::path resolveLink(const fs::path& path);

// An exclusive lock on a folder, shared by every process on the machine and released when the
// object goes (or its process ends). Replacements in one folder share the temporary names
// there, so the folder, not a file that a rename replaces, is what they lock.
class FolderLock {
  public:
    FolderLock() = default;
    FolderLock(FolderLock&& other) noexcept;
    FolderLock& operator=(FolderLock&& other) noexcept;
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;
    ~FolderLock();
    bool held() const { return fd_ >= 0; }

  private:
    friend FolderLock lockFolder(const fs::path&, bool);
    explicit FolderLock(int fd) : fd_(fd) {}
    int fd_ = -1;
};
// Waits for the lock when `wait`, else returns an unheld lock while another holds it. A file
// system that cannot lock folders, or a folder that cannot be read, also gives an unheld lock:
// the work goes on as it did before locks existed.
FolderLock lockFolder(const fs::path& folder, bool wait = true);

// Reads a whole (small) file, e.g. the settings file.
std::string readAll(const fs::path& path);
// Replaces a whole (small) file: write a sibling temporary, flush, rename over, flush the
// folder. A read-only file is refused with EACCES; until the rename any failure leaves the file
// as it was and removes the temporary. A symbolic link is written through to its target. When
// the folder refuses the temporary file, an existing file is rewritten in place and flushed,
// and a failure that remains names the folder as the IoError's context.
void replaceContents(const fs::path& path, const std::string& bytes);
// Puts the content into the file it is handed and returns how many bytes that was.
using Writer = std::function<std::uint64_t(File&)>;
// The same replacement for content too large to hold at once (an export of a whole data file):
// `write` writes it piece by piece.
void replaceWith(const fs::path& path, const Writer& write);
// The same for a file that must live under this very name (the settings file): a symbolic link
// there is replaced by the new regular file, and the file it led to is left as it was; a folder
// or anything else that is not a regular file is refused with EACCES and left alone.
void replaceOwnFile(const fs::path& path, const std::string& bytes);

// Fault injection for tests.
struct Faults {
    // Fail the call with this number (1-based, counted from the last reset); 0 = never.
    long failAtCall = 0;
    int errnum = 5; // EIO
    // Writes fail with ENOSPC once this many bytes have been written; negative = unlimited.
    long long diskBytesLeft = -1;
    // Whether the calls of side bookkeeping (SideCalls below) are counted and may fail too.
    bool sideCalls = false;
};
void setFaults(const Faults& faults); // also resets the call counter
// While one lives, the calls of this thread are bookkeeping beside a data file whose failure
// never reaches the data file: they are not counted, traced or failed unless the faults ask for
// side calls, so a test of the data file sees only the data file's own calls.
class SideCalls {
  public:
    SideCalls();
    ~SideCalls();
    SideCalls(const SideCalls&) = delete;
    SideCalls& operator=(const SideCalls&) = delete;
};
// Makes copyFrom behave as on a kernel or file system that refuses to copy (true), so tests
// reach the copy through this process's buffers; false again by default.
void refuseKernelCopy(bool refuse);
void clearFaults();
long callCount(); // calls since the last setFaults/clearFaults
// While set, every counted call is appended to `sink` as it starts, in order: the operation
// and its path ("flush /d/tmpingre.tmp", "rename /d/tmpingre.tmp /d/persona1.dat"). Entry i is
// call number i + 1 of the fault counter when both start together. nullptr stops it.
void traceCalls(std::vector<std::string>* sink);

} // namespace core::fileio
