#include "output/exporta.h"

#include "comm/openbronswer.h"
#include "core/fileio.h"
#include "platform/text.h"
#include "records/archivos.h"

namespace output {

using platform::toPath;

ExportFiles::~ExportFiles() {
    for (const QString& path : made_)
        core::fileio::removeQuietly(toPath(path));
}

void ExportFiles::add(const QString& path) {
    if (!made_.contains(path))
        made_ << path;
}

QString newtextfile(platform::Services& services, ExportFiles& files, const QString& programDir,
                    const QString& extension) {
    const QString path = programDir + "faatmp01." + extension;
    if (files.madeHere(path) || records::sobreescribir(services, path))
        return path;
    return {};
}

void exportTextList(platform::Services& services, ExportFiles& files, const QString& programDir,
                    const QString& dataFile, bool persons) {
    const QString path = newtextfile(services, files, programDir, "txt");
    if (path.isEmpty())
        return;
    // Registered first: a list left half-written by a failure is the program's own as well.
    files.add(path);
    core::writeTextList(toPath(dataFile), persons, toPath(path));
    if (!services.viewer->showTextFile(path))
        services.prompter->messageDialog(comm::refusedText(path), platform::Prompter::Icon::Error,
                                         platform::Prompter::OK);
}

void exportWebPage(platform::Services& services, ExportFiles& files, const QString& programDir,
                   const QString& dataFile, bool persons, const core::PageStyle& style) {
    const QString path = newtextfile(services, files, programDir, "htm");
    if (path.isEmpty())
        return;
    files.add(path);
    core::writeWebPage(toPath(dataFile), persons, dataFile.toStdString(), style, toPath(path));
    comm::openbronswer(services, "file:///" + path);
}

} // namespace output
