#include "core/fileio.h"

#include "core/ioerror.h"

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace core::fileio {

namespace {

struct FaultState {
    Faults faults;
    long calls = 0;
    std::vector<std::string>* trace = nullptr;
    bool refuseKernelCopy = false;
};

FaultState& faultState() {
    static FaultState state;
    return state;
}

thread_local int sideDepth = 0;

// Every operation that can fail passes here first, so a test can make exactly this one fail
// and see the order of them all.
void countCall(const char* op, const fs::path& path, const fs::path& other = {}) {
    FaultState& s = faultState();
    if (sideDepth > 0 && !s.faults.sideCalls)
        return;
    if (s.trace) {
        std::string entry = std::string(op) + " " + path.string();
        if (!other.empty())
            entry += " " + other.string();
        s.trace->push_back(std::move(entry));
    }
    ++s.calls;
    if (s.faults.failAtCall > 0 && s.calls == s.faults.failAtCall)
        throw IoError(s.faults.errnum);
}

[[noreturn]] void failWithErrno() {
    throw IoError(errno);
}

// The bytes a write may still put on the "disk" before it is full.
std::size_t allowedBytes(std::size_t wanted) {
    const long long left = faultState().faults.diskBytesLeft;
    if (left < 0 || static_cast<unsigned long long>(left) >= wanted)
        return wanted;
    return static_cast<std::size_t>(left);
}

void spendBytes(std::size_t n) {
    long long& left = faultState().faults.diskBytesLeft;
    if (left >= 0)
        left -= static_cast<long long>(n);
}

void writeAll(int fd, const void* data, std::size_t n) {
    const char* p = static_cast<const char*>(data);
    while (n > 0) {
        const ssize_t done = ::write(fd, p, n);
        if (done < 0) {
            if (errno == EINTR)
                continue;
            failWithErrno();
        }
        p += done;
        n -= static_cast<std::size_t>(done);
    }
}

std::size_t preadAll(int fd, std::uint64_t offset, void* buffer, std::size_t n) {
    char* p = static_cast<char*>(buffer);
    std::size_t total = 0;
    while (total < n) {
        const ssize_t got = ::pread(fd, p + total, n - total, static_cast<off_t>(offset + total));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            failWithErrno();
        }
        if (got == 0)
            break;
        total += static_cast<std::size_t>(got);
    }
    return total;
}

// Permission bits are checked before opening: root could otherwise write a file its owner
// protected, and a data file without the owner-write bit counts as read-only for everyone.
void refuseReadOnly(const fs::path& path, bool mustExist) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        if (errno == ENOENT && !mustExist)
            return;
        failWithErrno();
    }
    if (S_ISDIR(st.st_mode))
        throw IoError(EISDIR);
    if ((st.st_mode & S_IWUSR) == 0)
        throw IoError(EACCES);
}

int openFd(const fs::path& path, int flags) {
    int fd;
    do {
        fd = ::open(path.c_str(), flags | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        failWithErrno();
    return fd;
}

// Opening a pipe for reading waits for a writer, for ever: files are opened without waiting
// and anything but a regular file is refused like a file that cannot be read.
int openRegular(const fs::path& path, int flags, struct stat& st) {
    const int fd = openFd(path, flags | O_NONBLOCK | O_NOCTTY);
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        throw IoError(EACCES);
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

// What copy_file_range answers where this kernel or file system cannot copy these two files;
// the copy then goes through a buffer, as it always did.
bool kernelCopyRefused(int err) {
    return err == EXDEV || err == EINVAL || err == ENOSYS || err == EOPNOTSUPP || err == ENOTSUP ||
           err == EBADF || err == EPERM || err == ETXTBSY;
}

// Copies inside the kernel as far as it will; returns the bytes copied, fewer than n when it
// refused or stopped early (the rest is for the buffered copy to do or to find missing).
std::uint64_t kernelCopy(int in, std::uint64_t offset, int out, std::uint64_t n) {
    std::uint64_t done = 0;
    while (done < n) {
        loff_t from = static_cast<loff_t>(offset + done);
        const ssize_t got = ::copy_file_range(in, &from, out, nullptr, n - done, 0);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            if (kernelCopyRefused(errno))
                break;
            failWithErrno();
        }
        if (got == 0)
            break; // some file systems answer 0 instead of refusing
        done += static_cast<std::uint64_t>(got);
    }
    return done;
}

void bufferedCopy(int in, std::uint64_t offset, int out, std::uint64_t n) {
    std::vector<char> buffer(static_cast<std::size_t>(std::min<std::uint64_t>(n, 1 << 20)));
    while (n > 0) {
        const std::size_t chunk =
            static_cast<std::size_t>(std::min<std::uint64_t>(n, buffer.size()));
        if (preadAll(in, offset, buffer.data(), chunk) != chunk)
            throw IoError(EIO); // the source ended before the bytes to copy
        writeAll(out, buffer.data(), chunk);
        offset += chunk;
        n -= chunk;
    }
}

Identity identityFrom(const struct stat& st) {
    const auto ns = [](const timespec& t) {
        return static_cast<std::int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
    };
    return {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino),
            static_cast<std::uint64_t>(st.st_size), ns(st.st_mtim)};
}

bool lockingUnsupported(int err) {
    return err == ENOLCK || err == EOPNOTSUPP || err == EBADF || err == EINVAL || err == ENOSYS;
}

} // namespace

File::File(File&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), atOpen_(other.atOpen_), path_(std::move(other.path_)) {}

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = std::exchange(other.fd_, -1);
        atOpen_ = other.atOpen_;
        path_ = std::move(other.path_);
    }
    return *this;
}

File::~File() {
    if (fd_ >= 0)
        ::close(fd_);
}

Identity File::identity() const {
    struct stat st {};
    return ::fstat(fd_, &st) == 0 ? identityFrom(st) : Identity{};
}

std::uint64_t File::size() const {
    countCall("size", path_);
    struct stat st {};
    if (::fstat(fd_, &st) != 0)
        failWithErrno();
    return static_cast<std::uint64_t>(st.st_size);
}

std::size_t File::readAt(std::uint64_t offset, void* buffer, std::size_t n) const {
    countCall("read", path_);
    return preadAll(fd_, offset, buffer, n);
}

void File::readExactAt(std::uint64_t offset, void* buffer, std::size_t n) const {
    countCall("read", path_);
    if (preadAll(fd_, offset, buffer, n) != n)
        throw IoError(EIO); // read beyond the end of the file
}

void File::write(const void* data, std::size_t n) {
    countCall("write", path_);
    // A full disk may take part of the block before it refuses the rest.
    const std::size_t allowed = allowedBytes(n);
    writeAll(fd_, data, allowed);
    spendBytes(allowed);
    if (allowed < n)
        throw IoError(ENOSPC);
}

void File::copyFrom(const File& source, std::uint64_t offset, std::uint64_t n) {
    countCall("copy", source.path_, path_);
    const std::uint64_t allowed = allowedBytes(static_cast<std::size_t>(n));
    const std::uint64_t copied =
        faultState().refuseKernelCopy ? 0 : kernelCopy(source.fd_, offset, fd_, allowed);
    bufferedCopy(source.fd_, offset + copied, fd_, allowed - copied);
    spendBytes(static_cast<std::size_t>(allowed));
    if (allowed < n)
        throw IoError(ENOSPC);
}

void File::copyPermissionsFrom(const fs::path& model) {
    countCall("chmod", path_);
    struct stat st {};
    if (::stat(model.c_str(), &st) != 0)
        failWithErrno();
    // The replacement keeps the owner too, so a file rewritten by root stays its owner's. Only
    // a privileged process may give a file away; anyone else keeps the file as their own.
    struct stat mine {};
    if (::fstat(fd_, &mine) != 0)
        failWithErrno();
    if ((mine.st_uid != st.st_uid || mine.st_gid != st.st_gid) &&
        ::fchown(fd_, st.st_uid, st.st_gid) != 0 && errno != EPERM)
        failWithErrno();
    // After the owner: a change of owner clears the set-user and set-group bits.
    if (::fchmod(fd_, st.st_mode & 07777) != 0)
        failWithErrno();
}

void File::truncate(std::uint64_t size) {
    countCall("truncate", path_);
    if (::ftruncate(fd_, static_cast<off_t>(size)) != 0)
        failWithErrno();
}

void File::flush() {
    countCall("flush", path_);
    if (::fsync(fd_) != 0)
        failWithErrno();
}

void File::close() {
    if (fd_ < 0)
        return;
    // The descriptor is released whatever close reports, so it is never closed twice.
    const int fd = std::exchange(fd_, -1);
    try {
        countCall("close", path_);
    } catch (...) {
        ::close(fd);
        throw;
    }
    if (::close(fd) != 0 && errno != EINTR)
        failWithErrno();
}

File openReadWrite(const fs::path& path) {
    countCall("open", path);
    // One status call serves every check: the open refuses a folder, and a file without its
    // owner-write bit except to root, whom the status then refuses.
    struct stat st {};
    const int fd = openRegular(path, O_RDWR, st);
    if ((st.st_mode & S_IWUSR) == 0) {
        ::close(fd);
        throw IoError(EACCES);
    }
    File file(fd, path);
    file.atOpen_ = identityFrom(st);
    return file;
}

File createTruncate(const fs::path& path) {
    countCall("create", path);
    refuseReadOnly(path, false);
    struct stat st {};
    return File(openRegular(path, O_RDWR | O_CREAT | O_TRUNC, st), path);
}

File openReadOnly(const fs::path& path) {
    countCall("open", path);
    struct stat st {};
    File file(openRegular(path, O_RDONLY, st), path);
    file.atOpen_ = identityFrom(st);
    return file;
}

bool exists(const fs::path& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

int reachError(const fs::path& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? 0 : errno;
}

bool isRegularFile(const fs::path& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool canHoldFile(const fs::path& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0)
        return errno == ENOENT;
    return S_ISREG(st.st_mode) || S_ISLNK(st.st_mode);
}

bool isReadOnly(const fs::path& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && (st.st_mode & S_IWUSR) == 0;
}

bool sameFile(const fs::path& a, const fs::path& b) {
    struct stat sa {};
    struct stat sb {};
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

std::int64_t fileSystemClock() {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME_COARSE, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

bool laterWritesShow(const Identity& id, std::int64_t now) {
    return id.inode != 0 && id.modifiedNs % 1000000000 != 0 && now > id.modifiedNs;
}

void rename(const fs::path& from, const fs::path& to) {
    countCall("rename", from, to);
    if (::rename(from.c_str(), to.c_str()) != 0)
        failWithErrno();
}

void remove(const fs::path& path) {
    countCall("remove", path);
    if (::unlink(path.c_str()) != 0)
        failWithErrno();
}

void link(const fs::path& from, const fs::path& to) {
    countCall("link", from, to);
    if (::link(from.c_str(), to.c_str()) != 0)
        failWithErrno();
}

void makeFolders(const fs::path& folder) {
    countCall("mkdir", folder);
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec)
        throw IoError(ec.value(), folder.string());
}

std::vector<std::string> namesIn(const fs::path& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        names.push_back(it->path().filename().string());
    return names;
}

Identity identityOf(const fs::path& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? identityFrom(st) : Identity{};
}

bool removeQuietly(const fs::path& path) noexcept {
    return ::unlink(path.c_str()) == 0;
}

void syncDirectory(const fs::path& directory) {
    const fs::path dir = directory.empty() ? fs::path(".") : directory;
    countCall("syncdir", dir);
    const int fd = openFd(dir, O_RDONLY | O_DIRECTORY);
    // Some file systems cannot flush a folder and say so with EINVAL; nothing is lost there.
    const bool failed = ::fsync(fd) != 0 && errno != EINVAL;
    const int err = errno;
    ::close(fd);
    if (failed)
        throw IoError(err);
}

fs::path resolveLink(const fs::path& path) {
    // Followed link by link, as the kernel does, so that a link to a file not there yet leads
    // to that file's name and never to the link's own.
    constexpr int kMaxLinks = 40;
    fs::path at = path;
    for (int hops = 0;; ++hops) {
        struct stat st {};
        if (::lstat(at.c_str(), &st) != 0) {
            if (hops == 0)
                return path; // no link; whoever opens the name meets its error
            if (errno == ENOENT)
                return at;
            failWithErrno();
        }
        if (!S_ISLNK(st.st_mode))
            return at;
        if (hops == kMaxLinks)
            throw IoError(ELOOP);
        std::error_code ec;
        const fs::path target = fs::read_symlink(at, ec);
        if (ec)
            throw IoError(ec.value());
        at = target.is_absolute() ? target : at.parent_path() / target;
    }
}

FolderLock::FolderLock(FolderLock&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

FolderLock& FolderLock::operator=(FolderLock&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

FolderLock::~FolderLock() {
    if (fd_ >= 0)
        ::close(fd_); // closing the last descriptor releases the lock
}

FolderLock lockFolder(const fs::path& folder, bool wait) {
    const fs::path dir = folder.empty() ? fs::path(".") : folder;
    countCall("lock", dir);
    int fd;
    do {
        fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        if (errno == EACCES)
            return FolderLock();
        failWithErrno();
    }
    while (::flock(fd, LOCK_EX | (wait ? 0 : LOCK_NB)) != 0) {
        const int err = errno;
        if (err == EINTR)
            continue;
        ::close(fd);
        if (err == EWOULDBLOCK || lockingUnsupported(err))
            return FolderLock();
        throw IoError(err);
    }
    return FolderLock(fd);
}

std::string readAll(const fs::path& path) {
    File file = openReadOnly(path);
    std::string bytes(static_cast<std::size_t>(file.size()), '\0');
    bytes.resize(file.readAt(0, bytes.data(), bytes.size()));
    file.close();
    return bytes;
}

namespace {

bool folderRefuses(int err) {
    return err == EACCES || err == EPERM || err == EROFS;
}

// The fallback when the folder takes no new file: the file's own bytes are replaced, which
// leaves a half-written file only if the machine stops in the middle.
void writeInPlace(const fs::path& path, const fs::path& folder, int refusal, const Writer& write) {
    try {
        if (!fileio::exists(path))
            throw IoError(refusal);
        File file = openReadWrite(path);
        file.truncate(write(file));
        file.flush();
        file.close();
    } catch (const IoError& e) {
        throw IoError(e.errnum(), folder.string());
    }
}

// Puts the bytes under `path` through a sibling temporary. `existing`: a regular file of ours is
// under the name, whose permissions the replacement keeps and which may be rewritten in place
// when the folder takes no new file.
void replaceAt(const fs::path& path, const Writer& write, bool existing) {
    const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
    fs::path temp = path;
    temp += ".tmp";
    // Opening a link under the temporary name would truncate the file it leads to.
    struct stat st {};
    if (::lstat(temp.c_str(), &st) == 0 && S_ISLNK(st.st_mode))
        removeQuietly(temp);
    const auto refused = [&](int err) {
        if (!existing)
            throw IoError(err, folder.string());
        writeInPlace(path, folder, err, write);
    };
    File file;
    try {
        file = createTruncate(temp);
    } catch (const IoError& e) {
        if (!folderRefuses(e.errnum()))
            throw;
        refused(e.errnum());
        return;
    }
    try {
        if (existing)
            file.copyPermissionsFrom(path);
        write(file);
        file.flush();
        file.close();
    } catch (...) {
        file = File();
        removeQuietly(temp);
        throw;
    }
    try {
        fileio::rename(temp, path);
    } catch (const IoError& e) {
        removeQuietly(temp);
        if (!folderRefuses(e.errnum()))
            throw;
        refused(e.errnum());
        return;
    }
    syncDirectory(folder);
}

// A writer that puts the whole of `bytes` into the file.
Writer allOf(const std::string& bytes) {
    return [&bytes](File& file) {
        file.write(bytes.data(), bytes.size());
        return static_cast<std::uint64_t>(bytes.size());
    };
}

} // namespace

void replaceContents(const fs::path& link, const std::string& bytes) {
    replaceWith(link, allOf(bytes));
}

void replaceWith(const fs::path& link, const Writer& write) {
    const fs::path path = resolveLink(link);
    if (isReadOnly(path))
        throw IoError(EACCES);
    replaceAt(path, write, fileio::exists(path));
}

void replaceOwnFile(const fs::path& path, const std::string& bytes) {
    struct stat st {};
    bool regular = false;
    if (::lstat(path.c_str(), &st) == 0) {
        regular = S_ISREG(st.st_mode);
        // A folder, pipe or device under the name is no file of ours to replace.
        if (!regular && !S_ISLNK(st.st_mode))
            throw IoError(EACCES);
        if (regular && (st.st_mode & S_IWUSR) == 0)
            throw IoError(EACCES);
    } else if (errno != ENOENT) {
        failWithErrno();
    }
    replaceAt(path, allOf(bytes), regular);
}

void setFaults(const Faults& faults) {
    faultState().faults = faults;
    faultState().calls = 0;
}

SideCalls::SideCalls() {
    ++sideDepth;
}

SideCalls::~SideCalls() {
    --sideDepth;
}

void clearFaults() {
    setFaults(Faults{});
}

void refuseKernelCopy(bool refuse) {
    faultState().refuseKernelCopy = refuse;
}

long callCount() {
    return faultState().calls;
}

void traceCalls(std::vector<std::string>* sink) {
    faultState().trace = sink;
}

} // namespace core::fileio
