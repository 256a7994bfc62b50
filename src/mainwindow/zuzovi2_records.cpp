// The record commands of the main window: new file, new and modified records, deletion.
#include "mainwindow/zuzovi2.h"

#include "core/changelabel.h"
#include "mainwindow/duplicados.h"
#include "records/archivos.h"
#include "records/escritura.h"
#include "records/ingreso.h"

using platform::Prompter;

void TForm1::New1Click() {
    records::newfile(services_, this);
}

void TForm1::bEliminarClick() {
    int savedWidth = width();
    if (services_.prompter->messageDialog(
            "Se eliminara el registro que esta viendo actualmente. ¿Desea continuar?",
            Prompter::Icon::Confirmation, Prompter::Yes | Prompter::No) != Prompter::Yes)
        return;
    const core::ChangeLabel label(records::changeLabel("eliminar", shown_));
    const std::int64_t result = records::eliminar(services_, currentFile(), current_, shown_);
    if (result == -1) {
        services_.prompter->messageBox("Se ha eliminado el registro satisfactoriamente.",
                                       "Confirmación", Prompter::Icon::None, Prompter::OK);
        refreshAfterChange(savedWidth);
    } else if (result == core::kRecordChanged) {
        refreshAfterChange(savedWidth); // the person has been told; show the file as it is now
    } else {
        services_.prompter->messageBox(
            "No se ha podido eliminar el registro. Para mas información vea la ayuda.",
            "Error (Cod. 105)", Prompter::Icon::None, Prompter::OK);
    }
}

void TForm1::openEntryDialog(bool person, bool isNew) {
    doPersona_ = person;
    isInput_ = isNew;
    TForm4 dialog(this);
    dialog.FormShow(); // an error here ends the command; the dialog never appears
    services_.modal->exec(&dialog);
}

void TForm1::Persona1Click() {
    openEntryDialog(true, true);
}
void TForm1::empresas1Click() {
    openEntryDialog(false, true);
}
void TForm1::bNuevo2Click() {
    openEntryDialog(persons_, true);
}
void TForm1::bmodificarClick() {
    openEntryDialog(persons_, false);
}

void TForm1::mduplicadosClick() {
    const int savedWidth = width();
    TForm9 window(services_, this, currentFile(), persons_, programDir_);
    if (!window.FormShow())
        return;
    services_.modal->exec(&window);
    if (window.mergesWritten() > 0)
        refreshAfterChange(savedWidth);
}
