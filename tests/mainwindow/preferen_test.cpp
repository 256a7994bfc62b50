// The preferences dialog: what it shows, the file choices, and what "&Guardar" writes.
#include "core/inifile.h"
#include "mainwindow/preferen.h"
#include "support/mainwindow_fixture.h"
#include "support/typing.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>

using namespace testsupport;
using platform::Prompter;

namespace {

// Opens the dialog from the menu and lets the test drive it.
void withPreferences(TForm1& w, FakeServices& fakes, const std::function<void(TForm2&)>& drive) {
    fakes.modal.drive = [&](QDialog* d) { drive(*static_cast<TForm2*>(d)); };
    w.Configuracin1->trigger();
    fakes.modal.drive = nullptr;
}

} // namespace

TEST_F(MainWindowTest, UntouchedSaveOnAFreshInstallWritesEveryDefault) {
    ordinaryStart(personsNamed({"ANA"}));
    const char* pages[] = {"index.htm", "archivo.htm", "action.htm", "buscar.htm"};
    std::filesystem::create_directory(dir / "help");
    for (const char* page : pages)
        writeBytes(dir / "help" / page, "<html></html>");
    TForm1& w = start();
    const int width = w.width();
    std::filesystem::remove(iniFile());
    withPreferences(w, fakes, [&](TForm2& d) {
        d.BitBtn1->click();
        QTest::mouseClick(d.Label1, Qt::LeftButton);
        d.Label11Click();
        d.Label19Click();
        EXPECT_EQ(d.PageControl1->currentIndex(), TForm2::kPageArchivos);
        EXPECT_EQ(d.rutapersona1->text(), w.getrutap());
        EXPECT_EQ(d.dir_exe->text(), programDir());
        EXPECT_TRUE(d.RadioButton1->isChecked());
        QTest::mouseClick(d.botonguardar, Qt::LeftButton);
        EXPECT_EQ(d.result(), QDialog::Accepted);
    });
    const std::string ini = readBytes(iniFile());
    for (const char* line : {"persona=", "empresa=", "urlcorreo=http://\r\n", "tipocorreo=api\r\n",
                             "tfuente=3\r\n", "colores=0\r\n"})
        EXPECT_NE(ini.find(line), std::string::npos) << line;
    core::IniFile settings(iniFile());
    EXPECT_EQ(settings.readString("archivo", "persona", ""), platform::fromQ(w.getrutap()));
    for (int i = 1; i <= 11; ++i) {
        const std::string section = "[vr" + std::to_string(i) + "]\r\n";
        const std::string keys = "name=No asignado\r\nseek=\r\ntype=0\r\n";
        EXPECT_NE(ini.find(section + keys), std::string::npos) << section;
    }
    EXPECT_EQ(w.width(), width); // the reload narrowed nothing
    ASSERT_EQ(fakes.shell.opened.size(), 4u);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(fakes.shell.opened[i].toLocalFile(), programDir() + "help/" + pages[i]);
}

TEST_F(MainWindowTest, ShownValuesPendingMethodAndCancel) {
    ordinaryStart(personsNamed({"ANA"}));
    writeIni("[config]\r\nurlcorreo=http://correo.example/\r\ntipocorreo=api\r\ntfuente=9\r\n"
             "colores=7\r\n[vr2]\r\nname=Doctor\r\nseek=GARCIA\r\ntype=1\r\n");
    TForm1& w = start();
    const std::string before = readBytes(iniFile());
    withPreferences(w, fakes, [&](TForm2& d) {
        EXPECT_TRUE(d.RadioButton1->isChecked());
        EXPECT_EQ(d.url->text(), "http://correo.example/");
        EXPECT_EQ(d.tfuente->value(), 4);
        EXPECT_EQ(d.colores->currentIndex(), -1);
        EXPECT_TRUE(d.r[1]->text() == "Doctor" && d.se[1]->text() == "GARCIA" &&
                    d.c[1]->isChecked());
        typeInto(d.url, "x");
        EXPECT_TRUE(d.RadioButton2->isChecked());
        EXPECT_EQ(d.pendingMethod(), "web");
        QTest::keyClick(&d, Qt::Key_Escape);
        EXPECT_EQ(d.result(), QDialog::Rejected);
    });
    withPreferences(w, fakes, [&](TForm2& d) {
        d.RadioButton4->click();
        d.BitBtn3Click();
    });
    EXPECT_EQ(readBytes(iniFile()), before); // cancelling writes nothing

    writeIni("[config]\r\ntipocorreo=pigeon\r\ntfuente=9\r\ncolores=7\r\n");
    withPreferences(w, fakes, [&](TForm2& d) {
        EXPECT_TRUE(d.RadioButton1->isChecked());
        EXPECT_EQ(d.pendingMethod(), "pigeon");
        d.botonguardarClick();
    });
    core::IniFile saved(iniFile());
    EXPECT_EQ(saved.readString("config", "tipocorreo", ""), "pigeon");
    EXPECT_EQ(saved.readInteger("config", "tfuente", 0), 4);
    EXPECT_EQ(saved.readInteger("config", "colores", 0), -1);

    // A settings file that cannot be written stops the save; the dialog closes all the same.
    const std::string kept = readBytes(iniFile());
    makeReadOnly(iniFile());
    withPreferences(w, fakes, [&](TForm2& d) {
        EXPECT_THROW(d.botonguardarClick(), core::IoError);
        EXPECT_EQ(d.result(), QDialog::Accepted);
    });
    EXPECT_EQ(readBytes(iniFile()), kept);
}

TEST_F(MainWindowTest, AnEmptiedFontSizeCountsAsTwo) {
    ordinaryStart(personsNamed({"ANA"}));
    writeIni("[config]\r\ntfuente=4\r\n");
    TForm1& w = start();
    auto empty = [](QSpinBox* box) {
        QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(box, Qt::Key_Backspace);
        ASSERT_EQ(box->text(), "");
    };
    auto stored = [&] { return core::IniFile(iniFile()).readInteger("config", "tfuente", 0); };
    // Saved while the box is still empty.
    withPreferences(w, fakes, [&](TForm2& d) {
        ASSERT_EQ(d.tfuente->value(), 4);
        empty(d.tfuente);
        d.botonguardarClick();
    });
    EXPECT_EQ(stored(), 2);

    // Left first: the box shows what is saved.
    writeIni("[config]\r\ntfuente=4\r\n");
    withPreferences(w, fakes, [&](TForm2& d) {
        empty(d.tfuente);
        QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
        QApplication::sendEvent(d.tfuente, &out);
        EXPECT_EQ(d.tfuente->text(), "2");
        d.botonguardarClick();
    });
    EXPECT_EQ(stored(), 2);
}

TEST_F(MainWindowTest, ChoosingWorkingFilesRefusesWrongKindsAndOneFileForBoth) {
    ordinaryStart(personsNamed({"ANA"}), companiesNamed({"ACME"}));
    writeBytes(dir / "otro.dat", std::string(100, 'x'));
    writeBytes(dir / "nuevo.dat", "");
    TForm1& w = start();
    const QString companies = w.getrutae();
    auto name = [&](const char* file) { return programDir() + file; };
    withPreferences(w, fakes, [&](TForm2& d) {
        fakes.fileDialogs.openAnswers = {companies, name("falta.dat"), name("otro.dat"),
                                         name("nuevo.dat"), name("./nuevo.dat")};
        d.Button1Click(); // a companies file as the persons file
        d.Button1Click();
        d.Button1Click(); // not one of ours
        d.Button1Click(); // an empty file serves
        EXPECT_EQ(d.rutapersona1->text(), name("nuevo.dat"));
        d.Button3Click(); // the same file cannot hold the companies too
        EXPECT_EQ(d.rutaempresa1->text(), companies);

        ASSERT_EQ(fakes.prompter.messages.size(), 4u);
        EXPECT_EQ(fakes.prompter.messages[0].text,
                  "El archivo " + companies +
                      " No es del tipo Tevo Riviva Personas o esta protegido contra escritura. o "
                      "esta siendo utilizado por otra aplicación.");
        EXPECT_EQ(fakes.prompter.messages[0].icon, Prompter::Icon::Error);
        EXPECT_EQ(fakes.prompter.messages[0].buttons, Prompter::Yes);
        EXPECT_EQ(fakes.prompter.messages[1].text,
                  "El archivo " + name("falta.dat") + " No existe");
        EXPECT_TRUE(
            fakes.prompter.messages[2].text.contains("No es del tipo Tevo Riviva Personas"));
        EXPECT_EQ(fakes.prompter.messages[3].text,
                  "El archivo " + name("./nuevo.dat") +
                      " ya esta elegido como archivo de Personas. Elija otro archivo o cree uno "
                      "nuevo.");
        EXPECT_EQ(fakes.prompter.messages[3].icon, Prompter::Icon::Error);
        d.BitBtn3Click();
    });
    EXPECT_EQ(w.getrutap(), name("persona1.dat"));

    // "Crear nuevo archivo" creates the file but chooses nothing; saving keeps the names.
    fakes.fileDialogs.saveAnswers = {name("creado")};
    withPreferences(w, fakes, [&](TForm2& d) {
        d.NuevoE->click();
        EXPECT_TRUE(std::filesystem::exists(dir / "creado.dat"));
        d.botonguardarClick();
    });
    core::IniFile saved(iniFile());
    EXPECT_EQ(saved.readString("archivo", "persona", ""), platform::fromQ(name("persona1.dat")));
    EXPECT_EQ(saved.readString("archivo", "empresa", ""), platform::fromQ(companies));
}
