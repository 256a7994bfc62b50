// The Edición menu's "Deshacer" and "Rehacer": the last change of the file in view taken back,
// or made again, from the versions kept beside it.
#include "mainwindow/zuzovi2.h"

#include "core/undo.h"
#include "platform/text.h"

#include <QAction>
#include <QScrollBar>
#include <QStatusBar>
#include <algorithm>

using platform::Prompter;
using platform::toQ;

namespace {

// A label is record text: an "&" in it is no mnemonic.
QString itemText(const char* verb, const std::string& label) {
    return label.empty() ? QString(verb)
                         : QString("%1: %2").arg(verb, toQ(label).replace("&", "&&"));
}

} // namespace

void TForm1::actualizarDeshacer() {
    core::undo::Offer offer;
    if (!noWorkingFiles_ && !currentFile().isEmpty())
        offer = core::undo::offer(platform::toPath(currentFile()));
    undoId_ = offer.undoId;
    redoId_ = offer.redoId;
    Deshacer1->setText(itemText("Deshacer", undoId_ ? offer.undoLabel : std::string()));
    Rehacer1->setText(itemText("Rehacer", redoId_ ? offer.redoLabel : std::string()));
    Deshacer1->setEnabled(undoId_ != 0);
    Rehacer1->setEnabled(redoId_ != 0);
    if (core::undo::takeKeepFailure())
        statusBar()->showMessage("No se pudo guardar la versión anterior del archivo: este "
                                 "último cambio no se podrá deshacer.",
                                 10000);
}

void TForm1::Deshacer1Click() {
    moverCambio(true);
}

void TForm1::Rehacer1Click() {
    moverCambio(false);
}

void TForm1::moverCambio(bool back) {
    actualizarDeshacer(); // the offer as the file's journal has it now
    const std::uint64_t id = back ? undoId_ : redoId_;
    if (id == 0)
        return;
    const QString what = (back ? Deshacer1 : Rehacer1)->text().section(": ", 1).replace("&&", "&");
    const QString title = back ? "Deshacer" : "Rehacer";
    const int savedWidth = width();
    const std::filesystem::path file = platform::toPath(currentFile());
    const core::undo::Result result =
        back ? core::undo::undoChange(file, id) : core::undo::redoChange(file, id);
    Prompter& prompter = *services_.prompter;
    switch (result.outcome) {
    case core::undo::Outcome::Done:
        refreshAfterChange(savedWidth);
        // The record that came back, or the one now where a record went away.
        if (barra->isEnabled() && result.record >= 0)
            barra->setValue(
                static_cast<int>(std::min<std::int64_t>(result.record + 1, barra->maximum())));
        statusBar()->showMessage((back ? "Se deshizo: " : "Se rehizo: ") + what, 6000);
        return;
    case core::undo::Outcome::Changed:
        prompter.messageBox("El archivo " + currentFile() +
                                " fue cambiado por otro programa después de \"" + what +
                                "\". Para no perder esos cambios no se ha modificado nada.",
                            title, Prompter::Icon::Warning, Prompter::OK);
        break;
    case core::undo::Outcome::Lost:
        prompter.messageBox("Ya no existe la versión guardada del archivo para \"" + what +
                                "\" (la carpeta " + core::undo::kVersionsFolder +
                                " fue borrada). No se ha modificado nada.",
                            title, Prompter::Icon::Warning, Prompter::OK);
        break;
    case core::undo::Outcome::Nothing:
        prompter.messageBox("El archivo fue cambiado desde otra ventana del programa. El menú "
                            "Edición muestra ahora lo que se puede deshacer.",
                            title, Prompter::Icon::Information, Prompter::OK);
        break;
    case core::undo::Outcome::Failed:
        prompter.messageBox("No se ha podido " + QString(back ? "deshacer" : "rehacer") +
                                " el cambio; el archivo quedó como estaba. Para mas información "
                                "vea la ayuda.",
                            title, Prompter::Icon::None, Prompter::OK);
        break;
    }
    refreshAfterChange(savedWidth);
}
