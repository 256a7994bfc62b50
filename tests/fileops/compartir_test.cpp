// Saving a copy of the current file, and the record in view added to another file or saved
// into a new one.
#include "core/fileio.h"
#include "support/mainwindow_fixture.h"

#include <QLabel>
#include <QScrollBar>

using namespace testsupport;
using platform::Prompter;
namespace fs = std::filesystem;

namespace {

class CopyTest : public MainWindowTest {
  protected:
    QString q(const fs::path& p) const { return QString::fromStdString(p.string()); }
    const Message& last() const { return fakes.prompter.messages.back(); }
    void expectLast(const QString& text, const QString& title) const {
        EXPECT_EQ(last().text, text);
        EXPECT_EQ(last().title, title);
    }
    QString inUse(const fs::path& p) const {
        return "El archivo " + q(p) +
               " está en uso como archivo de trabajo y no se puede reemplazar. Debe especificar "
               "un nuevo archivo";
    }
};

} // namespace

TEST_F(CopyTest, SaveAsCopiesWholeRecordsAndNeverReplacesAWorkingFile) {
    std::string bytes = bytesOf(personsNamed({"ZOE", "ANA", "BETO"})); // order kept as it is
    bytes[100] = 'x';                                                  // a meaningless byte
    notFirstRun();
    writeBytes(personsFile(), bytes);
    writeCompanies({});
    start();
    bytes += "fragment"; // grown since start-up, which refuses such a file
    writeBytes(personsFile(), bytes);
    fakes.fileDialogs.saveAnswers = {q(dir / "copia")};
    window->SaveAs1Click();
    EXPECT_EQ(readBytes(dir / "copia.dat"), bytes.substr(0, 3 * 1636));
    EXPECT_TRUE(fakes.prompter.messages.empty());
    EXPECT_TRUE(window->isVisible());

    for (const fs::path& working : {personsFile(), companiesFile()}) {
        fakes.fileDialogs.saveAnswers = {q(working)};
        window->SaveAs1Click();
        ASSERT_EQ(fakes.prompter.messages.size(), 1u); // no overwrite question before it
        expectLast(inUse(working), "No se creó archivo nuevo");
        fakes.prompter.messages.clear();
    }
    EXPECT_EQ(readBytes(personsFile()), bytes);
}

TEST_F(CopyTest, AdherirAddsTheRecordInViewToFilesOfItsKindOnly) {
    ordinaryStart(personsNamed({"ANA", "BETO"}), companiesNamed({"ACME"}));
    start();
    window->barra->setValue(2); // BETO
    writeBytes(dir / "vacio.dat", "");
    fakes.fileDialogs.openAnswers = {q(dir / "vacio.dat"), q(companiesFile()), q(personsFile())};

    window->maderirClick();
    EXPECT_EQ(fakes.fileDialogs.open.filter, "Archivo Tevo Riviva 2 (DAT)|*.dat");
    EXPECT_EQ(fakes.prompter.messages[0].text,
              "Seleccione el archivo de tipo Personas al cual desea adherir este registro.");
    EXPECT_EQ(fakes.prompter.messages[0].title, "Adherir registro de personas a archivo.");
    expectLast("Se ingreso correctamente el registro", "Confirmación");
    EXPECT_EQ(core::readRecord(dir / "vacio.dat", 0), personRecord("BETO", "tel BETO"));
    EXPECT_EQ(core::recordCount(dir / "vacio.dat"), 1);

    const std::string companies = readBytes(companiesFile());
    window->maderirClick();
    expectLast("El archivo seleccionado no es válido para ingresar registro. (no es de tipo "
               "personas)",
               "Error, No se ingreso registro al archivo (Código 108)");
    EXPECT_EQ(readBytes(companiesFile()), companies);

    // Into the working file itself: a second copy in name order, and the window follows.
    window->maderirClick();
    EXPECT_EQ(namesIn(personsFile()), (std::vector<std::string>{"ANA", "BETO", "BETO"}));
    EXPECT_EQ(window->barra->maximum(), 3);
    EXPECT_EQ(window->visorreg->text(), "2");
    EXPECT_EQ(field(core::person::Name), "BETO");

    // A rewrite that keeps the file shows its error and no confirmation.
    writeBytes(dir / "vacio.dat", "");
    fakes.fileDialogs.openAnswers = {q(dir / "vacio.dat")};
    core::fileio::clearFaults();
    window->maderirClick();
    const long calls = core::fileio::callCount(); // the last two: rename, folder flush
    writeBytes(dir / "vacio.dat", "");
    fakes.fileDialogs.openAnswers = {q(dir / "vacio.dat")};
    fakes.prompter.messages.clear();
    core::fileio::setFaults({calls - 1, EIO, -1});
    window->maderirClick();
    core::fileio::clearFaults();
    EXPECT_EQ(last().text, "Error, no se pudo ingresar registro [Rename error] (Código:104) " +
                               q(dir / "vacio.dat"));
    EXPECT_EQ(fs::file_size(dir / "vacio.dat"), 0u);
}

TEST_F(CopyTest, RegistroEnArchivoNuevoCreatesTheFileAfterItsQuestions) {
    ordinaryStart(personsNamed({"ANA"}), companiesNamed({"ACME"}));
    start();
    fakes.fileDialogs.saveAnswers = {q(dir / "uno")};
    window->mregistroennuevoClick();
    EXPECT_EQ(fakes.fileDialogs.save.filter, "Archivo Tevo Riviva 2 (DAT)|*.dat");
    EXPECT_EQ(fakes.prompter.messages[0].text, "A continuación cree un nuevo archivo .");
    expectLast("Se ingreso correctamente el registro al archivo de Personas: " + q(dir / "uno.dat"),
               "Confirmación");
    EXPECT_EQ(namesIn(dir / "uno.dat"), std::vector<std::string>{"ANA"});

    // An existing name: the overwrite question, declined, leaves it alone.
    fakes.prompter.messages.clear();
    fakes.prompter.answers = {Prompter::OK, Prompter::No};
    fakes.fileDialogs.saveAnswers = {q(dir / "uno.dat")};
    window->mregistroennuevoClick();
    EXPECT_EQ(fakes.prompter.texts(),
              QStringList({"A continuación cree un nuevo archivo .",
                           "El archivo " + q(dir / "uno.dat") +
                               " ya existe ¿Desea sobre escribir el archivo?",
                           "No se creó archivo nuevo"}));
    EXPECT_EQ(core::recordCount(dir / "uno.dat"), 1);

    // Companies: no separator before the name; a company never lands in the persons file.
    window->SpeedButton6Click();
    fakes.fileDialogs.saveAnswers = {q(dir / "dos.DAT")};
    window->mregistroennuevoClick();
    EXPECT_EQ(fakes.prompter.messages[fakes.prompter.messages.size() - 2].title,
              "Adherir registro de Organización a archivo nuevo.");
    expectLast("Se ingreso correctamente el registro al archivo de Organizaciones (Empresas)" +
                   q(dir / "dos.DAT"),
               "Confirmación");
    EXPECT_EQ(core::readRecord(dir / "dos.DAT", 0), companyRecord("ACME", "rubro ACME"));
    fakes.fileDialogs.openAnswers = {q(personsFile())};
    window->maderirClick();
    expectLast("El archivo seleccionado no es valido para ingresar registro porque no es un "
               "archivo de Organizaciones.",
               "Error, No se ingreso registro al archivo (Código 109)");
    EXPECT_EQ(namesIn(personsFile()), std::vector<std::string>{"ANA"});
}
