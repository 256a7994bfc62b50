// The import of a version-1 file into a new data file, behind the progress window.
#include "core/changelabel.h"
#include "core/datafile.h"
#include "core/fileio.h"
#include "core/rewrite.h"
#include "core/version1.h"
#include "fileops/bprogreso.h"
#include "mainwindow/zuzovi2.h"
#include "platform/text.h"
#include "records/archivos.h"
#include "records/escritura.h"

using platform::Prompter;
using platform::toPath;

namespace {

QString fileNamePart(const QString& path) {
    return path.mid(std::max(path.lastIndexOf('/'), path.lastIndexOf('\\')) + 1);
}

} // namespace

void TForm1::ExportarTevoAgenda11Click() {
    platform::FileDialogs& dialogs = *services_.fileDialogs;
    Prompter& prompter = *services_.prompter;
    dialogs.open.title = "Importar archivo desde Tevo Riviva 1";
    dialogs.open.filter = "Archivo de personas, versión 1|vivazo01.dat|Archivo de empresas, "
                          "versión 1|dodidi02.dat";
    const std::optional<QString> source = dialogs.runOpen(this);
    if (!source)
        return;
    if (prompter.messageDialog("Esto tardara unos segundos. ¿Esta seguro que desea continuar?",
                               Prompter::Icon::Confirmation,
                               Prompter::Yes | Prompter::No) != Prompter::Yes)
        return;
    const auto kind = core::version1Kind(fileNamePart(*source).toStdString());
    if (!kind)
        return;
    prompter.messageBox("Ahora debe elegir la ubicación y el nombre para el nuevo archivo "
                        "actualizado a este versión. El archivo original se mantendrá igual.",
                        "Información");
    if (!core::fileio::exists(toPath(*source))) {
        prompter.messageBox("No seleccionó un archivo válido. No se puede realizar la operación.",
                            "Error al convertir archivo.");
        return;
    }
    const bool persons = *kind == core::Version1Kind::Persons;
    const std::optional<QString> chosen = dialogs.runSave(this);
    if (!chosen)
        return;
    const QString target = records::withDataExtension(*chosen);
    const QString notImported =
        persons ? "No se importo archivo de Personas" : "No se importo archivo de Organizaciones";
    // Creating the new file must never empty the version-1 file or a working file.
    if (records::isOneOf(target, {*source})) {
        prompter.messageBox("Debe especificar un nuevo archivo", notImported);
        return;
    }
    if (records::isOneOf(target, {rutap_, rutae_})) {
        prompter.messageBox(records::inUseText(target), notImported);
        return;
    }
    if (!records::sobreescribir(services_, target)) {
        prompter.messageBox("Debe especificar un nuevo archivo", notImported);
        return;
    }

    core::Version1File version1(toPath(*source));
    TForm6 progress(this);
    const int savedWidth = width();
    hide();
    progress.setMaximum(version1.count());
    progress.show();
    core::RewriteResult result;
    try {
        const std::vector<core::Record> batch = version1.readAll(*kind);
        const core::ChangeLabel label("importar " + std::to_string(batch.size()) +
                                      " contactos de Tevo Riviva 1");
        // The new file appears whole, or an existing one is replaced whole, in one rename.
        result = core::replaceWithRecords(
            toPath(target), batch, [&progress](std::int64_t done) { progress.setPosition(done); });
    } catch (...) {
        // The error goes on to its box; the program must not stay without a window.
        show();
        setWindowWidth(savedWidth);
        throw;
    }
    show();
    refreshAfterChange(savedWidth);
    records::reportRewriteFailure(services_, target, result.failure,
                                  persons ? core::kTagPerson : core::kTagCompany);
    if (result.position == core::kRewriteFailed)
        return;
    prompter.messageBox(
        "Se ha creado satisfactoriamente el nuevo archivo compatible con esta versión.",
        persons ? "Importación de archivo de personas"
                : "Importación de archivo de organizaciones");
    progress.close();
    version1.close();
}
