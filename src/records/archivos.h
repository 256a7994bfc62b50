// Creating an empty data file through the shared save dialog, and the overwrite question.
#pragma once

#include "platform/services.h"

#include <QString>

class QWidget;

namespace records {

// Asks for a name and creates an empty data file there; the name, or empty when nothing was
// created.
QString newfile(platform::Services& services, QWidget* owner);

// True when the caller may create or replace the file.
bool sobreescribir(platform::Services& services, const QString& fileName);

// The name newfile creates for a chosen name: ".dat" appended unless the extension is exactly
// ".dat" or ".DAT".
QString withDataExtension(const QString& chosen);

// The shared dialogs' state when the program starts.
void initFileDialogs(platform::FileDialogs& dialogs);

} // namespace records
