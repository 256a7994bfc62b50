#include "core/fileio.h"
#include "core/ioerror.h"

#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <sys/stat.h>

using namespace core;
using namespace testsupport;

namespace {
int errnoOf(const std::function<void()>& work) {
    try {
        work();
    } catch (const IoError& e) {
        return e.errnum();
    }
    return 0;
}

struct FaultGuard {
    ~FaultGuard() { fileio::clearFaults(); }
};
} // namespace

TEST(IoError, DescribesTheFailureAndNamesItsContext) {
    EXPECT_STREQ(IoError(ENOENT).what(), "File not found");
    EXPECT_STREQ(IoError(EACCES).what(), "File access denied");
    EXPECT_STREQ(IoError(EPERM).what(), "File access denied");
    EXPECT_STREQ(IoError(EROFS).what(), "File access denied");
    EXPECT_STREQ(IoError(ENOSPC, "/x/inicio.ini").what(), "Disk full: /x/inicio.ini");
    EXPECT_STREQ(IoError(EIO).what(), "I/O error 5");
    EXPECT_EQ(IoError(EIO, "c").errnum(), EIO);
}

TEST(FileIo, RefusesFilesWithoutOwnerWriteBitEvenForRoot) {
    TempDir dir;
    writeBytes(dir / "ro.dat", "abc");
    makeReadOnly(dir / "ro.dat");
    EXPECT_TRUE(fileio::isReadOnly(dir / "ro.dat"));
    EXPECT_EQ(errnoOf([&] { fileio::openReadWrite(dir / "ro.dat"); }), EACCES);
    EXPECT_EQ(errnoOf([&] { fileio::createTruncate(dir / "ro.dat"); }), EACCES);
    EXPECT_EQ(readBytes(dir / "ro.dat"), "abc");
    EXPECT_EQ(errnoOf([&] { fileio::openReadWrite(dir / "missing"); }), ENOENT);
    EXPECT_FALSE(fileio::isReadOnly(dir / "missing"));
}

TEST(FileIo, FailsExactlyTheChosenCallWithTheChosenError) {
    TempDir dir;
    FaultGuard guard;
    fileio::setFaults({3, ENOSPC, -1});
    fileio::File f = fileio::createTruncate(dir / "f"); // call 1
    f.write("ab", 2);                                   // call 2
    EXPECT_EQ(errnoOf([&] { f.write("cd", 2); }), ENOSPC);
    EXPECT_EQ(fileio::callCount(), 3);
    f.write("ef", 2); // only the third call fails
    f.close();
    EXPECT_EQ(readBytes(dir / "f"), "abef");
    fileio::clearFaults();
    EXPECT_EQ(fileio::callCount(), 0);
}

TEST(FileIo, FullDiskTakesPartOfAWriteThenRefuses) {
    TempDir dir;
    FaultGuard guard;
    fileio::File f = fileio::createTruncate(dir / "f");
    fileio::setFaults({0, EIO, 5});
    f.write("abc", 3);
    EXPECT_EQ(errnoOf([&] { f.write("defg", 4); }), ENOSPC);
    EXPECT_EQ(errnoOf([&] { f.write("h", 1); }), ENOSPC);
    f.close();
    EXPECT_EQ(readBytes(dir / "f"), "abcde");
}

TEST(FileIo, ReadExactBeyondTheEndFails) {
    TempDir dir;
    writeBytes(dir / "f", "12345");
    fileio::File f = fileio::openReadWrite(dir / "f");
    char buf[8];
    EXPECT_EQ(f.readAt(2, buf, 8), 3u);
    EXPECT_EQ(errnoOf([&] { f.readExactAt(2, buf, 4); }), EIO);
}

TEST(FileIo, ReplaceContentsKeepsPermissionsAndFailsWithoutHarm) {
    TempDir dir;
    FaultGuard guard;
    const auto file = dir / "inicio.ini";
    writeBytes(file, "old");
    ::chmod(file.c_str(), 0640);
    fileio::clearFaults();
    fileio::replaceContents(file, "new");
    const long total = fileio::callCount(); // the last one flushes the folder, after the rename
    EXPECT_EQ(readBytes(file), "new");
    struct stat st {};
    ::stat(file.c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    writeBytes(file, "old");
    for (long n = 1; n <= total; ++n) {
        fileio::setFaults({n, EIO, -1});
        EXPECT_EQ(errnoOf([&] { fileio::replaceContents(file, "new"); }), EIO) << n;
        fileio::clearFaults();
        EXPECT_EQ(readBytes(file), n < total ? "old" : "new") << n;
        EXPECT_FALSE(std::filesystem::exists(dir / "inicio.ini.tmp")) << n;
        writeBytes(file, "old");
    }
    fileio::setFaults({0, EIO, 1});
    EXPECT_EQ(errnoOf([&] { fileio::replaceContents(file, "longer"); }), ENOSPC);
    EXPECT_EQ(readBytes(file), "old");
    fileio::clearFaults();
    makeReadOnly(file);
    EXPECT_EQ(errnoOf([&] { fileio::replaceContents(file, "new"); }), EACCES);
    EXPECT_EQ(readBytes(file), "old");
}
