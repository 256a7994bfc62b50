// Contacts in and out through CSV tables: the import into the working file of the view, with
// the question about the columns of an unknown table, and the export in either layout.
#include "core/csvmap.h"
#include "fileops/csvdialogs.h"
#include "support/mainwindow_fixture.h"

#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>

using namespace testsupport;
using platform::Prompter;
namespace fs = std::filesystem;

namespace {

class CsvContactsTest : public MainWindowTest {
  protected:
    QString q(const fs::path& p) const { return QString::fromStdString(p.string()); }
    const Message& last() const { return fakes.prompter.messages.back(); }
    void importFile(const fs::path& csv, int answer = Prompter::Yes) {
        fakes.fileDialogs.openAnswers = {q(csv)};
        fakes.prompter.messages.clear();
        fakes.prompter.answers = {answer};
        window->ImportarCSV1Click();
    }
};

} // namespace

TEST_F(CsvContactsTest, AnUnknownTableIsMappedByTheUserAndEachRowAddedOnce) {
    ordinaryStart({personRecord("ANA", "1")});
    start();
    writeBytes(dir / "clientes.csv", "Cliente;Tel;Deuda\r\nAna;1;3\r\nBeto;2;4\r\n;;9\r\n");
    bool acceptedEmpty = true;
    fakes.modal.drive = [&](QDialog* dialog) {
        auto* columns = qobject_cast<ColumnasCSV*>(dialog);
        ASSERT_NE(columns, nullptr);
        ASSERT_EQ(columns->campos.size(), 3u);
        acceptedEmpty = columns->Aceptar->isEnabled(); // nothing assigned yet
        columns->campos[0]->setCurrentIndex(1 + core::person::Name);
        columns->campos[1]->setCurrentIndex(1 + core::person::Phone);
        columns->Aceptar->click();
    };
    importFile(dir / "clientes.csv");
    EXPECT_FALSE(acceptedEmpty);
    EXPECT_EQ(fakes.fileDialogs.openRuns.at(0).title, "Importar contactos (CSV)");
    ASSERT_EQ(fakes.prompter.messages.size(), 2u);
    EXPECT_EQ(fakes.prompter.messages[0].text,
              "Se encontraron 2 contactos en el archivo " + q(dir / "clientes.csv") +
                  ". ¿Desea agregarlos al archivo de Personas " + q(personsFile()) + "?");
    EXPECT_EQ(last().text, "Se agregaron 1 contactos al archivo.\n"
                           "Ya estaban en el archivo (no se agregaron otra vez): 1\n"
                           "Textos recortados al largo de su campo: 0\n"
                           "Caracteres reemplazados por \"?\" (no existen en el archivo): 0\n"
                           "Filas sin datos en las columnas importadas (omitidas): 1");
    EXPECT_EQ(namesIn(personsFile()), (std::vector<std::string>{"ANA", "BETO"}));
    EXPECT_EQ(window->barra->maximum(), 2);
    const std::string once = readBytes(personsFile());

    // Closing the question about the columns imports nothing.
    fakes.modal.drive = [](QDialog* dialog) { dialog->reject(); };
    importFile(dir / "clientes.csv");
    EXPECT_TRUE(fakes.prompter.messages.empty());

    // The program's own header needs no question; a table that is no table changes nothing.
    const int shown = fakes.modal.shown;
    writeBytes(dir / "propia.csv", core::csvHeader(true, core::CsvLayout::Own) + "Eva,5\r\n");
    importFile(dir / "propia.csv");
    EXPECT_EQ(fakes.modal.shown, shown);
    ASSERT_EQ(fakes.prompter.messages.size(), 1u);
    EXPECT_EQ(last().text, "La fila de la línea 2 tiene 2 campos, y la fila de encabezados 9. "
                           "No se importó ningún contacto.");
    EXPECT_EQ(last().title, "Error al importar contactos");
    EXPECT_EQ(last().icon, Prompter::Icon::Error);
    writeBytes(dir / "vacia.csv", "Nombre;Tel\r\n");
    importFile(dir / "vacia.csv");
    EXPECT_EQ(last().text, "El archivo solo tiene la fila de encabezados, no contiene ningún "
                           "contacto. No se importó ningún contacto.");
    EXPECT_EQ(readBytes(personsFile()), once);
    EXPECT_FALSE(fs::exists(dir / "tmpingre.tmp"));
}

TEST_F(CsvContactsTest, ExportAsksForTheLayoutAndWritesTheWholeFile) {
    const std::vector<core::Record> companies = {companyRecord("ACME", "TALLER"),
                                                 companyRecord("BETA; S.A.", "PAN")};
    ordinaryStart({personRecord("ANA", "1")}, companies);
    start();
    window->SpeedButton6Click();
    fakes.modal.drive = [](QDialog* dialog) {
        auto* format = qobject_cast<FormatoCSV*>(dialog);
        ASSERT_NE(format, nullptr);
        EXPECT_TRUE(format->propias->isChecked());
        format->correoweb->setChecked(true);
        format->Aceptar->click();
    };
    fakes.fileDialogs.saveAnswers = {q(dir / "todas")};
    window->ExportarCSV1Click();
    const auto& run = fakes.fileDialogs.saveRuns.at(0);
    EXPECT_EQ(run.title, "Exportar a CSV");
    EXPECT_EQ(run.fileName, "empresas.csv");
    EXPECT_EQ(last().text, "Se guardaron 2 contactos en el archivo " + q(dir / "todas.csv"));
    EXPECT_EQ(last().title, "Exportar a CSV");
    const std::string bytes = readBytes(dir / "todas.csv");
    EXPECT_EQ(bytes.substr(0, 3 + core::csvHeader(false, core::CsvLayout::WebMail).size()),
              "\xEF\xBB\xBF" + core::csvHeader(false, core::CsvLayout::WebMail));
    const core::CsvMapping web =
        core::csvMappingFor(core::csv::Reader(dir / "todas.csv").header(), false);
    EXPECT_EQ(core::readCsvFile(dir / "todas.csv", false, web).records, companies);

    // Closing the question writes nothing and asks for no file.
    fakes.modal.drive = [](QDialog* dialog) { dialog->reject(); };
    window->ExportarCSV1Click();
    EXPECT_EQ(fakes.fileDialogs.saveRuns.size(), 1u);
}
