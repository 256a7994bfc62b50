// Contacts in and out: a vCard file's cards added to the working file of the view, the whole
// working file or the record in view written as vCard for phones and mail programs.
#include "core/changelabel.h"
#include "core/datafile.h"
#include "core/fileio.h"
#include "core/ioerror.h"
#include "core/rewrite.h"
#include "core/vcardmap.h"
#include "fileops/bprogreso.h"
#include "mainwindow/zuzovi2.h"
#include "platform/text.h"
#include "records/archivos.h"
#include "records/escritura.h"

#include <QLabel>
#include <cerrno>

using platform::Prompter;
using platform::toPath;

namespace {

const QString kVcfFilter = "Contactos vCard (*.vcf)|*.vcf";

QString readErrorText(core::vcard::ReadError error, std::size_t line) {
    using E = core::vcard::ReadError;
    const QString at = QString::number(line);
    QString why;
    switch (error) {
    case E::Empty:
        why = "El archivo está vacío, no contiene ningún contacto.";
        break;
    case E::NotVCard:
        why = "El archivo seleccionado no es un archivo de contactos vCard (debe comenzar con "
              "BEGIN:VCARD).";
        break;
    case E::NulByte:
        why = "El archivo contiene caracteres nulos (línea " + at +
              "), no es un archivo de texto vCard.";
        break;
    case E::LineTooLong:
        why = "La línea " + at + " del archivo es demasiado larga para ser parte de un contacto.";
        break;
    case E::Unterminated:
        why = "El contacto que comienza en la línea " + at +
              " no termina con END:VCARD. El archivo está incompleto o dañado.";
        break;
    case E::BadQuotedPrintable:
        why =
            "La línea " + at + " del archivo tiene un texto codificado (QUOTED-PRINTABLE) dañado.";
        break;
    case E::None:
        break;
    }
    return why + " No se importó ningún contacto.";
}

// A file name for the save dialog made of a record's name: the characters no file name may
// hold become "_".
QString suggestedName(const QString& name) {
    QString out = name.trimmed();
    for (QChar& c : out)
        if (QString("/\\:*?\"<>|").contains(c) || c.unicode() < 0x20)
            c = '_';
    return (out.isEmpty() ? QString("contacto") : out) + ".vcf";
}

} // namespace

std::optional<QString> TForm1::askExportFile(const QString& title, const QString& suggested,
                                             const QString& filter, const QString& ext) {
    platform::FileDialogs& dialogs = *services_.fileDialogs;
    dialogs.save.title = title;
    dialogs.save.filter = filter;
    // The name and extension belong to the data files' commands; they get theirs back.
    const QString keptName = dialogs.save.fileName, keptExt = dialogs.save.defaultExt;
    dialogs.save.fileName = suggested;
    dialogs.save.defaultExt = ext;
    std::optional<QString> chosen = dialogs.runSave(this);
    dialogs.save.fileName = keptName;
    dialogs.save.defaultExt = keptExt;
    if (!chosen)
        return std::nullopt;
    QString target = *chosen;
    const bool named = target.endsWith("." + ext, Qt::CaseInsensitive);
    if (!named)
        target += "." + ext;
    if (records::isOneOf(target, {rutap_, rutae_})) {
        services_.prompter->messageBox(records::inUseText(target), "No se exportaron contactos");
        return std::nullopt;
    }
    // The dialog asked about the name it returned; a name the extension changed is asked here.
    if (!named && !records::sobreescribir(services_, target))
        return std::nullopt;
    return target;
}

std::optional<QString> TForm1::askVcfFile(const QString& title, const QString& suggested) {
    return askExportFile(title, suggested, kVcfFilter, "vcf");
}

std::optional<QString> TForm1::askImportFile(const QString& title, const QString& filter) {
    const QString target = currentFile();
    // A working file that cannot be written is refused before anything is read.
    if (core::fileio::isReadOnly(toPath(target)))
        throw core::IoError(EACCES, target.toStdString());
    if (core::fileio::exists(toPath(target)) &&
        !(persons_ ? core::esdepersonas(toPath(target)) : core::esdeempresas(toPath(target)))) {
        records::reportWrongKind(services_, persons_);
        return std::nullopt;
    }
    platform::FileDialogs& dialogs = *services_.fileDialogs;
    dialogs.open.title = title;
    dialogs.open.filter = filter;
    return dialogs.runOpen(this);
}

void TForm1::addImportedContacts(std::vector<core::Record>&& records,
                                 const core::CardLosses& losses, const QString& source,
                                 const QString& format, const QString& notes) {
    Prompter& prompter = *services_.prompter;
    const QString target = currentFile();
    const bool persons = persons_;
    const QString question =
        QString("Se encontraron %1 contactos en el archivo %2. ¿Desea agregarlos al archivo de %3 "
                "%4?")
            .arg(records.size())
            .arg(source, persons ? "Personas" : "Organizaciones (Empresas)", target);
    if (prompter.messageDialog(question, Prompter::Icon::Confirmation,
                               Prompter::Yes | Prompter::No) != Prompter::Yes)
        return;

    const int savedWidth = width();
    const core::NewRecords fresh = core::newRecordsFor(toPath(target), std::move(records));
    core::RewriteResult result;
    {
        const core::ChangeLabel label(QString("importar %1 contactos (%2)")
                                          .arg(fresh.records.size())
                                          .arg(format)
                                          .toStdString());
        TForm6 progress(this);
        progress.accion->setText("Importando contactos ...");
        progress.setMaximum(static_cast<std::int64_t>(fresh.records.size()));
        result = core::insertRecords(toPath(target), fresh.records, [&progress](std::int64_t done) {
            progress.setPosition(done);
        });
    }
    refreshAfterChange(savedWidth);
    records::reportRewriteFailure(services_, target, result.failure,
                                  persons ? core::kTagPerson : core::kTagCompany);
    if (result.position == core::kRewriteFailed)
        return;
    QString summary = QString("Se agregaron %1 contactos al archivo.\n"
                              "Ya estaban en el archivo (no se agregaron otra vez): %2\n"
                              "Textos recortados al largo de su campo: %3\n"
                              "Caracteres reemplazados por \"?\" (no existen en el archivo): %4")
                          .arg(fresh.records.size())
                          .arg(fresh.present)
                          .arg(losses.cut)
                          .arg(losses.replaced);
    if (losses.emailsInNotes > 0)
        summary += QString("\nCorreos electrónicos guardados en las notas (sin campo propio): %1")
                       .arg(losses.emailsInNotes);
    prompter.messageBox(summary + notes, "Importación de contactos", Prompter::Icon::Information);
}

void TForm1::ImportarvCard1Click() {
    const std::optional<QString> source = askImportFile("Importar contactos (vCard)", kVcfFilter);
    if (!source)
        return;
    core::VCardFile read = core::readVCardFile(toPath(*source), persons_);
    if (read.error != core::vcard::ReadError::None) {
        services_.prompter->messageBox(readErrorText(read.error, read.line),
                                       "Error al importar contactos", Prompter::Icon::Error);
        return;
    }
    addImportedContacts(std::move(read.records), read.losses, *source, "vCard");
}

void TForm1::ExportarvCard1Click() {
    const bool persons = persons_;
    const QString source = currentFile();
    const std::optional<QString> target =
        askVcfFile("Exportar a vCard", persons ? "personas.vcf" : "empresas.vcf");
    if (!target)
        return;
    const std::vector<core::Record> all = core::readAllRecords(toPath(source));
    core::writeVCardFile(toPath(*target), all, persons);
    services_.prompter->messageBox(
        QString("Se guardaron %1 contactos en el archivo %2").arg(all.size()).arg(*target),
        "Exportar a vCard", Prompter::Icon::Information);
}

void TForm1::mguardarvcardClick() {
    const bool persons = persons_;
    core::Record record;
    const auto texts = displayedTexts();
    for (int i = 0; i < core::kSlotCount; ++i)
        record.texts[i] = platform::fromQ(texts[i]);
    record.tag = persons ? core::kTagPerson : core::kTagCompany;
    const std::optional<QString> target =
        askVcfFile("Guardar registro como vCard", suggestedName(texts[0]));
    if (!target)
        return;
    core::writeVCardFile(toPath(*target), {record}, persons);
    services_.prompter->messageBox("Se guardó el registro en el archivo " + *target,
                                   "Guardar registro como vCard", Prompter::Icon::Information);
}
