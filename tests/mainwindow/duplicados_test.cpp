// Finding and merging duplicates from the main window, by keyboard.
#include "mainwindow/duplicados.h"
#include "support/mainwindow_fixture.h"

#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

using namespace testsupport;
using platform::Prompter;

namespace {

core::Record person(const std::string& name, int slot, const std::string& text,
                    const std::string& notes = {}) {
    core::Record r = personRecord(name);
    r.texts[slot] = text;
    r.texts[core::person::Notes] = notes;
    return r;
}

const std::vector<core::Record> kPersons = {
    person("ANA", core::person::Address, "Calle Mayor 1"),
    person("JUAN PEREZ", core::person::Phone, "22334455", std::string(200, 'a')),
    person("LUIS", core::person::Mobile, "99887766"),
    person("PEREZ JUAN", core::person::Email1, "juan@perez.cl", std::string(100, 'b')),
    person("ZOE", core::person::Mobile, "+56 9 9988 7766"),
};

TForm9* activate(QDialog* dialog) {
    dialog->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(dialog));
    // The focus follows once the activation has been handled.
    EXPECT_TRUE(QTest::qWaitFor([dialog] { return QApplication::activeWindow() == dialog; }));
    return qobject_cast<TForm9*>(dialog);
}

} // namespace

TEST_F(MainWindowTest, DuplicatesAreMergedAndSkippedByKeyboardAlone) {
    ordinaryStart(kPersons);
    TForm1& w = start();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    bool driven = false;
    fakes.modal.drive = [&](QDialog* dialog) {
        TForm9* f = activate(dialog);
        ASSERT_TRUE(f);
        driven = true;
        EXPECT_EQ(f->etiquetagrupos->text(), "&Grupos de posibles duplicados: 2");
        ASSERT_EQ(f->listagrupos->count(), 2);
        EXPECT_EQ(f->listagrupos->item(0)->text(),
                  "JUAN PEREZ  —  2 registros; coinciden en: nombre");
        EXPECT_EQ(f->listagrupos->item(1)->text(), "LUIS  —  2 registros; coinciden en: teléfono");
        for (QWidget* control : f->findChildren<QWidget*>())
            if (control->focusPolicy() & Qt::TabFocus) {
                EXPECT_FALSE(control->accessibleName().isEmpty())
                    << control->metaObject()->className();
            }
        // The proposal: the longest texts, the notes joined and cut, which the window says.
        QComboBox* phone = f->combinado[core::person::Phone];
        QComboBox* notes = f->combinado[core::person::Notes];
        EXPECT_EQ(phone->currentText(), "22334455");
        EXPECT_EQ(f->combinado[core::person::Email1]->currentText(), "juan@perez.cl");
        EXPECT_EQ(notes->currentText(), QString(200, 'a') + " | " + QString(53, 'b'));
        EXPECT_EQ(f->aviso->text(), "Las notas unidas pasan de 255 caracteres: el registro "
                                    "combinado las guardará cortadas.");
        // Tab from the list to the phone's choice, which drops the number; the notes keep the
        // second record's.
        EXPECT_EQ(QApplication::focusWidget(), f->listagrupos);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), phone);
        QTest::keyClick(phone, Qt::Key_End);
        EXPECT_EQ(phone->currentText(), "(vacío)");
        QTest::keyClick(notes, Qt::Key_Down);
        QTest::keyClick(notes, Qt::Key_Down);
        EXPECT_EQ(notes->currentText(), QString(100, 'b'));
        EXPECT_EQ(f->aviso->text(), "");

        // A button's mnemonic clicks it once its press has been seen, a moment later.
        QTest::keyClick(f, Qt::Key_O, Qt::AltModifier); // "C&ombinar", confirmed with Sí
        ASSERT_TRUE(QTest::qWaitFor([&] { return f->listagrupos->count() == 1; }));
        EXPECT_EQ(f->listagrupos->item(0)->text(), "LUIS  —  2 registros; coinciden en: teléfono");
        EXPECT_EQ(f->combinado[core::person::Mobile]->currentText(), "+56 9 9988 7766");
        QTest::keyClick(f, Qt::Key_N, Qt::AltModifier); // "&No son duplicados"
        ASSERT_TRUE(QTest::qWaitFor([&] { return f->listagrupos->count() == 0; }));
        EXPECT_EQ(f->etiquetagrupos->text(), "No quedan grupos de posibles duplicados.");
        EXPECT_FALSE(f->bcombinar->isEnabled());
        QTest::keyClick(f, Qt::Key_C, Qt::AltModifier);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !f->isVisible(); }));
    };
    w.cuadro1->setFocus();
    QTest::keyClick(w.cuadro1, Qt::Key_D, Qt::ControlModifier | Qt::ShiftModifier);
    ASSERT_TRUE(driven);

    ASSERT_EQ(fakes.prompter.messages.size(), 1u);
    EXPECT_EQ(fakes.prompter.messages[0].text, "Los 2 registros del grupo se reemplazarán por el "
                                               "registro combinado. ¿Desea continuar?");
    core::Record merged =
        person("JUAN PEREZ", core::person::Email1, "juan@perez.cl", std::string(100, 'b'));
    EXPECT_EQ(readBytes(personsFile()), bytesOf({kPersons[0], merged, kPersons[2], kPersons[4]}));
    EXPECT_EQ(w.barra->maximum(), 4); // the view shows the file as it is now
}

TEST_F(MainWindowTest, AMergeAfterAnotherInstanceChangedTheFileIsRefusedAndTheGroupsFoundAgain) {
    ordinaryStart(kPersons);
    TForm1& w = start();
    std::string changed;
    fakes.modal.drive = [&](QDialog* dialog) {
        auto* f = qobject_cast<TForm9*>(dialog);
        ASSERT_EQ(f->listagrupos->count(), 2);
        // Another instance adds a record before the group's, and one more of LUIS's number.
        std::vector<core::Record> now = kPersons;
        now.insert(now.begin(), person("AARON", core::person::Phone, "9988 7766"));
        writePersons(now);
        changed = readBytes(personsFile());
        f->bcombinarClick();
        ASSERT_EQ(fakes.prompter.messages.size(), 2u);
        EXPECT_EQ(fakes.prompter.messages[1].icon, Prompter::Icon::Warning);
        EXPECT_EQ(fakes.prompter.messages[1].text,
                  "El archivo " + platform::toQ(personsFile().string()) +
                      " fue cambiado desde otra ventana del programa después de buscar los "
                      "duplicados. No se ha combinado ningún registro; los grupos se buscan de "
                      "nuevo.");
        ASSERT_EQ(f->listagrupos->count(), 2);
        EXPECT_EQ(f->listagrupos->item(0)->text(), "AARON  —  3 registros; coinciden en: teléfono");
        f->bcerrarClick();
    };
    w.mduplicadosClick();
    EXPECT_EQ(readBytes(personsFile()), changed);
}

TEST_F(MainWindowTest, AFileWithoutDuplicatesIsSaidSoWithoutAWindow) {
    ordinaryStart(personsNamed({"ANA", "BETO"}), companiesNamed({"ACME"}));
    TForm1& w = start();
    w.SpeedButton6Click();
    w.mduplicadosClick();
    EXPECT_EQ(fakes.modal.shown, 0);
    ASSERT_EQ(fakes.prompter.messages.size(), 1u);
    EXPECT_EQ(fakes.prompter.messages[0].text,
              "No se encontraron registros duplicados en el archivo " +
                  platform::toQ(companiesFile().string()) + ".");
}
