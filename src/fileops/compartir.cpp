// Copying data between data files: a copy of the current file, and the record in view added to
// another file or saved into a new one.
#include "core/changelabel.h"
#include "core/datafile.h"
#include "core/filecopy.h"
#include "core/rewrite.h"
#include "fileops/bprogreso.h"
#include "mainwindow/zuzovi2.h"
#include "platform/text.h"
#include "records/archivos.h"
#include "records/escritura.h"

#include <QLabel>
#include <QScrollBar>

using platform::Prompter;
using platform::toPath;

namespace {

// The record in view, as the display fields show it.
core::Record recordInView(const TForm1& window) {
    core::Record record;
    const auto texts = window.displayedTexts();
    for (int i = 0; i < core::kSlotCount; ++i)
        record.texts[i] = platform::fromQ(texts[i]);
    record.tag = window.currentViewIsPersons() ? core::kTagPerson : core::kTagCompany;
    return record;
}

} // namespace

void TForm1::SaveAs1Click() {
    const QString source = currentFile();
    // A working file is never the target: the copy would replace it under the window.
    const QString target = records::chooseNewFile(services_, this, {rutap_, rutae_});
    if (target.isEmpty())
        return;
    TForm6 progress(this);
    progress.accion->setText("Copiando archivo ...");
    progress.setMaximum(core::recordCount(toPath(source)));
    progress.show();
    const core::ChangeLabel label("guardar una copia del archivo");
    const core::RewriteResult result =
        core::copyDataFile(toPath(source), toPath(target),
                           [&progress](std::int64_t done) { progress.setPosition(done); });
    progress.close();
    records::reportRewriteFailure(services_, target, result.failure,
                                  persons_ ? core::kTagPerson : core::kTagCompany);
}

void TForm1::maderirClick() {
    platform::FileDialogs& dialogs = *services_.fileDialogs;
    Prompter& prompter = *services_.prompter;
    const int savedWidth = width();
    dialogs.open.filter = "Archivo Tevo Riviva 2 (DAT)|*.dat";
    dialogs.open.title = "Adherir registro a un archivo existente";
    if (persons_)
        prompter.messageBox(
            "Seleccione el archivo de tipo Personas al cual desea adherir este registro.",
            "Adherir registro de personas a archivo.");
    else
        prompter.messageBox("Seleccione el archivo de tipo Organizaciones (Empresas) al cual "
                            "desea adherir este registro.",
                            "Adherir registro de Organización a archivo.");
    const std::optional<QString> chosen = dialogs.runOpen(this);
    if (!chosen)
        return;
    // The other view's working file is of the other kind even while it is empty, when it
    // passes both type tests.
    const bool otherWorkingFile = records::isOneOf(*chosen, {persons_ ? rutae_ : rutap_});
    if (otherWorkingFile ||
        !(persons_ ? core::esdepersonas(toPath(*chosen)) : core::esdeempresas(toPath(*chosen)))) {
        records::reportWrongKind(services_, persons_);
        return;
    }
    // A rewrite that kept the file has shown its own error; no confirmation follows it.
    {
        const core::ChangeLabel label(records::changeLabel("adherir", recordInView(*this)));
        if (records::ingresardatos(services_, *chosen, recordInView(*this), -1) ==
            core::kRewriteFailed)
            return;
    }
    prompter.messageBox("Se ingreso correctamente el registro", "Confirmación");
    // A working file has changed under the window: its count and scroll range follow it, and
    // the record in view stays (an equal name goes after it).
    if (records::isOneOf(*chosen, {rutap_, rutae_})) {
        const std::int64_t inView = current_;
        refreshAfterChange(savedWidth);
        if (barra->isEnabled())
            barra->setValue(static_cast<int>(std::min<std::int64_t>(inView + 1, barra->maximum())));
    }
}

void TForm1::mregistroennuevoClick() {
    Prompter& prompter = *services_.prompter;
    services_.fileDialogs->save.filter = "Archivo Tevo Riviva 2 (DAT)|*.dat";
    if (persons_)
        prompter.messageBox("A continuación cree un nuevo archivo .",
                            "Adherir registro de Personas a archivo nuevo.");
    else
        prompter.messageBox("A continuación cree un nuevo archivo.",
                            "Adherir registro de Organización a archivo nuevo.");
    const QString target = records::chooseNewFile(services_, this, {rutap_, rutae_});
    if (target.isEmpty())
        return;
    // The file appears, or an existing one is replaced, with the record in it, in one step.
    const core::ChangeLabel label(
        records::changeLabel("guardar en archivo nuevo", recordInView(*this)));
    const core::RewriteResult result =
        core::replaceWithRecords(toPath(target), {recordInView(*this)});
    records::reportRewriteFailure(services_, target, result.failure,
                                  persons_ ? core::kTagPerson : core::kTagCompany);
    if (result.position == core::kRewriteFailed)
        return;
    prompter.messageBox(persons_ ? "Se ingreso correctamente el registro al archivo de Personas: " +
                                       target
                                 : "Se ingreso correctamente el registro al archivo de "
                                   "Organizaciones (Empresas)" +
                                       target,
                        "Confirmación");
}
