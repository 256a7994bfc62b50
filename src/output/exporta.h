// The text list and the web page of the current file, shown with the desktop's viewer and
// browser. The files stay until the program ends, so that a viewer still finds them.
#pragma once

#include "core/exports.h"
#include "platform/services.h"

#include <QObject>
#include <QStringList>

namespace output {

// The export files this run has made; they are removed when this object goes (with the main
// window, at exit).
class ExportFiles : public QObject {
  public:
    explicit ExportFiles(QObject* parent) : QObject(parent) {}
    ~ExportFiles() override;
    bool madeHere(const QString& path) const { return made_.contains(path); }
    void add(const QString& path);

  private:
    QStringList made_;
};

// programDir + "faatmp01." + extension, or empty when nothing is to be exported: an existing
// file that this run did not make is replaced only when the user agrees.
QString newtextfile(platform::Services& services, ExportFiles& files, const QString& programDir,
                    const QString& extension);

void exportTextList(platform::Services& services, ExportFiles& files, const QString& programDir,
                    const QString& dataFile, bool persons);

void exportWebPage(platform::Services& services, ExportFiles& files, const QString& programDir,
                   const QString& dataFile, bool persons, const core::PageStyle& style);

} // namespace output
