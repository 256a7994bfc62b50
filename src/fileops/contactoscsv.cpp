// Contacts in and out of CSV tables: the rows of a spreadsheet's or a web-mail page's table
// added to the working file of the view, the whole working file written as a table.
#include "core/csvmap.h"
#include "core/fileio.h"
#include "fileops/csvdialogs.h"
#include "mainwindow/zuzovi2.h"
#include "platform/text.h"

using platform::Prompter;
using platform::toPath;

namespace {

const QString kCsvFilter = "Tablas CSV (*.csv)|*.csv|Todos los archivos (*.*)|*.*";

QString readErrorText(const core::CsvFile& read) {
    using E = core::csv::ReadError;
    const QString at = QString::number(read.line);
    QString why;
    switch (read.error) {
    case E::Empty:
        why = "El archivo está vacío, no contiene ningún contacto.";
        break;
    case E::Binary:
        why = "El archivo contiene caracteres de control (línea " + at +
              "): no es una tabla CSV de texto. Si es una hoja de cálculo, guárdela como "
              "\"CSV UTF-8\" o \"CSV (delimitado por comas)\".";
        break;
    case E::HeaderOnly:
        why = "El archivo solo tiene la fila de encabezados, no contiene ningún contacto.";
        break;
    case E::UnbalancedQuote:
        why = "Las comillas que abren un campo en la línea " + at +
              " no se cierran. El archivo está incompleto o dañado.";
        break;
    case E::RowTooLong:
        why = "La fila de la línea " + at + " es demasiado larga para ser un contacto.";
        break;
    case E::TooManyColumns:
        why = QString("La primera fila tiene más de %1 columnas, no es una tabla de contactos.")
                  .arg(core::csv::kMaxColumns);
        break;
    case E::Ragged:
        why = QString("La fila de la línea %1 tiene %2%3 campos, y la fila de encabezados %4.")
                  .arg(at, read.fields > read.columns ? "más de " : "")
                  .arg(read.fields > read.columns ? read.columns : read.fields)
                  .arg(read.columns);
        break;
    case E::None:
        break;
    }
    return why + " No se importó ningún contacto.";
}

void reportReadError(Prompter& prompter, const core::CsvFile& read) {
    prompter.messageBox(readErrorText(read), "Error al importar contactos", Prompter::Icon::Error);
}

} // namespace

void TForm1::ImportarCSV1Click() {
    const std::optional<QString> source = askImportFile("Importar contactos (CSV)", kCsvFilter);
    if (!source)
        return;
    const bool persons = persons_;
    // Open from the header to the last row, the question about the columns included.
    core::csv::Reader table(toPath(*source));
    if (table.error() != core::csv::ReadError::None) {
        core::CsvFile failed;
        failed.error = table.error();
        failed.line = table.line();
        failed.fields = table.fieldCount();
        failed.columns = table.header().size();
        reportReadError(*services_.prompter, failed);
        return;
    }
    core::CsvMapping mapping = core::csvMappingFor(table.header(), persons);
    if (!mapping.known) {
        ColumnasCSV columns(this, persons, table.header(), table.firstRow(), mapping.slotOf);
        if (services_.modal->exec(&columns) != QDialog::Accepted)
            return;
        mapping.slotOf = columns.chosenSlots();
    }
    core::CsvFile read = core::readCsvFile(table, persons, mapping);
    if (read.error != core::csv::ReadError::None) {
        reportReadError(*services_.prompter, read);
        return;
    }
    const QString notes =
        read.emptyRows > 0 ? QString("\nFilas sin datos en las columnas importadas (omitidas): %1")
                                 .arg(read.emptyRows)
                           : QString();
    addImportedContacts(std::move(read.records), read.losses, *source, "CSV", notes);
}

void TForm1::ExportarCSV1Click() {
    const bool persons = persons_;
    FormatoCSV format(this);
    if (services_.modal->exec(&format) != QDialog::Accepted)
        return;
    const std::optional<QString> target = askExportFile(
        "Exportar a CSV", persons ? "personas.csv" : "empresas.csv", kCsvFilter, "csv");
    if (!target)
        return;
    const std::int64_t count =
        core::writeCsvFile(toPath(currentFile()), persons, format.layout(), toPath(*target));
    services_.prompter->messageBox(
        QString("Se guardaron %1 contactos en el archivo %2").arg(count).arg(*target),
        "Exportar a CSV", Prompter::Icon::Information);
}
