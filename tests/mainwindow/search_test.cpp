// Searching from the main window: while typing, with "Buscar"/"Siguiente" and Enter.
#include "support/mainwindow_fixture.h"
#include "support/typing.h"

#include "core/fileio.h"

#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cerrno>

using namespace testsupport;

namespace {

const QString kAnother = "Presione este botón para buscar otro registro coincidente";
const QString kSearch = "Presione este botón para buscar registro en el archivo.";

std::vector<core::Record> people() {
    auto p = personsNamed({"ANA MARIA", "BETO", "JUANA", "MARIANA"});
    p[1].texts[core::person::Phone] = "45";
    p[1].texts[core::person::Mobile] = "123";
    p[2].texts[core::person::Phone] = "555";
    p[2].texts[core::person::Mobile] = "1";
    return p;
}

} // namespace

TEST_F(MainWindowTest, TypingSearchesFreshThenSiguienteContinuesToTheEndOfFile) {
    ordinaryStart(people());
    TForm1& w = start();
    EXPECT_EQ(w.focusWidget(), w.cuadro1);
    EXPECT_EQ(w.elboton->toolTip(), "Presione este botón para buscar en el archivo.");
    w.barra->setValue(2);

    typeInto(w.cuadro1, "ana");
    EXPECT_EQ(w.cuadro1->text(), "ANA");
    EXPECT_EQ(w.getcurrentview(), 0);
    EXPECT_EQ(w.resultado->text(), "Persona encontrada.");
    EXPECT_TRUE(w.found->isVisibleTo(&w));
    EXPECT_FALSE(w.nofound->isVisibleTo(&w));
    EXPECT_EQ(w.elboton->text(), "Siguiente");
    EXPECT_EQ(w.elboton->toolTip(), kAnother);

    w.elbotonClick();
    EXPECT_EQ(field(core::person::Name), "JUANA");
    EXPECT_EQ(w.elboton->toolTip(), kAnother + ".");
    QTest::keyClick(w.cuadro1, Qt::Key_Return); // Enter acts as the button
    EXPECT_EQ(field(core::person::Name), "MARIANA");
    EXPECT_TRUE(fakes.prompter.messages.empty());

    w.elbotonClick();
    ASSERT_EQ(fakes.prompter.messages.size(), 1u);
    EXPECT_EQ(fakes.prompter.messages[0].text, "No se encontró otro registro coincidente");
    EXPECT_EQ(fakes.prompter.messages[0].title, "Fin de archivo");
    EXPECT_EQ(fakes.prompter.messages[0].buttons, platform::Prompter::OK);
    EXPECT_EQ(w.resultado->text(), "No encontrado");
    EXPECT_TRUE(w.nofound->isVisibleTo(&w));
    EXPECT_EQ(w.elboton->text(), "Buscar");
    EXPECT_EQ(w.elboton->toolTip(), kSearch);
    EXPECT_EQ(w.getcurrentview(), 3); // the record in view stays
    w.elbotonClick();                 // no wrap: starts again at record 0
    EXPECT_EQ(w.getcurrentview(), 0);
    EXPECT_TRUE(w.continuing());

    // Typing in a box clears the continuation; with automatic search off nothing is searched.
    w.mautobuscar->trigger();
    EXPECT_FALSE(w.mautobuscar->isChecked());
    typeInto(w.cuadro2, "5");
    EXPECT_FALSE(w.continuing());
    EXPECT_EQ(w.getcurrentview(), 0);
    w.cuadro1->clear();
    w.cuadro2->setText("512"); // Phone 45 and Mobile 123 are joined without a separator
    w.elbotonClick();
    EXPECT_EQ(field(core::person::Name), "BETO");
    w.cuadro1->setText("ANA"); // both boxes: ANA MARIA matches box 1 only and is skipped
    w.cuadro2->setText("555");
    w.elbotonClick();
    EXPECT_EQ(field(core::person::Name), "JUANA");
    w.cuadro2->setText("551"); // 555 + 1: the third 5 is not tried again
    w.elbotonClick();
    EXPECT_EQ(w.resultado->text(), "No se encontró.");
    EXPECT_EQ(fakes.prompter.messages.size(), 1u);

    w.cuadro1->clear();
    w.cuadro2->clear();
    EXPECT_FALSE(w.elboton->isEnabled());
    EXPECT_EQ(w.resultado->text(), "Mueva barra desplazamiento");
}

TEST_F(MainWindowTest, CompanySearchResultsAndTheBoxesBothFilled) {
    auto companies = companiesNamed({"ACME", "BAZAR", "CASA"});
    companies[0].texts[core::company::WebSite] = "www.acme.example";
    companies[2].texts[core::company::WebSite] = "www.casa.example";
    companies[2].texts[core::company::Business] = "FERRETERIA";
    ordinaryStart(personsNamed({"ANA"}), companies);
    TForm1& w = start();
    w.SpeedButton6Click();

    w.cuadro2->setText("WWW");
    EXPECT_EQ(w.resultado->text(), "Se encontró empresa.");
    EXPECT_EQ(w.elboton->toolTip(), kAnother);
    w.elboton->setToolTip("hint before");
    w.elbotonClick();
    EXPECT_EQ(field(core::company::Name), "CASA");
    EXPECT_EQ(w.elboton->toolTip(), "hint before"); // a continued company match leaves it
    w.elbotonClick();
    EXPECT_EQ(w.resultado->text(), "No se encontró empresa.");
    EXPECT_EQ(fakes.prompter.texts(), QStringList{"No se encontró otro registro coincidente"});

    w.cuadro1->setText("A");
    w.cuadro2->setText("FERRETERIA"); // ACME and BAZAR match box 1 only
    EXPECT_EQ(field(core::company::Name), "CASA");
    w.cuadro1->setText("B");
    EXPECT_EQ(w.resultado->text(), "No se encontró empresa.");
    EXPECT_EQ(fakes.prompter.messages.size(), 1u); // a fresh miss asks nothing
}

TEST_F(MainWindowTest, SearchFailuresAndAStaleScrollRange) {
    ordinaryStart(personsNamed({"ANA", "BETO"}), companiesNamed({"ACME"}));
    TForm1& w = start();

    // A file that grew behind the window's back: the match lies beyond the scroll range.
    writePersons(personsNamed({"ANA", "BETO", "CARLA", "DANIEL", "ZOE"}));
    w.cuadro1->setText("ZOE");
    EXPECT_EQ(w.getcurrentview(), 4);
    EXPECT_EQ(field(core::person::Name), "ZOE");
    EXPECT_EQ(w.barra->maximum(), 5);

    std::filesystem::remove(personsFile());
    w.resultado->setText("antes");
    w.cuadro1->setText("ANA");
    ASSERT_EQ(fakes.prompter.messages.size(), 1u);
    EXPECT_EQ(fakes.prompter.messages[0].text,
              "No se puede acceder al archivo. Reinicie el programa. (CodErr: 110)");
    EXPECT_EQ(fakes.prompter.messages[0].icon, platform::Prompter::Icon::Warning);
    EXPECT_EQ(w.resultado->text(), "antes");

    w.SpeedButton6Click();
    std::filesystem::remove(companiesFile());
    EXPECT_THROW(w.buscar(), core::IoError); // only the persons view reports its own box

    // Without working files a change of a box says so and searches nothing.
    notFirstRun();
    fakes.prompter.answers = {platform::Prompter::No};
    TForm1& broken = start();
    broken.Escribe();
    EXPECT_EQ(broken.resultado->text(), "Error: falta(n) archivo(s).");
    EXPECT_TRUE(broken.nofound->isVisibleTo(&broken));
    EXPECT_FALSE(broken.elboton->isEnabled());
    broken.vrClick(1); // the quick-view bar too has no file to go to
    EXPECT_EQ(fakes.prompter.messages.back().text, "No hay archivos de trabajos");
    EXPECT_EQ(fakes.prompter.messages.back().title, "Error (Cod. 106)");
}

// While the program waits between keys, the search reads on past its match, a slice at a time;
// the keys after it then read nothing but the record they show. A read that fails meanwhile
// stops the reading quietly: the next key's own search meets the file as it is.
TEST_F(MainWindowTest, BetweenKeysTheSearchReadsOnSoThatTheNextKeysReadOnlyWhatTheyShow) {
    std::vector<core::Record> persons = personsNamed(std::vector<std::string>(3000, "NADIE"));
    persons[10] = personsNamed({"JUAN PEREZ"})[0];
    persons[2500] = personsNamed({"JUAN PERALTA"})[0];
    ordinaryStart(persons);
    TForm1& w = start();
    auto* ahead = w.findChild<QTimer*>("readingAhead");
    ASSERT_NE(ahead, nullptr);
    QTest::qWait(10); // past the clock tick of the file's last write

    typeInto(w.cuadro1, "juan");
    EXPECT_EQ(w.getcurrentview(), 10);
    EXPECT_TRUE(ahead->isActive());
    QTRY_VERIFY(!ahead->isActive());
    std::vector<std::string> calls;
    core::fileio::traceCalls(&calls);
    typeInto(w.cuadro1, " pera");
    core::fileio::traceCalls(nullptr);
    EXPECT_EQ(w.getcurrentview(), 2500);
    EXPECT_EQ(field(core::person::Name), "JUAN PERALTA");
    EXPECT_EQ(std::count_if(calls.begin(), calls.end(),
                            [](const std::string& c) { return c.rfind("read ", 0) == 0; }),
              1); // the record shown

    typeInto(w.cuadro1, "l");
    EXPECT_TRUE(ahead->isActive());
    core::fileio::setFaults({1, EIO, -1});
    QTRY_VERIFY(!ahead->isActive());
    core::fileio::clearFaults();
    EXPECT_TRUE(fakes.prompter.messages.empty());
    typeInto(w.cuadro1, "x");
    EXPECT_EQ(w.resultado->text(), "No se encontró.");
    QTest::keyClick(w.cuadro1, Qt::Key_Backspace);
    EXPECT_EQ(w.getcurrentview(), 2500);
    EXPECT_EQ(w.resultado->text(), "Persona encontrada.");
}
