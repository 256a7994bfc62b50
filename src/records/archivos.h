// Creating an empty data file through the shared save dialog, and the overwrite question.
#pragma once

#include "platform/services.h"

#include <QString>
#include <QStringList>

class QWidget;

namespace records {

// Asks for a name and creates an empty data file there; the name, or empty when nothing was
// created. A name that reaches one of the files in `keep` (the working files) is refused with a
// message before anything is asked or created.
QString newfile(platform::Services& services, QWidget* owner, const QStringList& keep = {});

// newfile's questions without the file: the name the caller may create or replace (the data
// extension added), or empty after the same messages. Nothing on disk changes, so that the
// caller can put the whole new content in place in one step.
QString chooseNewFile(platform::Services& services, QWidget* owner, const QStringList& keep = {});

// Whether the name reaches one of the files (links followed).
bool isOneOf(const QString& fileName, const QStringList& files);
// Why a command refuses to replace a file the program works with.
QString inUseText(const QString& fileName);

// True when the caller may create or replace the file.
bool sobreescribir(platform::Services& services, const QString& fileName);

// The name newfile creates for a chosen name: ".dat" appended unless the extension is exactly
// ".dat" or ".DAT".
QString withDataExtension(const QString& chosen);

// The shared dialogs' state when the program starts.
void initFileDialogs(platform::FileDialogs& dialogs);

} // namespace records
