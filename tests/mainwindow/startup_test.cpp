// Start-up, reload, the settings it reads and writes, and shut-down.
#include "core/fileio.h"
#include "core/inifile.h"
#include "core/rewrite.h"
#include "mainwindow/unit5.h"
#include "records/ingreso.h"
#include "support/mainwindow_fixture.h"
#include "support/typing.h"

#include <QAction>
#include <QCoreApplication>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QToolButton>
#include <algorithm>

using namespace testsupport;
using platform::Prompter;

namespace {

const QString kPersonsMissing =
    " de Personas. Si el archivo existe en otra ubicación, selecciónelo en el cuadro "
    "Preferencias, si no existe, puede crearlo ahora o en el cuadro de dialogo Preferencias "
    "(Crtl+O). ¿Desea crear este archivo ahora?";
const QString kCompaniesMissing =
    " de Organizaciones (Empresas). Si el archivo existe en otra ubicación, selecciónelo en el "
    "cuadro Preferencias, si no existe, puede crearlo ahora o en el cuadro de dialogo "
    "Preferencias (Crtl+O). ¿Desea crear este archivo ahora?";

} // namespace

TEST_F(MainWindowTest, FirstRunGreetsCreatesBothFilesAndOpensEmptyPersonsView) {
    TForm1& w = start();

    auto& m = fakes.prompter.messages;
    ASSERT_EQ(m.size(), 3u);
    EXPECT_EQ(m[0].form, Message::Form::Box);
    EXPECT_EQ(m[0].title, "PRIMERA VEZ QUE EJECUTA Tevo Riviva 2  >>");
    EXPECT_EQ(m[0].text,
              "Debe crear los archivos que serán usados para guardar los registros que "
              "se crearán, responda \"YES\" a las siguientes preguntas para crear nuevos "
              "archivos.");
    EXPECT_EQ(m[0].buttons, Prompter::OK);
    EXPECT_EQ(m[1].text,
              "No se encontró el archivo " + programDir() + "persona1.dat" + kPersonsMissing);
    EXPECT_EQ(m[1].icon, Prompter::Icon::Warning);
    EXPECT_EQ(m[1].buttons, Prompter::Yes | Prompter::No);
    EXPECT_EQ(m[2].text,
              "No se encontró el archivo " + programDir() + "empresa1.dat" + kCompaniesMissing);

    ASSERT_TRUE(std::filesystem::exists(personsFile()));
    ASSERT_TRUE(std::filesystem::exists(companiesFile()));
    EXPECT_EQ(std::filesystem::file_size(personsFile()), 0u);
    EXPECT_EQ(std::filesystem::file_size(companiesFile()), 0u);

    EXPECT_EQ(w.windowTitle(), "Tevo Riviva 2 -> Buscar Personas");
    EXPECT_EQ(w.visorreg->text(), "N/R");
    EXPECT_FALSE(w.barra->isEnabled());
    EXPECT_TRUE(w.bnuevo->isEnabled());
    EXPECT_EQ(w.problemWindow(), nullptr);
    EXPECT_EQ(fakes.instance.values["ifttyuag"], 0);
    EXPECT_EQ(fakes.instance.values["isruning"], 1);
    EXPECT_NE(readBytes(iniFile()).find("[ventana]\r\nultimo=1\r\n"), std::string::npos);
}

TEST_F(MainWindowTest, FirstRunMarkerMissingOrTrueGreetsAgain) {
    for (int marker : {-1, 1}) {
        fakes.instance.exists = true;
        fakes.instance.values.clear();
        if (marker >= 0)
            fakes.instance.values["ifttyuag"] = marker;
        writePersons({});
        writeCompanies({});
        fakes.prompter.messages.clear();
        start();
        ASSERT_FALSE(fakes.prompter.messages.empty());
        EXPECT_EQ(fakes.prompter.messages[0].title, "PRIMERA VEZ QUE EJECUTA Tevo Riviva 2  >>");
        EXPECT_EQ(fakes.instance.values["ifttyuag"], 0);
    }
}

TEST_F(MainWindowTest, DecliningACreationEntersNoWorkingFilesStateWithProblemWindow) {
    fakes.prompter.answers = {Prompter::OK, Prompter::No, Prompter::Yes};
    TForm1& w = start();

    EXPECT_FALSE(std::filesystem::exists(personsFile()));
    EXPECT_TRUE(std::filesystem::exists(companiesFile()));
    EXPECT_TRUE(w.personsUnusable());
    ASSERT_NE(w.problemWindow(), nullptr);
    EXPECT_TRUE(w.problemWindow()->isVisible());
    EXPECT_FALSE(w.isEnabled());
    EXPECT_TRUE(w.problemWindow()->isEnabled());

    for (QWidget* disabled : std::initializer_list<QWidget*>{
             w.SpeedButton7, w.SpeedButton6, w.bnuevo, w.elboton, w.barra, w.cuadro1, w.cuadro2,
             w.mostrarfastcall, w.bmodificar, w.beliminar})
        EXPECT_FALSE(disabled->isEnabled()) << disabled->objectName().toStdString();
    for (QMenu* menu : {w.mIngresar, w.mBuscar, w.mEdicion, w.mAcciones})
        EXPECT_FALSE(menu->menuAction()->isEnabled()) << menu->title().toStdString();
    EXPECT_FALSE(w.mvistarapida->isEnabled());
    EXPECT_FALSE(w.SaveAs1->isEnabled());
    EXPECT_FALSE(w.ImportarvCard1->isEnabled());
    EXPECT_FALSE(w.ExportarvCard1->isEnabled());
    EXPECT_FALSE(w.ImportarCSV1->isEnabled());
    EXPECT_FALSE(w.ExportarCSV1->isEnabled());
    EXPECT_TRUE(w.New1->isEnabled());
    EXPECT_TRUE(w.Configuracin1->isEnabled());
    EXPECT_EQ(w.resultado->text(), "No hay archivos de trabajo");
    EXPECT_EQ(w.StatusBar1->text(), "Seleccione un archivo o cree uno nuevo para trabajar");
    EXPECT_EQ(w.windowTitle(), "Tevo Riviva 2");

    // Closing the problem window gives the main window back.
    w.problemWindow()->AceptarClick();
    EXPECT_FALSE(w.problemWindow()->isVisible());
    EXPECT_TRUE(w.isEnabled());

    // A reload with the file still missing brings back the same window, not a second one.
    fakes.prompter.answers = {Prompter::No};
    w.FormShow();
    EXPECT_EQ(w.findChildren<TForm5*>().size(), 1);
    EXPECT_TRUE(w.problemWindow()->isVisible());
}

TEST_F(MainWindowTest, AReloadThatFindsTheFilesLeavesTheNoWorkingFilesState) {
    notFirstRun();
    writeCompanies(companiesNamed({"SUR"}));
    writeIni("[vr1]\r\nname=Sur\r\nseek=SUR\r\ntype=1\r\n");
    fakes.prompter.answers = {Prompter::No};
    TForm1& w = start();
    ASSERT_TRUE(w.personsUnusable());

    // The persons file is mended while the problem window is still up.
    writePersons(personsNamed({"ANA", "LUIS"}));
    fakes.prompter.messages.clear();
    w.refreshAfterChange(w.width());
    EXPECT_FALSE(w.personsUnusable());
    EXPECT_FALSE(w.problemWindow()->isVisible());
    EXPECT_TRUE(w.isEnabled());
    for (QWidget* enabled : std::initializer_list<QWidget*>{
             w.SpeedButton7, w.SpeedButton6, w.bnuevo, w.elboton, w.barra, w.cuadro1, w.cuadro2,
             w.mostrarfastcall, w.bmodificar, w.beliminar})
        EXPECT_TRUE(enabled->isEnabled()) << enabled->objectName().toStdString();
    for (QMenu* menu : {w.mIngresar, w.mBuscar, w.mEdicion, w.mAcciones})
        EXPECT_TRUE(menu->menuAction()->isEnabled()) << menu->title().toStdString();
    for (QAction* a : {w.mModificar, w.mvistarapida, w.SaveAs1, w.ImportarvCard1, w.ExportarvCard1})
        EXPECT_TRUE(a->isEnabled()) << a->text().toStdString();
    EXPECT_EQ(w.resultado->text(), "");
    EXPECT_EQ(w.StatusBar1->text(), "Tevo Riviva 2.0.2");
    EXPECT_EQ(field(0), "ANA");

    // A quick-view slot searches again instead of reporting missing files.
    w.vrClick(1);
    EXPECT_TRUE(fakes.prompter.messages.empty());
    EXPECT_FALSE(w.currentViewIsPersons());
    EXPECT_EQ(field(0), "SUR");
}

TEST_F(MainWindowTest, ProblemWindowTextButtonsAndHelp) {
    notFirstRun();
    writeCompanies({});
    fakes.prompter.answers = {Prompter::No};
    TForm1& w = start();
    TForm5* f = w.problemWindow();
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->windowTitle(), "Error al iniciar el programa. Sugerencias");
    QStringList lines = f->Memo1->toPlainText().split('\n');
    ASSERT_EQ(lines.size(), 19);
    EXPECT_EQ(lines[0], "El programa al iniciarse a detectado que no a seleccionado algún archivo");
    EXPECT_EQ(lines[3], "");
    EXPECT_EQ(lines[8], "ocupando. Si algún archivo hubiese estado protegido contra escritura,  "
                        "el programa");
    EXPECT_EQ(lines[17],
              "   <> En el Cuadro Preferencias, en la etiqueta “Archivos”, cree un nuevo "
              "archivo.");
    EXPECT_EQ(lines[18], "   <> Respondiendo a “Yes” (Si), en la pregunta formulada al iniciar el "
                         "programa.");
    EXPECT_EQ(f->Aceptar->text(), "Aceptar");
    EXPECT_EQ(f->Masinformacion->text(), "Mas información");
    EXPECT_EQ(f->x(), w.x() + (w.width() - f->width()) / 2);

    // Without pages in the program directory, those beside the program file serve.
    fakes.prompter.messages.clear();
    f->MasinformacionClick();
    EXPECT_TRUE(fakes.prompter.messages.empty());
    ASSERT_EQ(fakes.shell.opened.size(), 1u);
    EXPECT_EQ(fakes.shell.opened[0].toLocalFile(),
              QCoreApplication::applicationDirPath() + "/help/archivo.htm");
    fakes.shell.opened.clear();

    std::filesystem::create_directory(dir / "help");
    writeBytes(dir / "help" / "archivo.htm", "<html></html>");
    f->MasinformacionClick();
    ASSERT_EQ(fakes.shell.opened.size(), 1u);
    EXPECT_EQ(fakes.shell.opened[0].toLocalFile().toStdString(),
              (dir / "help" / "archivo.htm").string());
}

TEST_F(MainWindowTest, ReadOnlyPersonsFileIsRefusedEvenWhenCompaniesAreFine) {
    ordinaryStart(personsNamed({"ANA"}), companiesNamed({"ACME"}));
    makeReadOnly(personsFile());
    TForm1& w = start();
    ASSERT_EQ(fakes.prompter.messages.size(), 1u);
    EXPECT_EQ(fakes.prompter.messages[0].text,
              "El archivo para registro de personas es de solo lectura.");
    EXPECT_EQ(fakes.prompter.messages[0].title, "No se puede utilizar el archivo");
    EXPECT_NE(w.problemWindow(), nullptr);

    // The companies file gets its own text.
    fakes.prompter.messages.clear();
    notFirstRun();
    makeReadOnly(companiesFile());
    std::filesystem::permissions(personsFile(), std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add);
    start();
    ASSERT_EQ(fakes.prompter.messages.size(), 1u);
    EXPECT_EQ(fakes.prompter.messages[0].text,
              "El archivo para registro de organizaciones (empresas) es de solo lectura.");
}

TEST_F(MainWindowTest, SettingsFileReadOnlyIsDeletedAndDefaultsApply) {
    ordinaryStart(personsNamed({"ANA", "BETO"}), companiesNamed({"ACME"}));
    writeIni("[ventana]\r\nultimo=0\r\n");
    makeReadOnly(iniFile());
    TForm1& w = start();
    ASSERT_FALSE(fakes.prompter.messages.empty());
    EXPECT_EQ(fakes.prompter.messages[0].form, Message::Form::Plain);
    EXPECT_EQ(fakes.prompter.messages[0].text,
              "Archivo de inicio borrado. Se re-iniciarán algunos valores. (Código 200)");
    EXPECT_TRUE(w.currentViewIsPersons()); // "ultimo" went with the file
}

TEST_F(MainWindowTest, NarrowsWindowWhenQuickViewHidden) {
    ordinaryStart(personsNamed({"ANA"}));
    TForm1& hidden = start();
    EXPECT_EQ(hidden.width(), 408);
    EXPECT_EQ(hidden.mostrarfastcall->text(), ">>");
    EXPECT_EQ(hidden.mostrarfastcall->toolTip(), "Muestra la barra de Vista rápida");

    writeIni("[ventana]\r\nfastcall=1\r\n");
    notFirstRun();
    TForm1& shown = start();
    EXPECT_EQ(shown.width(), 546);
    EXPECT_EQ(shown.mostrarfastcall->text(), "<<");
    EXPECT_EQ(shown.mostrarfastcall->toolTip(), "Oculta la barra de Vista rápida");
}

TEST_F(MainWindowTest, LastViewIsClampedToTheRecordCount) {
    ordinaryStart(personsNamed({"ANA", "BETO", "CARLOS"}));
    writeIni("[VENTANA]\r\nLastView=7\r\n");
    TForm1& w = start();
    EXPECT_EQ(w.getcurrentview(), 2);
    EXPECT_EQ(w.visorreg->text(), "3");
    EXPECT_EQ(field(core::person::Name), "CARLOS");

    writeIni("[ventana]\r\nlastview=1\r\n");
    notFirstRun();
    start();
    EXPECT_EQ(window->getcurrentview(), 1);

    writeIni("[ventana]\r\nlastview=-1\r\n");
    notFirstRun();
    start();
    EXPECT_EQ(window->getcurrentview(), 0);
    EXPECT_EQ(field(core::person::Name), "ANA");
}

TEST_F(MainWindowTest, SettingsDefaultsAndTables) {
    ordinaryStart(personsNamed({"ANA"}));
    TForm1& w = start();
    EXPECT_EQ(w.getrutap(), programDir() + "persona1.dat");
    EXPECT_EQ(w.getrutae(), programDir() + "empresa1.dat");
    EXPECT_EQ(w.mailMethod(), "api");
    EXPECT_TRUE(w.mautobuscar->isChecked());
    EXPECT_EQ(w.webStyle().fontSize, "3");
    EXPECT_EQ(w.webStyle().background, "#006699");
    EXPECT_EQ(w.webStyle().labelColour, "#000000");
    EXPECT_EQ(w.webStyle().valueColour, "#CCFF66");
    for (int i = 1; i <= 11; ++i) {
        EXPECT_EQ(w.quickViewSlot(i).caption, "No asignado");
        EXPECT_EQ(w.textvr[i - 1]->text(), "No asignado");
    }

    writeIni("[config]\r\ntfuente=5\r\ncolores=1\r\nAutoSearch=0\r\ntipocorreo=web\r\n"
             "[VR3]\r\nNAME=Doctor\r\nseek=GARCIA\r\ntype=1\r\n");
    notFirstRun();
    TForm1& other = start();
    EXPECT_EQ(other.webStyle().fontSize, ""); // outside the table: left as it was
    EXPECT_EQ(other.webStyle().background, "#ffffff");
    EXPECT_EQ(other.webStyle().labelColour, "#000000");
    EXPECT_EQ(other.webStyle().valueColour, "#000000");
    EXPECT_FALSE(other.mautobuscar->isChecked());
    EXPECT_EQ(other.mailMethod(), "web");
    EXPECT_EQ(other.textvr[2]->text(), "Doctor");
    EXPECT_EQ(other.quickViewSlot(3).seek, "GARCIA");
    EXPECT_TRUE(other.quickViewSlot(3).companies);

    // A reload with values outside the tables keeps the style of the previous read.
    writeIni("[config]\r\ntfuente=4\r\ncolores=2\r\n");
    other.FormShow();
    writeIni("[config]\r\ntfuente=x\r\ncolores=9\r\n");
    other.FormShow();
    EXPECT_EQ(other.webStyle().fontSize, "3"); // "x" is no number: the default 3
    EXPECT_EQ(other.webStyle().background, "#0066CC");
}

TEST_F(MainWindowTest, EmptyFileNamesInTheSettingsAreTheDefaults) {
    ordinaryStart(personsNamed({"ANA"}), companiesNamed({"ACME"}));
    writeIni("[archivo]\r\npersona=\r\nempresa=\r\n");
    TForm1& w = start();
    EXPECT_TRUE(fakes.prompter.messages.empty());
    EXPECT_EQ(w.getrutap(), programDir() + "persona1.dat");
    EXPECT_EQ(w.getrutae(), programDir() + "empresa1.dat");
    EXPECT_EQ(field(core::person::Name), "ANA");
}

TEST_F(MainWindowTest, CloseClearsRunningFlagAndWritesWindowBlock) {
    ordinaryStart(personsNamed({"ANA", "BETO"}));
    writeIni("; kept comment\r\n[archivo]\r\npersona=" + personsFile().string() +
             "\r\n[ventana]\r\nlastview=1\r\nfastcall=0\r\n");
    TForm1& w = start();
    w.move(40, 30);
    w.close();
    EXPECT_EQ(fakes.instance.values["isruning"], 0);
    std::string ini = readBytes(iniFile());
    EXPECT_NE(ini.find("; kept comment\r\n"), std::string::npos);
    EXPECT_NE(ini.find("persona=" + personsFile().string() + "\r\n"), std::string::npos);
    core::IniFile settings(iniFile());
    EXPECT_EQ(settings.readInteger("ventana", "left", -5), w.x());
    EXPECT_EQ(settings.readInteger("ventana", "top", -5), w.y());
    EXPECT_EQ(settings.readString("ventana", "fastcall", ""), "0");
    EXPECT_EQ(settings.readString("ventana", "ultimo", ""), "1");
    EXPECT_EQ(settings.readString("ventana", "lastview", ""), "1");
    EXPECT_EQ(settings.readString("config", "AutoSearch", ""), "1");
    EXPECT_EQ(ini.find("\n\n"), std::string::npos);
    EXPECT_EQ(ini.find(" = "), std::string::npos);
}

TEST_F(MainWindowTest, SecondInstanceAsksAndYesEndsWithoutWritingTheFlag) {
    ordinaryStart(personsNamed({"ANA"}));
    fakes.instance.values["isruning"] = 1;
    fakes.prompter.answers = {Prompter::Yes};
    TForm1& w = start();
    ASSERT_FALSE(fakes.prompter.messages.empty());
    EXPECT_EQ(fakes.prompter.messages[0].text,
              "(Cod. 01) Posiblemente ya tiene abierto Tevo Riviva 2,  si esto es así,  deberá "
              "cerrar este y continuar usando el que ya esta abierto. ¿Desea cerrar este?");
    EXPECT_EQ(fakes.prompter.messages[0].icon, Prompter::Icon::Warning);
    EXPECT_TRUE(w.terminateRequested());

    fakes.instance.values["isruning"] = 1;
    fakes.prompter.answers = {Prompter::No};
    EXPECT_FALSE(start().terminateRequested());

    // A flag left by an instance that is gone: its lock is free, nobody is asked.
    fakes.instance.values["isruning"] = 1;
    fakes.instance.lockFree = true;
    fakes.prompter.messages.clear();
    EXPECT_FALSE(start().terminateRequested());
    EXPECT_TRUE(fakes.prompter.messages.empty());
    EXPECT_EQ(fakes.instance.values["isruning"], 1);
}

TEST_F(MainWindowTest, InstanceStoreWriteFailureStopsStartup) {
    ordinaryStart(personsNamed({"ANA"}));
    fakes.instance.failWrites = true;
    EXPECT_THROW(start(), core::IoError);
}

TEST_F(MainWindowTest, SettingsWriteFailureStopsTheViewSwitchWithAnErrorNamingTheFile) {
    ordinaryStart(personsNamed({"ANA"}), companiesNamed({"ACME"}));
    TForm1& w = start();
    std::string before = readBytes(iniFile());
    core::fileio::setFaults({1, ENOSPC, -1});
    try {
        w.SpeedButton6Click();
        FAIL() << "no error";
    } catch (const core::IoError& e) {
        EXPECT_NE(std::string(e.what()).find("Disk full"), std::string::npos);
        EXPECT_NE(std::string(e.what()).find(iniFile().string()), std::string::npos);
    }
    core::fileio::clearFaults();
    EXPECT_EQ(readBytes(iniFile()), before);
    EXPECT_TRUE(w.currentViewIsPersons());
}

TEST(ProgramDirectoryWithAccents, FilesAndHelpAreFoundUnderTheirRealNames) {
    TempDir top;
    std::filesystem::path dir = top.path() / u8"Año Ñandú ωμέγα";
    std::filesystem::create_directories(dir / "help");
    writeBytes(dir / "help" / "archivo.htm", "<html></html>");
    FakeServices fakes;
    fakes.instance.exists = true;
    fakes.prompter.answers = {Prompter::OK, Prompter::Yes, Prompter::No};
    TForm1 w(fakes.services(), QString::fromStdString(dir.u8string()) + "/");
    EXPECT_TRUE(std::filesystem::exists(dir / "persona1.dat"));
    ASSERT_NE(w.problemWindow(), nullptr);
    fakes.prompter.messages.clear();
    w.problemWindow()->MasinformacionClick();
    EXPECT_TRUE(fakes.prompter.messages.empty());
    ASSERT_EQ(fakes.shell.opened.size(), 1u);
    EXPECT_EQ(fakes.shell.opened[0].toLocalFile(),
              QString::fromStdString((dir / "help" / "archivo.htm").u8string()));
}

namespace {

const QString kNotPersons =
    "El archivo seleccionado no es válido para ingresar registro. (no es de tipo personas)";
const QString kNotPersonsTitle = "Error, No se ingreso registro al archivo (Código 108)";
const QString kNotCompanies = "El archivo seleccionado no es valido para ingresar registro "
                              "porque no es un archivo de Organizaciones.";
const QString kNotCompaniesTitle = "Error, No se ingreso registro al archivo (Código 109)";

std::string textOf(std::size_t size, const std::string& line) {
    std::string text;
    while (text.size() < size)
        text += line;
    return text.substr(0, size);
}

} // namespace

TEST_F(MainWindowTest, AWorkingFileThatIsNoDataFileOfItsKindIsRefusedAndKeepsEveryByte) {
    const std::string accounts = textOf(1294, "root:x:0:0:root:/root:/bin/bash\n");
    const std::string services = textOf(12813, "ssh             22/tcp\n");
    std::filesystem::create_directory(dir / "etc");
    writeBytes(dir / "etc" / "passwd", accounts);
    writeBytes(dir / "etc" / "services", services);

    struct Case {
        const char* what;
        std::function<void()> arrange;
        QString text, title;
    };
    const std::vector<Case> cases = {
        {"persons file linked to a system file",
         [&] {
             std::filesystem::remove(personsFile());
             std::filesystem::create_symlink("etc/passwd", personsFile());
         },
         kNotPersons, kNotPersonsTitle},
        {"companies file named in the settings as a text file",
         [&] { writeIni("[archivo]\r\nempresa=" + (dir / "etc" / "services").string() + "\r\n"); },
         kNotCompanies, kNotCompaniesTitle},
        {"persons file of whole records and a tail",
         [&] { writeBytes(personsFile(), bytesOf(personsNamed({"ANA"})) + "tail"); }, kNotPersons,
         kNotPersonsTitle},
        {"companies file holding persons", [&] { writeCompanies(personsNamed({"BETO"})); },
         kNotCompanies, kNotCompaniesTitle},
    };
    for (const Case& c : cases) {
        std::filesystem::remove(iniFile());
        std::filesystem::remove(personsFile()); // the link of a case before, not its target
        ordinaryStart(personsNamed({"ANA"}), companiesNamed({"ACME"}));
        c.arrange();
        const bool link = std::filesystem::is_symlink(personsFile());
        fakes.prompter.messages.clear();
        TForm1& w = start();
        ASSERT_EQ(fakes.prompter.messages.size(), 1u) << c.what;
        EXPECT_EQ(fakes.prompter.messages[0].text, c.text) << c.what;
        EXPECT_EQ(fakes.prompter.messages[0].title, c.title) << c.what;
        EXPECT_NE(w.problemWindow(), nullptr) << c.what;
        EXPECT_EQ(w.resultado->text(), "No hay archivos de trabajo");
        w.close();
        EXPECT_EQ(std::filesystem::is_symlink(personsFile()), link) << c.what;
    }
    // Starting and closing wrote nothing into any of them.
    EXPECT_EQ(readBytes(dir / "etc" / "passwd"), accounts);
    EXPECT_EQ(readBytes(dir / "etc" / "services"), services);
    EXPECT_EQ(readBytes(companiesFile()), bytesOf(personsNamed({"BETO"})));
}

// What start-up refuses, every change refuses too, when a working file turns into another
// program's file while the program runs.
TEST_F(MainWindowTest, AWorkingFileThatBecameAnotherProgramsFileIsNeverWrittenOver) {
    ordinaryStart(personsNamed({"ANA", "BETO"}));
    TForm1& w = start();
    const std::string accounts = textOf(1294, "root:x:0:0:root:/root:/bin/bash\n");
    writeBytes(personsFile(), accounts);
    const QString persons = QString::fromStdString(personsFile().string());
    auto& m = fakes.prompter.messages;

    m.clear();
    w.bEliminarClick();
    ASSERT_EQ(m.size(), 3u);
    EXPECT_EQ(m[1].text, kNotPersons);
    EXPECT_EQ(m[1].title, kNotPersonsTitle);
    EXPECT_EQ(m[2].title, "Error (Cod. 105)");

    m.clear();
    fakes.modal.drive = [&](QDialog* d) {
        auto& f = *static_cast<TForm4*>(d);
        typeInto(f.Edit3, "carla");
        f.botonimClick();
        EXPECT_TRUE(f.isVisible()); // kept open with its texts, as after any failed write
        EXPECT_EQ(f.Edit3->text(), "CARLA");
    };
    w.Persona1Click();
    ASSERT_EQ(m.size(), 2u); // the confirmation, then the refusal
    EXPECT_EQ(m[1].text, kNotPersons);
    EXPECT_EQ(m[1].title, kNotPersonsTitle);

    m.clear();
    writeBytes(dir / "c.vcf", "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Ana\r\nEND:VCARD\r\n");
    fakes.fileDialogs.openAnswers = {QString::fromStdString((dir / "c.vcf").string())};
    w.ImportarvCard1Click();
    ASSERT_EQ(m.size(), 1u); // refused before the vCard file is asked for
    EXPECT_EQ(m[0].title, kNotPersonsTitle);

    m.clear();
    fakes.fileDialogs.openAnswers = {persons};
    w.maderirClick();
    ASSERT_EQ(m.size(), 2u);
    EXPECT_EQ(m[1].text, kNotPersons);
    EXPECT_EQ(m[1].title, kNotPersonsTitle);

    EXPECT_EQ(readBytes(personsFile()), accounts);
    EXPECT_FALSE(std::filesystem::exists(dir / core::kTempFileName));
}

TEST_F(MainWindowTest, ALoopOfLinksOrANameTooLongIsAFileNotAvailableNotAnError) {
    notFirstRun();
    std::filesystem::create_symlink("persona1.dat", personsFile());
    const std::string tooLong = (dir / (std::string(300, 'e') + ".dat")).string();
    writeIni("[archivo]\r\nempresa=" + tooLong + "\r\n");
    TForm1& w = start(); // no IoError, no question whether to create them
    auto& m = fakes.prompter.messages;
    ASSERT_EQ(m.size(), 2u);
    EXPECT_EQ(m[0].text, "El archivo no esta disponible en este momento (Cod. 104)");
    EXPECT_EQ(m[0].title, "Error al cargar archivo de Personas");
    EXPECT_EQ(m[1].text, "El archivo no esta disponible en este momento (Cod. 104)");
    EXPECT_EQ(m[1].title, "Error al cargar archivo de Organizaciones (Empresas)");
    EXPECT_TRUE(w.personsUnusable());
    EXPECT_NE(w.problemWindow(), nullptr);
    EXPECT_TRUE(std::filesystem::is_symlink(personsFile()));
}

TEST_F(MainWindowTest, RelativeWorkingFileNamesLieInTheProgramDirectory) {
    TempDir elsewhere; // the current directory has files of the same names that must not be used
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(elsewhere.path());
    std::filesystem::create_directory(elsewhere / "datos");
    writeBytes(elsewhere / "datos" / "p.dat", bytesOf(personsNamed({"AJENO"})));
    std::filesystem::create_directory(dir / "datos");
    writeBytes(dir / "datos" / "p.dat", bytesOf(personsNamed({"PROPIO"})));
    notFirstRun();
    writeCompanies({});
    writeIni("[archivo]\r\npersona=datos/p.dat\r\nempresa=empresa1.dat\r\n");
    TForm1& w = start();
    std::filesystem::current_path(before);
    EXPECT_TRUE(fakes.prompter.messages.empty());
    EXPECT_EQ(w.getrutap(), programDir() + "datos/p.dat");
    EXPECT_EQ(w.getrutae(), programDir() + "empresa1.dat");
    EXPECT_EQ(field(core::person::Name), "PROPIO");
}

TEST_F(MainWindowTest, ASettingsLinkIsReplacedByAFileAndWhatItLedToKeepsEveryByte) {
    ordinaryStart(personsNamed({"ANA"}));
    std::filesystem::create_directory(dir / "etc");
    const auto system = dir / "etc" / "host.conf";
    const std::string original = textOf(651, "# The \"order\" line is only used by old versions\n");
    writeBytes(system, original);
    std::filesystem::create_symlink(system, iniFile());
    TForm1& w = start();
    w.close();
    EXPECT_EQ(readBytes(system), original);
    EXPECT_FALSE(std::filesystem::is_symlink(iniFile()));
    core::IniFile settings(iniFile());
    EXPECT_EQ(settings.readString("ventana", "ultimo", ""), "1");
    EXPECT_EQ(settings.readInteger("ventana", "left", -5), w.x());
}

TEST_F(MainWindowTest, AFolderNamedLikeTheSettingsFileIsLeftAloneAndTheProgramRuns) {
    ordinaryStart(personsNamed({"ANA", "BETO"}));
    std::filesystem::create_directory(iniFile());
    TForm1& w = start();
    ASSERT_EQ(fakes.prompter.messages.size(), 1u);
    EXPECT_EQ(fakes.prompter.messages[0].form, Message::Form::Plain);
    EXPECT_EQ(fakes.prompter.messages[0].text,
              "No se puede utilizar el archivo de inicio " + programDir() +
                  "inicio.ini porque en su lugar hay una carpeta u otro elemento que no es un "
                  "archivo. El programa usará los valores iniciales y no guardará la "
                  "configuración de la ventana mientras no se quite.");
    EXPECT_EQ(field(core::person::Name), "ANA");
    w.SpeedButton6Click(); // the view switch writes no setting
    EXPECT_FALSE(w.currentViewIsPersons());
    w.FormShow(); // a reload does not tell it again
    EXPECT_EQ(fakes.prompter.messages.size(), 1u);
    w.close();
    EXPECT_TRUE(std::filesystem::is_directory(iniFile()));
    EXPECT_TRUE(std::filesystem::is_empty(iniFile()));
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        left.push_back(entry.path().filename().string());
    std::sort(left.begin(), left.end());
    // Only the program's own list of folders to tidy comes beside them.
    EXPECT_EQ(left, (std::vector<std::string>{"empresa1.dat", "inicio.ini", "persona1.dat",
                                              "tmpingre.lst"}));
}
