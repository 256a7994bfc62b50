#include "core/fileio.h"

#include "core/ioerror.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace core::fileio {

namespace {

struct FaultState {
    Faults faults;
    long calls = 0;
};

FaultState& faultState() {
    static FaultState state;
    return state;
}

// Every operation that can fail passes here first, so a test can make exactly this one fail.
void countCall() {
    FaultState& s = faultState();
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

} // namespace

File::File(File&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

File::~File() {
    if (fd_ >= 0)
        ::close(fd_);
}

std::uint64_t File::size() const {
    countCall();
    struct stat st {};
    if (::fstat(fd_, &st) != 0)
        failWithErrno();
    return static_cast<std::uint64_t>(st.st_size);
}

std::size_t File::readAt(std::uint64_t offset, void* buffer, std::size_t n) const {
    countCall();
    return preadAll(fd_, offset, buffer, n);
}

void File::readExactAt(std::uint64_t offset, void* buffer, std::size_t n) const {
    countCall();
    if (preadAll(fd_, offset, buffer, n) != n)
        throw IoError(EIO); // read beyond the end of the file
}

void File::write(const void* data, std::size_t n) {
    countCall();
    // A full disk may take part of the block before it refuses the rest.
    const std::size_t allowed = allowedBytes(n);
    writeAll(fd_, data, allowed);
    spendBytes(allowed);
    if (allowed < n)
        throw IoError(ENOSPC);
}

void File::copyPermissionsFrom(const fs::path& model) {
    countCall();
    struct stat st {};
    if (::stat(model.c_str(), &st) != 0)
        failWithErrno();
    if (::fchmod(fd_, st.st_mode & 07777) != 0)
        failWithErrno();
}

void File::truncate(std::uint64_t size) {
    countCall();
    if (::ftruncate(fd_, static_cast<off_t>(size)) != 0)
        failWithErrno();
}

void File::flush() {
    countCall();
    if (::fsync(fd_) != 0)
        failWithErrno();
}

void File::close() {
    if (fd_ < 0)
        return;
    // The descriptor is released whatever close reports, so it is never closed twice.
    const int fd = std::exchange(fd_, -1);
    try {
        countCall();
    } catch (...) {
        ::close(fd);
        throw;
    }
    if (::close(fd) != 0 && errno != EINTR)
        failWithErrno();
}

File openReadWrite(const fs::path& path) {
    countCall();
    refuseReadOnly(path, true);
    return File(openFd(path, O_RDWR));
}

File createTruncate(const fs::path& path) {
    countCall();
    refuseReadOnly(path, false);
    return File(openFd(path, O_RDWR | O_CREAT | O_TRUNC));
}

File openReadOnly(const fs::path& path) {
    countCall();
    return File(openFd(path, O_RDONLY));
}

bool exists(const fs::path& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

bool isReadOnly(const fs::path& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && (st.st_mode & S_IWUSR) == 0;
}

void rename(const fs::path& from, const fs::path& to) {
    countCall();
    if (::rename(from.c_str(), to.c_str()) != 0)
        failWithErrno();
}

void remove(const fs::path& path) {
    countCall();
    if (::unlink(path.c_str()) != 0)
        failWithErrno();
}

bool removeQuietly(const fs::path& path) noexcept {
    return ::unlink(path.c_str()) == 0;
}

void syncDirectory(const fs::path& directory) {
    countCall();
    const fs::path dir = directory.empty() ? fs::path(".") : directory;
    const int fd = openFd(dir, O_RDONLY | O_DIRECTORY);
    // Some file systems cannot flush a folder and say so with EINVAL; nothing is lost there.
    const bool failed = ::fsync(fd) != 0 && errno != EINVAL;
    const int err = errno;
    ::close(fd);
    if (failed)
        throw IoError(err);
}

std::string readAll(const fs::path& path) {
    File file = openReadOnly(path);
    std::string bytes(static_cast<std::size_t>(file.size()), '\0');
    bytes.resize(file.readAt(0, bytes.data(), bytes.size()));
    file.close();
    return bytes;
}

void replaceContents(const fs::path& path, const std::string& bytes) {
    if (isReadOnly(path))
        throw IoError(EACCES);
    fs::path temp = path;
    temp += ".tmp";
    File file = createTruncate(temp);
    try {
        if (fileio::exists(path))
            file.copyPermissionsFrom(path);
        file.write(bytes.data(), bytes.size());
        file.flush();
        file.close();
        fileio::rename(temp, path);
    } catch (...) {
        removeQuietly(temp);
        throw;
    }
    syncDirectory(path.parent_path());
}

void setFaults(const Faults& faults) {
    faultState().faults = faults;
    faultState().calls = 0;
}

void clearFaults() {
    setFaults(Faults{});
}

long callCount() {
    return faultState().calls;
}

} // namespace core::fileio
