#include "core/fileio.h"
#include "core/inifile.h"
#include "core/ioerror.h"
#include "core/rewrite.h"

#include "records.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <algorithm>
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

// A power cut after a rename of unflushed data leaves an empty file: every replacement flushes
// the new file, closes it, renames it over the old one and then flushes the folder.
TEST(FileIo, ReplacementsFlushCloseRenameThenFlushTheFolder) {
    TempDir dir;
    FaultGuard guard;
    const std::filesystem::path data = dir / "persona1.dat", ini = dir / "inicio.ini";
    writeBytes(data, bytesOf(personsNamed({"ANA", "CARLA"})));
    writeBytes(ini, "[ventana]\r\nleft=1\r\n");
    struct Case {
        std::function<void()> replace;
        std::filesystem::path file, temp;
    };
    const Case cases[] = {
        {[&] { ingresardatos(data, "BETO", {}, kTagPerson, -1); }, data, dir / "tmpingre.tmp"},
        {[&] { eliminar(data, 0); }, data, dir / "tmpingre.tmp"},
        {[&] { IniFile(ini).writeInteger("ventana", "left", 2); }, ini, dir / "inicio.ini.tmp"},
    };
    for (const Case& c : cases) {
        const std::string old = readBytes(c.file);
        std::vector<std::string> trace;
        fileio::clearFaults();
        fileio::traceCalls(&trace);
        c.replace();
        fileio::traceCalls(nullptr);
        const std::string fresh = readBytes(c.file);
        const auto step = [&](const std::string& entry) {
            const auto at = std::find(trace.rbegin(), trace.rend(), entry);
            return at == trace.rend() ? -1L : static_cast<long>(trace.rend() - at) - 1;
        };
        // The last bytes reach the temporary file by a write or, for records carried over
        // unchanged, by a copy from the data file.
        const long write = std::max(step("write " + c.temp.string()),
                                    step("copy " + c.file.string() + " " + c.temp.string()));
        const long flush = step("flush " + c.temp.string());
        const long close = step("close " + c.temp.string());
        const long rename = step("rename " + c.temp.string() + " " + c.file.string());
        const long sync = step("syncdir " + dir.path().string());
        ASSERT_GE(write, 0) << c.file;
        EXPECT_LT(write, flush) << c.file;
        EXPECT_LT(flush, close) << c.file;
        EXPECT_LT(close, rename) << c.file;
        EXPECT_LT(rename, sync) << c.file;

        // Call i + 1 is trace entry i: fail each of those steps in turn.
        for (long n : {flush, close, rename, sync}) {
            writeBytes(c.file, old);
            fileio::setFaults({n + 1, EIO, -1});
            bool thrown = false;
            try {
                c.replace();
            } catch (const IoError&) {
                thrown = true;
            }
            fileio::clearFaults();
            EXPECT_FALSE(std::filesystem::exists(c.temp)) << c.file << " " << n;
            // After the rename only the folder flush can fail: the new file is whole and the
            // failure is still reported.
            EXPECT_EQ(readBytes(c.file), n == sync ? fresh : old) << c.file << " " << n;
            if (n == sync) {
                EXPECT_TRUE(thrown) << c.file;
            }
        }
        writeBytes(c.file, old);
    }
}
