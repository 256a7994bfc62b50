// The import of version-1 files and the progress window.
#include "core/fileio.h"
#include "core/undo.h"
#include "fileops/bprogreso.h"
#include "support/mainwindow_fixture.h"

#include <QLabel>
#include <QProgressBar>
#include <algorithm>
#include <optional>

using namespace testsupport;
using platform::Prompter;
namespace fs = std::filesystem;

namespace {

class ImportTest : public MainWindowTest {
  protected:
    fs::path folder() const { return dir / "v1"; }
    QString q(const fs::path& p) const { return QString::fromStdString(p.string()); }
    // A version-1 file under `name`, chosen in the open dialog; `target` answers the save dialog.
    fs::path offer(const std::string& name, const std::vector<std::array<std::string, 6>>& records,
                   const fs::path& target) {
        fs::create_directories(folder());
        writeBytes(folder() / name, version1Bytes(records));
        fakes.fileDialogs.openAnswers = {q(folder() / name)};
        fakes.fileDialogs.saveAnswers = {q(target)};
        fakes.prompter.messages.clear();
        return folder() / name;
    }
    std::vector<QString> titles() const {
        std::vector<QString> out;
        for (const auto& m : fakes.prompter.messages)
            out.push_back(m.title);
        return out;
    }
    bool progressWindowLeft() const { return !window->findChildren<TForm6*>().isEmpty(); }
};

const QString kQuestion = "Esto tardara unos segundos. ¿Esta seguro que desea continuar?";
const QString kChooseTarget =
    "Ahora debe elegir la ubicación y el nombre para el nuevo archivo actualizado a este "
    "versión. El archivo original se mantendrá igual.";
const QString kDone = "Se ha creado satisfactoriamente el nuevo archivo compatible con esta "
                      "versión.";

} // namespace

TEST_F(ImportTest, PersonsAndCompaniesComeOutSortedInTheirSlots) {
    ordinaryStart(personsNamed({"ANA"}));
    start();
    const int width = window->width();
    const std::string phone120(120, '5');
    const fs::path source = offer("vivazo01.dat",
                                  {{"CARLOS", phone120, "m1", "calle", "c@x", "n1"},
                                   {"BETO", "", "", "", "", ""},
                                   {"ALBERTO", "", "", "", "", ""}},
                                  dir / "nuevo");
    const std::string before = readBytes(source);
    window->ExportarTevoAgenda11Click();

    const auto& run = fakes.fileDialogs.openRuns.at(0);
    EXPECT_EQ(run.title, "Importar archivo desde Tevo Riviva 1");
    EXPECT_EQ(run.filter, "Archivo de personas, versión 1|vivazo01.dat|Archivo de empresas, "
                          "versión 1|dodidi02.dat");
    EXPECT_EQ(fakes.prompter.texts(), QStringList({kQuestion, kChooseTarget, kDone}));
    EXPECT_EQ(fakes.prompter.messages[0].icon, Prompter::Icon::Confirmation);
    EXPECT_EQ(fakes.prompter.messages[0].buttons, Prompter::Yes | Prompter::No);
    EXPECT_EQ(titles(),
              (std::vector<QString>{"", "Información", "Importación de archivo de personas"}));
    const fs::path made = dir / "nuevo.dat";
    EXPECT_EQ(namesIn(made), (std::vector<std::string>{"ALBERTO", "BETO", "CARLOS"}));
    for (std::int64_t i = 0; i < 3; ++i) {
        const core::Record r = core::readRecord(made, i);
        EXPECT_EQ(r.tag, core::kTagPerson);
        for (int empty : {core::person::OtherPhone, core::person::Email2, core::person::WebSite})
            EXPECT_EQ(r.texts[empty], "");
    }
    EXPECT_EQ(core::readRecord(made, 2).texts[core::person::Phone], phone120.substr(0, 100));
    EXPECT_EQ(core::undo::offer(made).undoLabel, "importar 3 contactos de Tevo Riviva 1");
    EXPECT_EQ(readBytes(source), before);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->width(), width);
    EXPECT_FALSE(progressWindowLeft());

    // Companies: field 4 feeds the contacts; a name ending in .txt gets .dat after it.
    offer("dodidi02.dat", {{"ZETA SA", "rubro", "tel", "Juan y Ana", "web", "notas"}},
          dir / "emp.txt");
    window->ExportarTevoAgenda11Click();
    EXPECT_EQ(titles().back(), "Importación de archivo de organizaciones");
    const core::Record c = core::readRecord(dir / "emp.txt.dat", 0);
    EXPECT_EQ(c.tag, core::kTagCompany);
    EXPECT_EQ(c.texts[core::company::Contacts], "Juan y Ana");
    EXPECT_EQ(c.texts[core::company::WebSite], "web");
    for (int empty : {core::company::Address, core::company::Fax, core::company::Email})
        EXPECT_EQ(c.texts[empty], "");

    // An empty version-1 file gives an empty data file and the success box all the same.
    offer("vivazo01.dat", {}, dir / "vacio.dat");
    window->ExportarTevoAgenda11Click();
    EXPECT_EQ(fakes.prompter.texts().back(), kDone);
    EXPECT_EQ(fs::file_size(dir / "vacio.dat"), 0u);
}

TEST_F(ImportTest, RefusalsLeaveEveryFileAsItWas) {
    ordinaryStart(personsNamed({"ANA"}));
    start();
    const std::string working = readBytes(personsFile());
    const std::vector<std::array<std::string, 6>> one = {{"X", "", "", "", "", ""}};

    // The name in capitals is not converted, without a word.
    offer("VIVAZO01.DAT", one, dir / "a.dat");
    window->ExportarTevoAgenda11Click();
    EXPECT_EQ(fakes.prompter.texts(), QStringList({kQuestion}));
    EXPECT_TRUE(fakes.fileDialogs.saveAnswers.size() == 1 && !fs::exists(dir / "a.dat"));

    // Declining to overwrite an existing file.
    writeBytes(dir / "b.dat", "old");
    fs::path source = offer("vivazo01.dat", one, dir / "b.dat");
    const std::string original = readBytes(source);
    fakes.prompter.answers = {Prompter::Yes, Prompter::OK, Prompter::No};
    window->ExportarTevoAgenda11Click();
    EXPECT_EQ(fakes.prompter.texts().back(), "Debe especificar un nuevo archivo");
    EXPECT_EQ(titles().back(), "No se importo archivo de Personas");
    EXPECT_EQ(readBytes(dir / "b.dat"), "old");

    // The version-1 file itself, here through a link, is refused before any question.
    fs::create_symlink(source, dir / "enlace.dat");
    offer("vivazo01.dat", one, dir / "enlace.dat");
    window->ExportarTevoAgenda11Click();
    EXPECT_EQ(fakes.prompter.texts(),
              QStringList({kQuestion, kChooseTarget, "Debe especificar un nuevo archivo"}));
    EXPECT_EQ(readBytes(source), original);

    // A working file is no new file either.
    offer("dodidi02.dat", one, personsFile());
    window->ExportarTevoAgenda11Click();
    EXPECT_EQ(fakes.prompter.texts().back(),
              "El archivo " + q(personsFile()) +
                  " está en uso como archivo de trabajo y no se puede reemplazar. Debe "
                  "especificar un nuevo archivo");
    EXPECT_EQ(titles().back(), "No se importo archivo de Organizaciones");
    EXPECT_EQ(readBytes(personsFile()), working);
    // Nor is the other working file, whichever kind is converted.
    const std::string companies = readBytes(companiesFile());
    offer("vivazo01.dat", one, companiesFile());
    window->ExportarTevoAgenda11Click();
    EXPECT_EQ(fakes.prompter.texts().back(),
              "El archivo " + q(companiesFile()) +
                  " está en uso como archivo de trabajo y no se puede reemplazar. Debe "
                  "especificar un nuevo archivo");
    EXPECT_EQ(titles().back(), "No se importo archivo de Personas");
    EXPECT_EQ(readBytes(companiesFile()), companies);

    // A chosen file that has gone by the time it is needed.
    source = offer("vivazo01.dat", one, dir / "c.dat");
    fs::remove(source);
    window->ExportarTevoAgenda11Click();
    EXPECT_EQ(fakes.prompter.texts().back(),
              "No seleccionó un archivo válido. No se puede realizar la operación.");
    EXPECT_EQ(titles().back(), "Error al convertir archivo.");
    EXPECT_FALSE(fs::exists(dir / "c.dat"));
}

TEST_F(ImportTest, AnIoErrorBringsTheMainWindowBackAndClosesTheProgressWindow) {
    ordinaryStart(personsNamed({"ANA"}));
    start();
    const int width = window->width();
    offer("vivazo01.dat", {{"X", "", "", "", "", ""}}, dir / "nuevo.dat");
    core::fileio::setFaults({0, EIO, 0}); // the disk is full
    EXPECT_THROW(window->ExportarTevoAgenda11Click(), core::IoError);
    core::fileio::clearFaults();
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->width(), width);
    EXPECT_FALSE(progressWindowLeft());
    EXPECT_NE(fakes.prompter.texts().back(), kDone);
    EXPECT_FALSE(fs::exists(dir / "tmpingre.tmp"));
}

TEST_F(ImportTest, ProgressWindowCentresAndShowsAFullGaugeForNoRecords) {
    ordinaryStart(personsNamed({"ANA"}));
    start();
    TForm6 progress(window.get());
    EXPECT_TRUE(progress.isVisible());
    EXPECT_EQ(progress.x(), window->x() + (window->width() - 328) / 2);
    EXPECT_EQ(progress.y(), window->y() + (window->height() - 78) / 2);
    progress.setMaximum(7);
    progress.setPosition(3);
    EXPECT_EQ(progress.bprogreso->text(), "42%");
    progress.setMaximum(0);
    EXPECT_EQ(progress.bprogreso->text(), "100%");
}

// More version-1 records than one read block (700) and not a multiple of it, with names that
// repeat: every record arrives in name order, equal names in their version-1 order, each slot
// byte for byte; a file that was there is replaced whole, and a failure at any call leaves it
// (or its absence) exactly as it was.
TEST_F(ImportTest, ALargeFileArrivesWholeAndAFaultAtAnyCallLeavesTheTargetAsItWas) {
    ordinaryStart(personsNamed({"ANA"}));
    start();
    std::vector<std::array<std::string, 6>> records;
    for (int i = 0; i < 1601; ++i) {
        const std::string n = std::to_string(i);
        records.push_back({"P" + std::to_string(30000 - i / 2), "t" + n, std::string(i % 120, 'm'),
                           "calle " + n, "c" + n + "@x", std::string(i % 250, 'z')});
    }
    std::vector<std::size_t> order(records.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return records[a][0] < records[b][0]; });
    std::string expected;
    for (std::size_t i : order) {
        const auto& f = records[i];
        expected += rawRecord({{0, f[0]},
                               {256, f[1]},
                               {357, f[2].substr(0, 100)},
                               {559, f[3]},
                               {815, f[4]},
                               {1373, f[5]}},
                              20);
    }
    const fs::path target = dir / "nuevo.dat";
    const auto prepare = [&] { offer("vivazo01.dat", records, target); };
    prepare();
    window->ExportarTevoAgenda11Click();
    ASSERT_EQ(fakes.prompter.texts().back(), kDone);
    EXPECT_TRUE(readBytes(target) == expected);

    for (const std::optional<std::string>& before :
         {std::optional<std::string>(bytesOf(personsNamed({"VIEJO"})) + "x"),
          std::optional<std::string>()}) {
        const auto reset = [&] {
            if (before)
                writeBytes(target, *before);
            else
                fs::remove(target);
            prepare();
        };
        std::vector<std::string> calls;
        reset();
        core::fileio::traceCalls(&calls);
        window->ExportarTevoAgenda11Click();
        core::fileio::traceCalls(nullptr);
        ASSERT_TRUE(readBytes(target) == expected);
        const auto rename =
            std::find_if(calls.begin(), calls.end(),
                         [](const std::string& c) { return c.rfind("rename ", 0) == 0; }) -
            calls.begin() + 1;
        ASSERT_LE(rename, static_cast<long>(calls.size()));
        for (long n = 1; n <= static_cast<long>(calls.size()); ++n) {
            reset();
            core::fileio::setFaults({n, EIO, -1});
            try {
                window->ExportarTevoAgenda11Click();
            } catch (const core::IoError&) {
            }
            core::fileio::clearFaults();
            // Closing the old file once the new one is complete is reported; the import goes on.
            const bool closesOld =
                calls[n - 1] == "close " + target.string() && n > 1 &&
                std::any_of(calls.begin(), calls.begin() + n - 1, [](const std::string& c) {
                    return c.rfind("close ", 0) == 0 && c.find("tmpingre.tmp") != c.npos;
                });
            if (n > rename || closesOld)
                EXPECT_TRUE(readBytes(target) == expected) << calls[n - 1];
            else if (before)
                EXPECT_TRUE(readBytes(target) == *before) << calls[n - 1];
            else
                EXPECT_FALSE(fs::exists(target)) << calls[n - 1];
            EXPECT_FALSE(fs::exists(dir / "tmpingre.tmp")) << calls[n - 1];
            EXPECT_TRUE(window->isVisible());
        }
    }
}
