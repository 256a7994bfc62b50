// "Deshacer" and "Rehacer" of the Edición menu, driven as a person would.
#include "core/undo.h"
#include "records/ingreso.h"
#include "support/mainwindow_fixture.h"

#include <QAction>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QTest>

using namespace testsupport;

TEST_F(MainWindowTest, UndoAndRedoNameTheChangeFollowTheViewAndActFromTheBoxes) {
    ordinaryStart(personsNamed({"ANA", "BETO", "CARLOS"}), companiesNamed({"ACME"}));
    TForm1& w = start();
    const std::string before = readBytes(personsFile());
    EXPECT_EQ(w.Deshacer1->text(), "Deshacer");
    EXPECT_FALSE(w.Deshacer1->isEnabled());
    w.barra->setValue(2);
    w.bEliminarClick();
    const std::string deleted = readBytes(personsFile());
    EXPECT_EQ(w.Deshacer1->text(), "Deshacer: eliminar BETO");
    EXPECT_TRUE(w.Deshacer1->isEnabled());
    EXPECT_EQ(w.Rehacer1->text(), "Rehacer");
    EXPECT_FALSE(w.Rehacer1->isEnabled());
    // The companies file has nothing to undo.
    w.SpeedButton6Click();
    EXPECT_EQ(w.Deshacer1->text(), "Deshacer");
    EXPECT_FALSE(w.Deshacer1->isEnabled());
    w.SpeedButton7Click();
    EXPECT_EQ(w.Deshacer1->text(), "Deshacer: eliminar BETO");

    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    w.barra->setValue(1);
    w.cuadro1->setFocus();
    QTest::keyClick(w.cuadro1, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(readBytes(personsFile()) == before);
    EXPECT_EQ(w.getcurrentview(), 1); // the record that came back
    EXPECT_EQ(field(core::person::Name), "BETO");
    EXPECT_EQ(w.Deshacer1->text(), "Deshacer");
    EXPECT_EQ(w.Rehacer1->text(), "Rehacer: eliminar BETO");
    w.Edit3->setFocus();
    QTest::keyClick(w.Edit3, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_TRUE(readBytes(personsFile()) == deleted);
    EXPECT_EQ(field(core::person::Name), "CARLOS");
    EXPECT_EQ(w.Deshacer1->text(), "Deshacer: eliminar BETO");
    EXPECT_EQ(fakes.prompter.messages.size(), 2u); // the delete's question and confirmation
}

TEST_F(MainWindowTest, UndoOfAModifyPutsTheRecordBackInItsPlace) {
    ordinaryStart(personsNamed({"ANA", "BETO", "CARLOS"}));
    TForm1& w = start();
    w.barra->setValue(2);
    fakes.modal.drive = [](QDialog* d) {
        auto& f = *static_cast<TForm4*>(d);
        f.Edit3->setText("ZOILO");
        QTest::mouseClick(f.botonim, Qt::LeftButton);
    };
    w.bmodificarClick();
    ASSERT_EQ(namesIn(personsFile()), (std::vector<std::string>{"ANA", "CARLOS", "ZOILO"}));
    EXPECT_EQ(w.Deshacer1->text(), "Deshacer: modificar BETO");
    w.barra->setValue(1);
    w.Deshacer1->trigger();
    EXPECT_EQ(namesIn(personsFile()), (std::vector<std::string>{"ANA", "BETO", "CARLOS"}));
    EXPECT_EQ(w.getcurrentview(), 1);
    EXPECT_EQ(field(core::person::Name), "BETO");
}

TEST_F(MainWindowTest, AnUndoAfterAnotherProgramWroteTheFileIsRefusedAndSaysWhy) {
    ordinaryStart(personsNamed({"ANA", "BETO"}));
    TForm1& w = start();
    w.bEliminarClick();
    fakes.prompter.messages.clear();
    const std::string theirs = bytesOf(personsNamed({"OTRO"}));
    writeBytes(personsFile(), theirs);
    w.Deshacer1->trigger();
    EXPECT_TRUE(readBytes(personsFile()) == theirs);
    ASSERT_EQ(fakes.prompter.messages.size(), 1u);
    EXPECT_EQ(fakes.prompter.messages[0].title, "Deshacer");
    EXPECT_EQ(fakes.prompter.messages[0].text,
              "El archivo " + QString::fromStdString(personsFile().string()) +
                  " fue cambiado por otro programa después de \"eliminar ANA\". Para no perder "
                  "esos cambios no se ha modificado nada.");
    EXPECT_EQ(field(core::person::Name), "OTRO");
}

TEST_F(MainWindowTest, AChangeWhoseVersionCannotBeKeptSaysSoAndOffersNoUndo) {
    ordinaryStart(personsNamed({"ANA", "BETO"}));
    TForm1& w = start();
    writeBytes(dir / core::undo::kVersionsFolder, "no folder"); // where the versions would go
    w.bEliminarClick();
    EXPECT_EQ(namesIn(personsFile()), std::vector<std::string>{"BETO"});
    EXPECT_EQ(w.statusBar()->currentMessage(), "No se pudo guardar la versión anterior del "
                                               "archivo: este último cambio no se podrá "
                                               "deshacer.");
    EXPECT_FALSE(w.Deshacer1->isEnabled());
}
