#include "platform/appfolders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace platform {

namespace {

QString withSeparator(QString dir) {
    if (!dir.endsWith('/'))
        dir += '/';
    return dir;
}

// Writable for the program as for a person: root, to whom every folder is open, still finds a
// folder without its owner-write bit read-only, as it does a data file.
bool isWritableFolder(const QString& dir) {
    QFileInfo info(dir);
    return info.isDir() && info.isWritable() && (info.permissions() & QFileDevice::WriteOwner);
}

} // namespace

QString installedHelpFolder(const QString& applicationDir) {
    return withSeparator(QDir::cleanPath(applicationDir + "/../share/tevoriviva/help"));
}

QString chooseProgramFolder(const QString& applicationDir, const QString& userDataDir) {
    QString dir = withSeparator(QFileInfo(applicationDir).absoluteFilePath());
    if (QFileInfo::exists(dir + "inicio.ini"))
        return dir;
    // An installed copy never writes into its own folder, even when it could (a copy under the
    // user's own prefix, or root's).
    bool installed = QFileInfo(installedHelpFolder(applicationDir)).isDir();
    if (!installed && isWritableFolder(dir))
        return dir;
    QDir().mkpath(userDataDir);
    return withSeparator(QFileInfo(userDataDir).absoluteFilePath());
}

QString helpTarget(const QString& programDir, const QString& applicationDir, const QString& page) {
    if (!QFileInfo(programDir + "help").isDir()) {
        // --dir puts the program directory elsewhere; the pages still lie beside the program.
        QString beside = withSeparator(QDir::cleanPath(applicationDir + "/help"));
        if (QFileInfo(beside).isDir())
            return "file:///" + beside + page;
        QString installed = installedHelpFolder(applicationDir);
        if (QFileInfo(installed).isDir())
            return "file:///" + installed + page;
    }
    return "file:///" + programDir + "help\\" + page;
}

QString helpTarget(const QString& programDir, const QString& page) {
    return helpTarget(programDir, QCoreApplication::applicationDirPath(), page);
}

} // namespace platform
