// Where the program keeps its settings and data files, and where it finds its help pages: a
// portable copy keeps everything beside the program file; an installed copy keeps the user's
// files in the user's data folder and reads the help pages from the installed shared folder.
#pragma once

#include <QString>

namespace platform {

// The help pages of a copy installed under a prefix: "<prefix>/bin" holds the program file and
// "<prefix>/share/tevoriviva/help/" the pages. Ends with a separator.
QString installedHelpFolder(const QString& applicationDir);

// The program directory when none was given: the program file's folder when it already holds
// "inicio.ini", or when it is writable and is not the "bin" folder of an installed copy;
// otherwise the user's data folder, created when missing. Ends with a separator.
QString chooseProgramFolder(const QString& applicationDir, const QString& userDataDir);

// The "file:///" target of a help page: the "help" folder of the program directory when it has
// one, else the one beside the program file, else the installed pages when they exist, else the
// program directory's (so that the message for a missing page names the place a portable copy keeps
// them).
QString helpTarget(const QString& programDir, const QString& applicationDir, const QString& page);
// The same for the running program file.
QString helpTarget(const QString& programDir, const QString& page);

} // namespace platform
