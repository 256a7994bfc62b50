// Saving a copy of the current file, and the record in view added to another file or saved
// into a new one.
#include "core/fileio.h"
#include "support/mainwindow_fixture.h"

#include <QAction>
#include <QLabel>
#include <QScrollBar>
#include <functional>
#include <optional>

using namespace testsupport;
using platform::Prompter;
namespace fs = std::filesystem;

namespace {

// Whether call n closes the old file or the source once the new content is complete in the
// temporary file: that failure is reported and the replacement goes on.
bool closesOldFileOfCopy(const std::vector<std::string>& calls, long n) {
    const std::string& call = calls[n - 1];
    const auto temp = std::string("tmpingre.tmp");
    const auto isTemp = [&](const std::string& c) {
        return c.size() >= temp.size() && c.compare(c.size() - temp.size(), temp.size(), temp) == 0;
    };
    if (call.rfind("close ", 0) != 0 || isTemp(call))
        return false;
    for (long i = 0; i < n - 1; ++i)
        if (calls[i].rfind("close ", 0) == 0 && isTemp(calls[i]))
            return true;
    return false;
}

class CopyTest : public MainWindowTest {
  protected:
    QString q(const fs::path& p) const { return QString::fromStdString(p.string()); }
    const Message& last() const { return fakes.prompter.messages.back(); }
    void expectLast(const QString& text, const QString& title) const {
        EXPECT_EQ(last().text, text);
        EXPECT_EQ(last().title, title);
    }
    std::optional<std::string> content(const fs::path& target) const {
        if (!fs::exists(target))
            return std::nullopt;
        return readBytes(target);
    }
    // Runs `command` with a failure at each file call in turn, after `prepare` has given the
    // dialogs their answers; the target starts as `before` (absent for none) each time. Until
    // the rename over it the target must stay byte for byte as it was, afterwards it is wholly
    // `after`, and no temporary file stays beside it.
    void expectWholeAtEveryCall(const fs::path& target, const std::optional<std::string>& before,
                                const std::string& after, const std::function<void()>& prepare,
                                const std::function<void()>& command) {
        const auto reset = [&] {
            if (before)
                writeBytes(target, *before);
            else
                fs::remove(target);
            prepare();
        };
        reset();
        command(); // notes the folder for the tidy-up at start, once
        reset();
        std::vector<std::string> calls;
        core::fileio::clearFaults();
        core::fileio::traceCalls(&calls);
        command();
        core::fileio::traceCalls(nullptr);
        ASSERT_TRUE(content(target) == after);
        long rename = 0;
        for (std::size_t i = 0; i < calls.size(); ++i)
            if (calls[i].rfind("rename ", 0) == 0 && calls[i].size() > target.string().size() &&
                calls[i].compare(calls[i].size() - target.string().size(), std::string::npos,
                                 target.string()) == 0)
                rename = static_cast<long>(i) + 1;
        ASSERT_GT(rename, 0);
        for (long n = 1; n <= static_cast<long>(calls.size()); ++n) {
            const bool whole = n > rename || closesOldFileOfCopy(calls, n);
            reset();
            core::fileio::setFaults({n, EIO, -1});
            try {
                command();
            } catch (const core::IoError&) {
            }
            core::fileio::clearFaults();
            EXPECT_TRUE(content(target) == (whole ? std::optional<std::string>(after) : before))
                << calls[n - 1];
            EXPECT_FALSE(fs::exists(target.parent_path() / "tmpingre.tmp")) << calls[n - 1];
        }
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
    EXPECT_EQ(window->Deshacer1->text(), "Deshacer: adherir BETO");

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

TEST_F(CopyTest, AdherirRefusesTheOtherViewsWorkingFileEvenWhenItIsEmpty) {
    ordinaryStart(personsNamed({"ANA"}), {});
    start();
    fakes.fileDialogs.openAnswers = {q(companiesFile())};
    window->maderirClick();
    expectLast("El archivo seleccionado no es válido para ingresar registro. (no es de tipo "
               "personas)",
               "Error, No se ingreso registro al archivo (Código 108)");
    EXPECT_EQ(fs::file_size(companiesFile()), 0u);

    writePersons({});
    window->SpeedButton6Click();
    writeCompanies(companiesNamed({"ACME"}));
    window->SpeedButton6Click();
    fakes.fileDialogs.openAnswers = {q(personsFile())};
    window->maderirClick();
    expectLast("El archivo seleccionado no es valido para ingresar registro porque no es un "
               "archivo de Organizaciones.",
               "Error, No se ingreso registro al archivo (Código 109)");
    EXPECT_EQ(fs::file_size(personsFile()), 0u);
}

// More records than one block of the copy (641) and not a multiple of it, each with bytes of
// its own where a writer keeps nothing: every one arrives at its place, byte for byte, in a
// file elsewhere, replacing an older file whole or making a new one.
TEST_F(CopyTest, SaveAsOfALargeFileArrivesWholeAndSurvivesAFaultAtEveryCall) {
    std::vector<std::string> names;
    for (int i = 0; i < 1500; ++i)
        names.push_back("N" + std::to_string(20000 - i)); // out of name order, kept so
    std::string bytes = rawPersons(names);
    for (std::size_t i = 0; i < names.size(); ++i) {
        bytes[i * 1636 + 1630] = static_cast<char>(i % 251 + 1);
        bytes[i * 1636 + 200] = static_cast<char>(i / 251 + 1);
    }
    notFirstRun();
    writeBytes(personsFile(), bytes);
    writeCompanies({});
    start();
    fs::create_directories(dir / "otra");
    const fs::path target = dir / "otra" / "copia.dat";
    const auto prepare = [&] { fakes.fileDialogs.saveAnswers = {q(target)}; };

    prepare();
    window->SaveAs1Click();
    EXPECT_TRUE(readBytes(target) == bytes);
    EXPECT_TRUE(fakes.prompter.messages.empty());

    const auto saveAs = [&] { window->SaveAs1Click(); };
    expectWholeAtEveryCall(target, rawPersons({"VIEJO", "ARCHIVO"}) + "x", bytes, prepare, saveAs);
    expectWholeAtEveryCall(target, std::nullopt, bytes, prepare, saveAs);
    EXPECT_TRUE(readBytes(personsFile()) == bytes);
}

TEST_F(CopyTest, RecordIntoANewOrExistingFileArrivesWholeAndSurvivesAFaultAtEveryCall) {
    ordinaryStart(personsNamed({"ANA", "BETO"}));
    start();
    window->barra->setValue(2); // BETO
    fs::create_directories(dir / "otra");
    std::vector<std::string> many;
    for (int i = 0; i < 1500; ++i)
        many.push_back("M" + std::to_string(10000 + i));

    // Saved into a new file: the file replaced holds the one record and nothing of before.
    const fs::path fresh = dir / "otra" / "nuevo.dat";
    expectWholeAtEveryCall(
        fresh, rawPersons(many), rawPersons({"BETO"}),
        [&] { fakes.fileDialogs.saveAnswers = {q(fresh)}; },
        [&] { window->mregistroennuevoClick(); });
    expectWholeAtEveryCall(
        fresh, std::nullopt, rawPersons({"BETO"}),
        [&] { fakes.fileDialogs.saveAnswers = {q(fresh)}; },
        [&] { window->mregistroennuevoClick(); });

    // Added to a large file elsewhere: every record stays at its place around the new one.
    const fs::path existing = dir / "otra" / "grande.dat";
    std::vector<std::string> merged = many;
    merged.insert(merged.begin(), "BETO");
    expectWholeAtEveryCall(
        existing, rawPersons(many), rawPersons(merged),
        [&] { fakes.fileDialogs.openAnswers = {q(existing)}; }, [&] { window->maderirClick(); });
}
