#include "core/fileio.h"
#include "core/inifile.h"
#include "core/ioerror.h"

#include "support/child.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

using namespace core;
using namespace testsupport;

namespace {

class Ini : public ::testing::Test {
  protected:
    ~Ini() override { fileio::clearFaults(); }
    TempDir dir;
    std::filesystem::path path = dir / "inicio.ini";
    IniFile ini{path};
};

bool hasBareLf(const std::string& text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r'))
            return true;
    }
    return false;
}

} // namespace

TEST_F(Ini, MissingFileOrKeyReadsAsTheFallback) {
    EXPECT_EQ(ini.readString("archivo", "persona", "/p/persona1.dat"), "/p/persona1.dat");
    EXPECT_EQ(ini.readInteger("ventana", "lastview", -1), -1);
    EXPECT_TRUE(ini.readBool("config", "AutoSearch", true));
    EXPECT_FALSE(std::filesystem::exists(path));
    writeBytes(path, "[ventana]\r\nleft=3\r\n");
    EXPECT_EQ(ini.readInteger("ventana", "top", 77), 77);
    EXPECT_EQ(ini.readString("vr1", "name", "No asignado"), "No asignado");
}

TEST_F(Ini, SectionAndKeyNamesMatchWithoutRegardToCase) {
    writeBytes(path, "[Ventana]\r\nLeft=12\r\n");
    EXPECT_EQ(ini.readInteger("VENTANA", "left", 0), 12);
    ini.writeInteger("ventana", "LEFT", 5);
    EXPECT_EQ(readBytes(path), "[Ventana]\r\nLeft=5\r\n");
}

TEST_F(Ini, BooleansAreOneAndZeroAndReadByIntegerValue) {
    ini.writeBool("ventana", "fastcall", true);
    ini.writeBool("ventana", "ultimo", false);
    EXPECT_EQ(readBytes(path), "[ventana]\r\nfastcall=1\r\nultimo=0\r\n");
    writeBytes(path, "[c]\r\na=2\r\nb=-1\r\nc=0\r\nd=true\r\ne=\r\nf= 1 \r\n");
    EXPECT_TRUE(ini.readBool("c", "a", false));
    EXPECT_TRUE(ini.readBool("c", "b", false));
    EXPECT_FALSE(ini.readBool("c", "c", true));
    EXPECT_TRUE(ini.readBool("c", "d", true)); // unreadable: the fallback, either way
    EXPECT_FALSE(ini.readBool("c", "d", false));
    EXPECT_FALSE(ini.readBool("c", "e", false));
    EXPECT_TRUE(ini.readBool("c", "f", false));
}

TEST_F(Ini, IntegersAreDecimalAndAnythingElseReadsAsTheFallback) {
    writeBytes(path, "[n]\r\na= -7 \r\nb=+3\r\nc=12abc\r\nd=0x10\r\ne=2147483647\r\n"
                     "f=-2147483648\r\ng=2147483648\r\nh=99999999999999999999\r\ni=-\r\nj=1 2\r\n");
    EXPECT_EQ(ini.readInteger("n", "a", 0), -7);
    EXPECT_EQ(ini.readInteger("n", "b", 0), 3);
    EXPECT_EQ(ini.readInteger("n", "e", 0), 2147483647);
    EXPECT_EQ(ini.readInteger("n", "f", 0), -2147483647 - 1);
    for (const char* key : {"c", "d", "g", "h", "i", "j"})
        EXPECT_EQ(ini.readInteger("n", key, 42), 42) << key;
    ini.writeInteger("n", "k", -15);
    EXPECT_EQ(ini.readInteger("n", "k", 0), -15);
}

TEST_F(Ini, WriteKeepsEverythingElseAndEndsLinesWithCrLf) {
    writeBytes(path, "; made by hand\r\n\r\n[archivo]\r\npersona=C:\\datos\\Pe\xD1"
                     "a.dat\r\n"
                     "; the window\r\n[ventana]\nleft=10\n# hash comment\ntop=20\n[vr1]\r\n"
                     "name=Se\xF1or \x81\x9D\r\n; closing remark\r\n");
    ini.writeString("config", "tipocorreo", "web");
    ini.writeInteger("ventana", "left", 11);
    const std::string text = readBytes(path);
    EXPECT_FALSE(hasBareLf(text)) << text;
    EXPECT_EQ(text.find("\r\r"), std::string::npos);
    for (const char* kept :
         {"; made by hand\r\n", "; the window\r\n[ventana]\r\n", "# hash comment\r\ntop=20\r\n",
          "; closing remark\r\n", "left=11\r\n", "[config]\r\ntipocorreo=web\r\n"})
        EXPECT_NE(text.find(kept), std::string::npos) << kept;
    EXPECT_EQ(ini.readString("archivo", "persona", ""), "C:\\datos\\Pe\xD1"
                                                        "a.dat");
    EXPECT_EQ(ini.readString("vr1", "name", ""), "Se\xF1or \x81\x9D");
    EXPECT_EQ(ini.readInteger("ventana", "top", 0), 20);
    ini.writeInteger("ventana", "left", 12); // a second write changes only that value
    std::string expected = text;
    expected.replace(expected.find("left=11"), 7, "left=12");
    EXPECT_EQ(readBytes(path), expected);
}

TEST_F(Ini, FileOfOnlyCommentsIsKeptWhole) {
    writeBytes(path, "; first\r\n\r\n; second\r\n# third");
    ini.writeInteger("ventana", "left", 1);
    EXPECT_EQ(readBytes(path), "; first\r\n\r\n; second\r\n# third\r\n[ventana]\r\nleft=1\r\n");
}

TEST_F(Ini, GarbageLinesNeitherCrashNorSwallowOtherKeys) {
    std::string junk = "garbage\r\n=novalue\r\n]]\r\n[ventana]\r\nleft=5\r\n[unclosed\r\ntop=7\r\n";
    junk += std::string("lastview=\0\x01x\r\n", 14) + "[vr2]\r\nname=dos\r\n\r\r\n\n=";
    writeBytes(path, junk);
    EXPECT_EQ(ini.readInteger("ventana", "left", -1), 5);
    EXPECT_EQ(ini.readInteger("ventana", "top", -1), 7); // not taken into "[unclosed"
    EXPECT_EQ(ini.readInteger("ventana", "lastview", -1), -1);
    EXPECT_EQ(ini.readString("vr2", "name", ""), "dos"); // the NUL byte ends nothing
    ini.writeBool("ventana", "fastcall", true);
    const std::string once = readBytes(path);
    ini.writeBool("ventana", "fastcall", true);
    EXPECT_EQ(readBytes(path), once); // nothing grows from write to write
    EXPECT_EQ(once.find("unclosed"), std::string::npos) << once;
    EXPECT_FALSE(hasBareLf(once));
    EXPECT_EQ(ini.readInteger("ventana", "top", -1), 7);
    EXPECT_EQ(ini.readString("vr2", "name", ""), "dos");
}

TEST_F(Ini, FailedWriteThrowsNamingTheFileAndChangesNothing) {
    const std::string before = "[ventana]\r\nleft=1\r\n";
    writeBytes(path, before);
    makeReadOnly(path);
    try {
        ini.writeInteger("ventana", "left", 2);
        FAIL();
    } catch (const IoError& e) {
        EXPECT_EQ(e.errnum(), EACCES);
        EXPECT_EQ(std::string(e.what()), "File access denied: " + path.string());
    }
    EXPECT_EQ(readBytes(path), before);

    std::filesystem::permissions(path, std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add);
    fileio::setFaults({0, EIO, 3});
    try {
        ini.writeInteger("ventana", "left", 2);
        FAIL();
    } catch (const IoError& e) {
        EXPECT_EQ(std::string(e.what()), "Disk full: " + path.string());
    }
    fileio::clearFaults();
    EXPECT_EQ(readBytes(path), before);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST_F(Ini, OnlyARegularFileIsReadOrWrittenAndAnythingElseIsLeftAlone) {
    // A pipe is never opened: reading it would wait for a writer for ever. A folder is never
    // written into. Both read as no settings at all, and a write is refused naming the file.
    ASSERT_EQ(::mkfifo(path.c_str(), 0644), 0);
    EXPECT_EQ(ini.readInteger("ventana", "left", 9), 9);
    try {
        ini.writeInteger("ventana", "left", 2);
        ADD_FAILURE() << "a pipe was taken for the settings file";
    } catch (const IoError& e) {
        EXPECT_EQ(std::string(e.what()), "File access denied: " + path.string());
    }
    struct stat st {};
    ASSERT_EQ(::lstat(path.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    std::filesystem::remove(path);

    std::filesystem::create_directory(path);
    writeBytes(path / "left=1", "kept");
    ini.hold();
    EXPECT_EQ(ini.readInteger("ventana", "left", 9), 9);
    ini.writeInteger("ventana", "left", 2);
    EXPECT_THROW(ini.commit(), IoError);
    EXPECT_THROW(ini.writeBool("ventana", "ultimo", true), IoError);
    EXPECT_TRUE(std::filesystem::is_directory(path));
    EXPECT_EQ(readBytes(path / "left=1"), "kept");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST_F(Ini, ALinkIsReadThroughButReplacedNeverWrittenThrough) {
    // What the link leads to keeps every byte; the settings it held carry over into a file of
    // our own under the link's name.
    std::filesystem::create_directory(dir / "etc");
    const auto system = dir / "etc" / "system.conf";
    std::string original = "; system file\n[ventana]\nleft=1\n";
    while (original.size() < 651)
        original += "# line of the system file, not the program's\n";
    original.resize(651);
    writeBytes(system, original);
    ::chmod(system.c_str(), 0604);
    std::filesystem::create_symlink("etc/system.conf", path);
    EXPECT_EQ(ini.readInteger("ventana", "left", 0), 1);
    ini.writeInteger("ventana", "top", 2);
    EXPECT_EQ(readBytes(system), original);
    EXPECT_FALSE(std::filesystem::is_symlink(path));
    EXPECT_TRUE(std::filesystem::is_regular_file(path));
    EXPECT_EQ(ini.readInteger("ventana", "left", 0), 1);
    EXPECT_EQ(ini.readInteger("ventana", "top", 0), 2);
    struct stat st {};
    ::stat(path.c_str(), &st);
    EXPECT_NE(st.st_mode & 0777, 0604u) << "the linked file lent its permissions";

    // A link to nothing, or a loop of links, is replaced the same way and creates nothing
    // where it led.
    for (const char* to : {"etc/missing.ini", "inicio.ini"}) {
        std::filesystem::remove(path);
        std::filesystem::create_symlink(to, path);
        EXPECT_EQ(ini.readInteger("ventana", "left", 7), 7);
        ini.writeInteger("ventana", "left", 3);
        EXPECT_FALSE(std::filesystem::is_symlink(path)) << to;
        EXPECT_EQ(readBytes(path), "[ventana]\r\nleft=3\r\n");
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "etc" / "missing.ini"));

    // Nor is a link under the temporary name followed.
    std::filesystem::create_symlink("etc/system.conf", dir / "inicio.ini.tmp");
    ini.writeInteger("ventana", "left", 4);
    EXPECT_EQ(readBytes(system), original);
    EXPECT_EQ(readBytes(path), "[ventana]\r\nleft=4\r\n");
    EXPECT_FALSE(std::filesystem::exists(dir / "inicio.ini.tmp"));
}

TEST_F(Ini, AFolderThatTakesNoNewFileGetsTheSettingsWrittenInPlace) {
    writeBytes(path, "[ventana]\r\nleft=1\r\n");
    ::chmod(path.c_str(), 0666);
    ::chmod(dir.path().c_str(), 0555);
    // Root passes over folder permissions; an ordinary user meets them.
    ChildProcess user(
        [&] {
            IniFile(path).writeInteger("ventana", "left", 2);
            try {
                IniFile(dir / "nuevo.ini").writeInteger("ventana", "left", 3);
            } catch (const IoError& e) {
                // Nothing can be written: the message names the folder that refused.
                return e.what() == "File access denied: " + dir.path().string() ? 0 : 2;
            }
            return 1;
        },
        true);
    const int result = user.wait();
    ::chmod(dir.path().c_str(), 0755);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(readBytes(path), "[ventana]\r\nleft=2\r\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST_F(Ini, AHeldBlockIsReadOnceAndWrittenInOneReplacementOrNotAtAll) {
    writeBytes(path, "[ventana]\r\nleft=5\r\n");
    std::vector<std::string> trace;
    fileio::traceCalls(&trace);
    ini.hold();
    EXPECT_EQ(ini.readInteger("ventana", "left", 0), 5);
    ini.writeInteger("ventana", "left", 7);
    ini.writeBool("config", "AutoSearch", false);
    EXPECT_EQ(ini.readInteger("ventana", "left", 0), 7); // reads see the block's own writes
    EXPECT_EQ(readBytes(path), "[ventana]\r\nleft=5\r\n");
    ini.commit();
    fileio::traceCalls(nullptr);
    // The same bytes as the two keys written one by one.
    const auto single = dir / "uno.ini";
    writeBytes(single, "[ventana]\r\nleft=5\r\n");
    IniFile(single).writeInteger("ventana", "left", 7);
    IniFile(single).writeBool("config", "AutoSearch", false);
    EXPECT_EQ(readBytes(path), readBytes(single));
    EXPECT_EQ(std::count_if(trace.begin(), trace.end(),
                            [](const std::string& t) { return t.rfind("rename ", 0) == 0; }),
              1);

    // A block abandoned by a failing step leaves the file as it was.
    const std::string before = readBytes(path);
    ini.hold();
    ini.writeInteger("ventana", "left", 9);
    fileio::setFaults({3, EIO, -1});
    EXPECT_THROW(ini.commit(), IoError);
    fileio::clearFaults();
    EXPECT_EQ(readBytes(path), before);
    EXPECT_EQ(ini.readInteger("ventana", "left", 0), 7); // no longer held: read from the disk
}
