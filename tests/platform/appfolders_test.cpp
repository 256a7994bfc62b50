// Where a portable and an installed copy keep the user's files and find the help pages.
#include "platform/appfolders.h"
#include "platform/application.h"
#include "support/tempdir.h"

#include <QString>
#include <gtest/gtest.h>

using namespace testsupport;
namespace fs = std::filesystem;

namespace {

QString q(const fs::path& p) {
    return QString::fromStdString(p.string());
}

} // namespace

TEST(AppFolders, PortableCopiesKeepTheirFolderAndInstalledOnesUseTheUserDataFolder) {
    TempDir tmp;
    QString userData = q(tmp / "home/.local/share/tevosoft/Tevo Riviva 2");

    fs::create_directories(tmp / "portable");
    EXPECT_EQ(platform::chooseProgramFolder(q(tmp / "portable"), userData),
              q(tmp / "portable") + "/");

    // A read-only folder that already holds the settings stays the program directory.
    fs::create_directories(tmp / "cdrom");
    writeBytes(tmp / "cdrom/inicio.ini", "");
    makeReadOnly(tmp / "cdrom");
    EXPECT_EQ(platform::chooseProgramFolder(q(tmp / "cdrom"), userData), q(tmp / "cdrom") + "/");
    EXPECT_FALSE(fs::exists(tmp / "home"));

    // A read-only folder without settings, and the bin folder of an installed copy even where
    // it could be written, give the user's data folder, created on the way.
    fs::create_directories(tmp / "ro");
    makeReadOnly(tmp / "ro");
    EXPECT_EQ(platform::chooseProgramFolder(q(tmp / "ro"), userData), userData + "/");
    EXPECT_TRUE(fs::is_directory(tmp / "home/.local/share/tevosoft/Tevo Riviva 2"));
    fs::create_directories(tmp / "usr/bin");
    fs::create_directories(tmp / "usr/share/tevoriviva/help");
    EXPECT_EQ(platform::chooseProgramFolder(q(tmp / "usr/bin"), userData), userData + "/");

    // An explicit folder is taken as given.
    EXPECT_EQ(
        platform::programDirectory({"tevoriviva", "--dir", q(tmp / "ro")}, q(tmp / "ro"), userData),
        q(tmp / "ro") + "/");
}

TEST(AppFolders, HelpComesFromTheProgramDirectoryOrTheInstalledCopy) {
    TempDir tmp;
    QString bin = q(tmp / "usr/bin"), data = q(tmp / "data") + "/";
    fs::create_directories(tmp / "usr/bin");
    fs::create_directories(tmp / "data");
    // Nothing anywhere: the message for the missing page names the program directory's folder.
    EXPECT_EQ(platform::helpTarget(data, bin, "archivo.htm"),
              "file:///" + data + "help\\archivo.htm");
    fs::create_directories(tmp / "usr/share/tevoriviva/help");
    EXPECT_EQ(platform::helpTarget(data, bin, "archivo.htm"),
              "file:///" + q(tmp / "usr/share/tevoriviva/help/archivo.htm"));
    // A program directory given elsewhere finds the pages beside the program file.
    fs::create_directories(tmp / "usr/bin/help");
    EXPECT_EQ(platform::helpTarget(data, bin, "archivo.htm"),
              "file:///" + q(tmp / "usr/bin/help/archivo.htm"));
    // Pages beside the program (a portable copy, the build folder) come first.
    fs::create_directories(tmp / "data/help");
    EXPECT_EQ(platform::helpTarget(data, bin, "archivo.htm"),
              "file:///" + data + "help\\archivo.htm");
}
