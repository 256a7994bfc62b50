// The record entry dialog in its four modes, driven as a person would.
#include "records/ingreso.h"

#include "core/fileio.h"
#include "core/rewrite.h"
#include "support/mainwindow_fixture.h"
#include "support/typing.h"

#include <QAccessible>
#include <QAction>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QShowEvent>
#include <QStatusBar>
#include <QTest>

using namespace testsupport;
using platform::Prompter;

namespace {

class EntryDialogTest : public MainWindowTest {
  protected:
    // Opens the dialog with the command and runs `drive` while it is shown.
    void withDialog(void (TForm1::*command)(), const std::function<void(TForm4&)>& drive) {
        bool ran = false;
        fakes.modal.drive = [&](QDialog* d) {
            ran = true;
            drive(*static_cast<TForm4*>(d));
        };
        (window.get()->*command)();
        ASSERT_TRUE(ran);
    }
    void clickOk(TForm4& f) { QTest::mouseClick(f.botonim, Qt::LeftButton); }
};

const char* const kPersonLabels[] = {"Nombre, Apellido, Apodo:", "Num. Telefónico Fijo:",
                                     "Num. Telefónico Móvil:",   "Otro Num. Telefónico:",
                                     "Ubicación / Dirección:",   "Correo Electrónico 1:",
                                     "Correo Electrónico 2:",    "Sitio Web:",
                                     "Información Adicional:"};
const char* const kCompanyLabels[] = {"Nombre Organización:",
                                      "Rubro / Giro:",
                                      "Número Telefónico:",
                                      "Número de Fax:",
                                      "Sitio Web:",
                                      "Correo Electrónico:",
                                      "Contacto (Personas):",
                                      "Ubicación / Dirección:",
                                      "Información Adicional:"};

} // namespace

TEST_F(EntryDialogTest, NewPersonIsSavedAndTheDialogStaysForAnother) {
    ordinaryStart(personsNamed({"BETO"}));
    start();
    withDialog(&TForm1::Persona1Click, [&](TForm4& f) {
        EXPECT_EQ(f.windowTitle(), "< Ingresar datos de persona >");
        EXPECT_EQ(f.titulo->text(), "Ingresar persona");
        EXPECT_EQ(f.statusText(), "Complete los campos, luego presione OK.");
        EXPECT_TRUE(f.imgpersona->isVisible());
        EXPECT_FALSE(f.imgempresa->isVisible());
        for (int i = 0; i < core::kSlotCount; ++i) {
            EXPECT_EQ(f.labels()[i]->text(), QString(kPersonLabels[i]));
            EXPECT_EQ(f.fields()[i]->text(), "");
            EXPECT_EQ(f.fields()[i]->toolTip(), "Aquí debe escribir el contenido de los campos.");
        }
        EXPECT_FALSE(f.botonim->isEnabled());
        EXPECT_EQ(f.size(), QSize(397, 334));
        EXPECT_EQ(f.x(), window->x() + (window->width() - f.width()) / 2);

        typeInto(f.Edit3, "núñez, josé");
        typeInto(f.Edit8, "Jose@Correo.example");
        EXPECT_EQ(f.Edit3->text(), "NÚÑEZ, JOSÉ");
        EXPECT_EQ(f.Edit8->text(), "Jose@Correo.example");
        EXPECT_TRUE(f.botonim->isEnabled());
        EXPECT_TRUE(f.botonim->isDefault());
        EXPECT_EQ(f.statusText(), "Presione OK para guardar los cambios.");

        clickOk(f);
        ASSERT_EQ(fakes.prompter.messages.size(), 1u);
        EXPECT_EQ(fakes.prompter.messages[0].text,
                  "Se guardará este registro en el actual archivo de Personas " +
                      window->getrutap() + " ¿Desea continuar?");
        EXPECT_EQ(fakes.prompter.messages[0].icon, Prompter::Icon::Information);
        EXPECT_EQ(fakes.prompter.messages[0].buttons, Prompter::Yes | Prompter::No);
        EXPECT_EQ(namesIn(personsFile()), (std::vector<std::string>{"BETO", "N\xDA\xD1"
                                                                            "EZ, JOS\xC9"}));
        EXPECT_FALSE(f.botonim->isEnabled());
        EXPECT_TRUE(f.BitBtn2->isDefault());
        EXPECT_EQ(f.statusText(),
                  "Se acaba de guardar un registro. Para cerrar, presione \"Cerrar\".");
        EXPECT_EQ(f.Edit3->text(), "NÚÑEZ, JOSÉ"); // texts kept
        EXPECT_EQ(window->barra->maximum(), 2);    // the main window was reloaded
        EXPECT_EQ(window->Deshacer1->text(), "Deshacer: agregar NÚÑEZ, JOSÉ");

        // A change and a second OK insert one more record.
        typeInto(f.Edit4, "1");
        EXPECT_TRUE(f.botonim->isEnabled());
        clickOk(f);
        EXPECT_EQ(core::recordCount(personsFile()), 3);
        EXPECT_EQ(core::readRecord(personsFile(), 2).texts[core::person::Phone], "1");
        EXPECT_EQ(core::readRecord(personsFile(), 2).tag, core::kTagPerson);
    });
}

TEST_F(EntryDialogTest, NewPersonWhileCompaniesAreInViewGoesToThePersonsFile) {
    ordinaryStart({}, companiesNamed({"ACME"}));
    start();
    window->SpeedButton6Click();
    withDialog(&TForm1::Persona1Click, [&](TForm4& f) {
        typeInto(f.Edit3, "ana");
        clickOk(f);
    });
    EXPECT_EQ(namesIn(personsFile()), std::vector<std::string>{"ANA"});
    EXPECT_EQ(core::recordCount(companiesFile()), 1);
    EXPECT_FALSE(window->currentViewIsPersons());
    EXPECT_EQ(field(core::company::Name), "ACME");
}

TEST_F(EntryDialogTest, NewCompanyLabelsQuestionAndTag) {
    ordinaryStart({}, {});
    start();
    withDialog(&TForm1::empresas1Click, [&](TForm4& f) {
        EXPECT_EQ(f.windowTitle(), "< Ingresar datos de Organización >");
        EXPECT_EQ(f.titulo->text(), "Ingresar organización");
        EXPECT_TRUE(f.imgempresa->isVisible());
        EXPECT_FALSE(f.imgpersona->isVisible());
        for (int i = 0; i < core::kSlotCount; ++i) {
            EXPECT_EQ(f.labels()[i]->text(), QString(kCompanyLabels[i]));
            // Each field is named by its own label, also for screen readers.
            QAccessibleInterface* face = QAccessible::queryAccessibleInterface(f.fields()[i]);
            ASSERT_NE(face, nullptr);
            EXPECT_EQ(face->text(QAccessible::Name), QString(kCompanyLabels[i]).remove('&'));
        }
        typeInto(f.Edit4, "ferretería");
        EXPECT_EQ(f.Edit4->text(), "FERRETERÍA");
        clickOk(f);
        EXPECT_EQ(fakes.prompter.messages.back().text,
                  "Se guardará este registro en el actual archivo de Empresas " +
                      window->getrutae() + " ¿Desea continuar?");
    });
    ASSERT_EQ(core::recordCount(companiesFile()), 1);
    core::Record saved = core::readRecord(companiesFile(), 0);
    EXPECT_EQ(saved.tag, core::kTagCompany);
    EXPECT_EQ(saved.texts[core::company::Name], "");
    EXPECT_EQ(saved.texts[core::company::Business], "FERRETER\xCD"
                                                    "A");
}

TEST_F(EntryDialogTest, AllEmptyIsRefusedAndOneBlankIsSaved) {
    ordinaryStart({});
    start();
    withDialog(&TForm1::bNuevo2Click, [&](TForm4& f) {
        typeInto(f.Edit5, "x");
        f.Edit5->clear();
        clickOk(f);
        ASSERT_EQ(fakes.prompter.messages.size(), 1u);
        EXPECT_EQ(fakes.prompter.messages[0].text, "Todos los campos se encuentran vacíos, no se "
                                                   "puede crear o modificar el registro.");
        EXPECT_EQ(fakes.prompter.messages[0].title, "Cuidado !");
        EXPECT_EQ(fakes.prompter.messages[0].buttons, Prompter::OK);
        EXPECT_EQ(f.statusText(),
                  "Para poder guardar un registro, debe tener por lo menos un campo no vacío");
        // Shown whole: the status bar keeps 6 pixels left and 12 right of its message.
        EXPECT_LE(QFontMetrics(f.StatusBar1->font()).horizontalAdvance(f.statusText()),
                  f.StatusBar1->width() - 18);
        EXPECT_FALSE(f.botonim->isEnabled());
        EXPECT_EQ(std::filesystem::file_size(personsFile()), 0u);

        typeInto(f.Edit11, " ");
        clickOk(f);
    });
    ASSERT_EQ(core::recordCount(personsFile()), 1);
    EXPECT_EQ(core::readRecord(personsFile(), 0).texts[core::person::Notes], " ");
}

TEST_F(EntryDialogTest, DecliningTheConfirmationWritesNothing) {
    ordinaryStart(personsNamed({"ANA"}));
    start();
    std::string before = readBytes(personsFile());
    fakes.prompter.answers = {Prompter::No};
    withDialog(&TForm1::bNuevo2Click, [&](TForm4& f) {
        typeInto(f.Edit3, "beto");
        clickOk(f);
        EXPECT_TRUE(f.botonim->isEnabled());
        EXPECT_EQ(f.Edit3->text(), "BETO");
    });
    fakes.prompter.answers = {Prompter::No};
    withDialog(&TForm1::bmodificarClick, [&](TForm4& f) {
        f.Edit3->setText("OTRO");
        clickOk(f);
        EXPECT_EQ(fakes.prompter.messages.back().text,
                  "¿Esta seguro que desea modificar los datos de este registro ?");
        EXPECT_TRUE(f.isVisible());
    });
    EXPECT_EQ(readBytes(personsFile()), before);
}

TEST_F(EntryDialogTest, ModifyRefilesByNameAndShowsTheNumberInViewWhenOpened) {
    ordinaryStart(personsNamed({"ANA", "BETO", "CARLOS"}));
    start();
    window->barra->setValue(2);
    withDialog(&TForm1::bmodificarClick, [&](TForm4& f) {
        EXPECT_EQ(f.windowTitle(), " < Modificar datos de Persona >");
        EXPECT_EQ(f.titulo->text(), "Modificar persona");
        EXPECT_EQ(f.statusText(), "Edite los campos que desee cambiar, luego presione OK.");
        EXPECT_EQ(f.Edit3->text(), "BETO");
        EXPECT_EQ(f.Edit4->text(), "TEL BETO"); // an upper-case box holds capitals only
        EXPECT_TRUE(f.botonim->isEnabled());
        f.Edit3->setText("ZOILO");
        clickOk(f);
        EXPECT_FALSE(f.isVisible());
    });
    EXPECT_EQ(namesIn(personsFile()), (std::vector<std::string>{"ANA", "CARLOS", "ZOILO"}));
    EXPECT_EQ(core::readRecord(personsFile(), 2).texts[core::person::Phone], "TEL BETO");
    EXPECT_EQ(window->getcurrentview(), 1);
    EXPECT_EQ(field(core::person::Name), "CARLOS");
}

TEST_F(EntryDialogTest, ModifyWithUnchangedUniqueNameKeepsTheRecordAndEveryByte) {
    auto records = personsNamed({"ANA", "BETO", "CARLOS"});
    records[1].texts[core::person::Notes] = "\x81\x8D\x8F\x90\x9D \xFF\x80";
    ordinaryStart(records);
    start();
    window->barra->setValue(2);
    withDialog(&TForm1::bmodificarClick, [&](TForm4& f) {
        typeInto(f.Edit5, "9");
        clickOk(f);
    });
    records[1].texts[core::person::Mobile] = "9";
    records[1].texts[core::person::Phone] = "TEL BETO"; // the upper-case box holds capitals
    EXPECT_EQ(readBytes(personsFile()), bytesOf(records));
    EXPECT_EQ(window->getcurrentview(), 1);
}

TEST_F(EntryDialogTest, ModifyOfACompanyUsesItsTextsAndTag) {
    ordinaryStart(personsNamed({"ANA"}), companiesNamed({"ACME", "ZETA"}));
    start();
    window->SpeedButton6Click();
    withDialog(&TForm1::bmodificarClick, [&](TForm4& f) {
        EXPECT_EQ(f.windowTitle(), "< Modificar datos de Organización >");
        EXPECT_EQ(f.titulo->text(), "Modificar organización");
        EXPECT_EQ(f.Edit4->text(), "RUBRO ACME");
        f.Edit3->setText("ZZ TOP");
        clickOk(f);
    });
    EXPECT_EQ(namesIn(companiesFile()), (std::vector<std::string>{"ZETA", "ZZ TOP"}));
    EXPECT_EQ(core::readRecord(companiesFile(), 1).tag, core::kTagCompany);
    EXPECT_EQ(core::recordCount(personsFile()), 1);
}

TEST_F(EntryDialogTest, LimpiarInModifyModeEmptiesAndDisablesUntilTheNextChange) {
    ordinaryStart(personsNamed({"ANA"}));
    start();
    withDialog(&TForm1::bmodificarClick, [&](TForm4& f) {
        f.BitBtn3->setFocus();
        QTest::mouseClick(f.BitBtn3, Qt::LeftButton);
        for (auto* box : f.fields())
            EXPECT_EQ(box->text(), "");
        EXPECT_EQ(f.focusWidget(), f.Edit3);
        EXPECT_FALSE(f.botonim->isEnabled());
        typeInto(f.Edit9, "a");
        EXPECT_TRUE(f.botonim->isEnabled());
    });
}

TEST_F(EntryDialogTest, FieldsTakeNoMoreThanTheirSlotAndOnlyCodePageCharacters) {
    ordinaryStart({});
    start();
    withDialog(&TForm1::Persona1Click, [&](TForm4& f) {
        const int max[] = {255, 100, 100, 100, 255, 100, 200, 255, 255};
        for (int i = 0; i < core::kSlotCount; ++i) {
            pasteInto(f.fields()[i], QString(300, 'a'));
            EXPECT_EQ(f.fields()[i]->text().size(), max[i]) << i;
        }
        f.Edit11->clear();
        typeInto(f.Edit11, QString(260, 'b'));
        EXPECT_EQ(f.Edit11->text().size(), 255);

        f.Edit7->clear();
        typeInto(f.Edit7, "€5 Ω");
        EXPECT_EQ(f.Edit7->text(), "€5 ");
        EXPECT_EQ(f.statusText(), platform::CpLineEdit::refusedText());
        pasteInto(f.Edit7, "√x");
        EXPECT_EQ(f.Edit7->text(), "€5 ");

        // Capitals by the code page: one character in, one out.
        f.Edit3->clear();
        typeInto(f.Edit3, "ßµÿœšž");
        EXPECT_EQ(f.Edit3->text(), "ßµŸŒŠŽ");
    });
}

TEST_F(EntryDialogTest, EscapeAndCerrarCloseWithoutWriting) {
    ordinaryStart(personsNamed({"ANA"}));
    start();
    std::string before = readBytes(personsFile());
    withDialog(&TForm1::bNuevo2Click, [&](TForm4& f) {
        typeInto(f.Edit3, "beto");
        QTest::keyClick(&f, Qt::Key_Escape);
        EXPECT_FALSE(f.isVisible());
    });
    withDialog(&TForm1::bNuevo2Click, [&](TForm4& f) {
        EXPECT_EQ(f.Edit3->text(), ""); // a fresh dialog each time
        typeInto(f.Edit3, "beto");
        QTest::mouseClick(f.BitBtn2, Qt::LeftButton);
        EXPECT_FALSE(f.isVisible());
    });
    EXPECT_EQ(readBytes(personsFile()), before);
    EXPECT_TRUE(fakes.prompter.messages.empty());
}

TEST_F(EntryDialogTest, OpeningStoresTheWindowBlockAndHelpOpensTheRecordPage) {
    ordinaryStart(personsNamed({"ANA", "BETO"}));
    start();
    window->barra->setValue(2);
    std::filesystem::create_directory(dir / "help");
    writeBytes(dir / "help" / "registro.htm", "<html></html>");
    withDialog(&TForm1::bmodificarClick, [&](TForm4& f) {
        EXPECT_NE(readBytes(iniFile()).find("lastview=1\r\n"), std::string::npos);
        QTest::mouseClick(f.BitBtn1, Qt::LeftButton);
    });
    ASSERT_EQ(fakes.shell.opened.size(), 1u);
    EXPECT_EQ(fakes.shell.opened[0].toLocalFile().toStdString(),
              (dir / "help" / "registro.htm").string());
}

TEST_F(EntryDialogTest, AFailedSettingsWriteEndsTheCommandBeforeTheDialogAppears) {
    ordinaryStart(personsNamed({"ANA"}), companiesNamed({"ACME"}));
    start();
    const std::string persons = readBytes(personsFile()), settings = readBytes(iniFile());
    makeReadOnly(iniFile());
    for (auto command : {&TForm1::Persona1Click, &TForm1::empresas1Click, &TForm1::bNuevo2Click,
                         &TForm1::bmodificarClick})
        EXPECT_THROW((window.get()->*command)(), core::IoError);
    EXPECT_EQ(fakes.modal.shown, 0);
    EXPECT_EQ(readBytes(personsFile()), persons);
    EXPECT_EQ(readBytes(iniFile()), settings);
}

TEST_F(EntryDialogTest, RestoringTheDialogKeepsItsEditsAndItsPlace) {
    ordinaryStart(personsNamed({"ANA"}));
    start();
    withDialog(&TForm1::bmodificarClick, [&](TForm4& f) {
        f.Edit3->setText("ANABEL");
        f.move(f.pos() + QPoint(30, 40));
        const QPoint moved = f.pos();
        QShowEvent restored; // what the desktop sends when a minimised window comes back
        QCoreApplication::sendEvent(&f, &restored);
        EXPECT_EQ(f.Edit3->text(), "ANABEL");
        EXPECT_EQ(f.pos(), moved);
    });
}

TEST_F(EntryDialogTest, SaveRestoresTheMainWindowWidth) {
    ordinaryStart({});
    writeIni("[ventana]\r\nfastcall=0\r\n");
    start();
    window->setWindowWidth(546); // e.g. the bar was shown after start-up
    withDialog(&TForm1::Persona1Click, [&](TForm4& f) {
        typeInto(f.Edit3, "ana");
        clickOk(f);
    });
    EXPECT_EQ(window->width(), 546);
}

TEST_F(EntryDialogTest, FailedWriteKeepsTheDialogOpenWithItsTexts) {
    ordinaryStart(personsNamed({"ANA"}));
    start();
    std::string before = readBytes(personsFile());
    withDialog(&TForm1::bNuevo2Click, [&](TForm4& f) {
        typeInto(f.Edit3, "beto");
        core::fileio::setFaults({3, ENOSPC, -1});
        EXPECT_THROW(f.botonimClick(), core::IoError);
        core::fileio::clearFaults();
        EXPECT_TRUE(f.isVisible());
        EXPECT_EQ(f.Edit3->text(), "BETO");
    });
    EXPECT_EQ(readBytes(personsFile()), before);
}

TEST_F(EntryDialogTest, AWriteThatKeptTheFileIsNeverReportedAsSaved) {
    ordinaryStart(personsNamed({"ANA", "CARLOS"}));
    start();
    const std::string before = readBytes(personsFile());
    int refusals = 0;
    for (bool isNew : {true, false}) {
        // Fail each file operation in turn; the ones the rewrite reports by message (closing
        // or renaming the temporary file) leave the file as it was and the dialog ready.
        for (long n = 1;; ++n) {
            bool fired = false;
            withDialog(isNew ? &TForm1::bNuevo2Click : &TForm1::bmodificarClick, [&](TForm4& f) {
                f.Edit3->setText("BETO");
                fakes.prompter.messages.clear();
                core::fileio::setFaults({n, EIO, -1});
                try {
                    clickOk(f);
                } catch (const core::IoError&) {
                }
                fired = core::fileio::callCount() >= n;
                core::fileio::clearFaults();
                bool reported = false;
                for (const auto& m : fakes.prompter.messages)
                    reported = reported || m.text.contains("Código: 101") ||
                               m.text.contains("(Código:104)");
                if (fired && reported) {
                    ++refusals;
                    EXPECT_EQ(readBytes(personsFile()), before) << "call " << n;
                    EXPECT_TRUE(f.isVisible());
                    EXPECT_TRUE(f.botonim->isEnabled());
                    EXPECT_EQ(f.statusText(),
                              "No se guardó el registro. Presione OK para intentarlo de nuevo.");
                    EXPECT_EQ(f.Edit3->text(), "BETO");
                }
            });
            writeBytes(personsFile(), before);
            notFirstRun();
            start();
            if (!fired)
                break;
        }
    }
    EXPECT_EQ(refusals, 4); // close and rename, for a new record and for a modify
}

TEST_F(EntryDialogTest, ModifyOfARecordAnotherWindowChangedChangesNothing) {
    ordinaryStart(personsNamed({"ANA", "BETO", "CARLA"}));
    start();
    window->barra->setValue(2);
    std::string before;
    withDialog(&TForm1::bmodificarClick, [&](TForm4& f) {
        f.Edit3->setText("BETTY");
        core::eliminar(personsFile(), 0); // meanwhile another window deletes ANA
        before = readBytes(personsFile());
        clickOk(f);
        EXPECT_FALSE(f.isVisible());
    });
    EXPECT_TRUE(readBytes(personsFile()) == before); // CARLA is not replaced by BETTY
    EXPECT_TRUE(fakes.prompter.messages.back().text.contains("cambiado desde otra ventana"));
    EXPECT_EQ(platform::fromQ(field(core::person::Name)),
              core::readRecord(personsFile(), window->getcurrentview()).texts[0]);
}
