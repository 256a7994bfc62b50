// The two views, the record display and the scroll bar.
#include "support/mainwindow_fixture.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>
#include <QWheelEvent>
#include <random>

using namespace testsupport;

namespace {

std::vector<std::string> numbered(const std::string& prefix, int n) {
    std::vector<std::string> names;
    for (int i = 0; i < n; ++i)
        names.push_back(prefix + char('A' + i));
    return names;
}

QString accessibleName(QWidget* widget) {
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
    return face ? face->text(QAccessible::Name) : QString();
}

} // namespace

TEST_F(MainWindowTest, SwitchingViewsKeepsThePositionWithinTheNewCount) {
    ordinaryStart(personsNamed(numbered("P", 8)), companiesNamed(numbered("C", 3)));
    TForm1& w = start();
    w.barra->setValue(6);
    EXPECT_EQ(w.getcurrentview(), 5);
    EXPECT_EQ(field(core::person::Name), "PF");

    w.SpeedButton6Click();
    EXPECT_FALSE(w.currentViewIsPersons());
    EXPECT_EQ(w.getcurrentview(), 2);
    EXPECT_EQ(field(core::company::Name), "CC");
    EXPECT_EQ(w.visorreg->text(), "3");

    writeCompanies(companiesNamed(numbered("C", 10)));
    w.SpeedButton7Click();
    w.barra->setValue(6);
    w.SpeedButton6Click();
    EXPECT_EQ(w.getcurrentview(), 5);
    EXPECT_EQ(field(core::company::Name), "CF");
    EXPECT_EQ(field(core::company::Business), "rubro CF");
}

TEST_F(MainWindowTest, ViewTextsCaptionsAndLinkStyle) {
    ordinaryStart(personsNamed({"ANA"}), companiesNamed({"ACME"}));
    TForm1& w = start();
    auto underlined = [](QLineEdit* e) { return e->font().underline(); };
    auto blue = [](QLineEdit* e) { return e->palette().color(QPalette::Text) == QColor(Qt::blue); };
    auto hand = [](QLineEdit* e) { return e->cursor().shape() == Qt::PointingHandCursor; };

    EXPECT_EQ(w.windowTitle(), "Tevo Riviva 2 -> Buscar Personas");
    EXPECT_EQ(w.Label1->text(), "Ingrese Nombre, Apellido >>");
    EXPECT_EQ(w.Label2->text(), "Ingrese Número Telefónico >>");
    EXPECT_EQ(w.Label5->text(), "Num. Telefónico Fijo:");
    EXPECT_EQ(w.Label6->text(), "Num. Telefónico Móvil:");
    EXPECT_FALSE(w.imgempresas->isVisibleTo(&w));
    EXPECT_TRUE(w.imgpersonas->isVisibleTo(&w));
    for (QLineEdit* e : {w.Edit8, w.Edit9, w.Edit10})
        EXPECT_TRUE(underlined(e) && blue(e) && hand(e)) << e->objectName().toStdString();
    EXPECT_FALSE(underlined(w.Edit7) || blue(w.Edit7) || hand(w.Edit7));

    w.cuadro1->setText("ANA");
    w.SpeedButton6Click();
    EXPECT_EQ(w.windowTitle(), "Tevo Riviva 2 -> Buscar Empresas");
    EXPECT_EQ(w.Label1->text(), "Ingrese Nombre de Empresa >>");
    EXPECT_EQ(w.Label2->text(), "Ingrese Rubro, Giro o Web >>");
    const char* captions[] = {"Nombre Organización:",
                              "Rubro / Giro:",
                              "Número Telefónico",
                              "Número de Fax:",
                              "Sitio Web:",
                              "Correo Electrónico:",
                              "Contacto (Personas):",
                              "Ubicación / Dirección:",
                              "Información Adicional:"};
    for (int i = 0; i < core::kSlotCount; ++i)
        EXPECT_EQ(w.displayLabels()[i]->text(), QString(captions[i]));
    EXPECT_TRUE(w.imgempresas->isVisibleTo(&w));
    EXPECT_FALSE(w.imgpersonas->isVisibleTo(&w));
    for (QLineEdit* e : {w.Edit7, w.Edit8})
        EXPECT_TRUE(underlined(e) && blue(e) && hand(e)) << e->objectName().toStdString();
    for (QLineEdit* e : {w.Edit9, w.Edit10})
        EXPECT_FALSE(underlined(e) || blue(e) || hand(e)) << e->objectName().toStdString();
    EXPECT_EQ(w.cuadro1->text(), "ANA"); // the search boxes keep their text

    // The view is written at once.
    EXPECT_NE(readBytes(iniFile()).find("ultimo=0\r\n"), std::string::npos);

    // A screen reader hears every box and button by the text its label or caption shows.
    for (int i = 0; i < core::kSlotCount; ++i)
        EXPECT_EQ(accessibleName(w.displayFields()[i]), QString(captions[i]));
    EXPECT_EQ(accessibleName(w.cuadro1), "Ingrese Nombre de Empresa >>");
    EXPECT_EQ(accessibleName(w.cuadro2), "Ingrese Rubro, Giro o Web >>");
    EXPECT_EQ(accessibleName(w.SpeedButton7), "Personas");
    EXPECT_EQ(accessibleName(w.SpeedButton6), "Empresas");
    EXPECT_EQ(accessibleName(w.vr[0]), "No asignado");
    for (auto* box : w.centralWidget()->findChildren<QLineEdit*>())
        EXPECT_FALSE(accessibleName(box).isEmpty()) << box->objectName().toStdString();
    for (auto* button : w.centralWidget()->findChildren<QAbstractButton*>())
        EXPECT_FALSE(accessibleName(button).isEmpty()) << button->objectName().toStdString();
}

TEST_F(MainWindowTest, SwitchingToAnEmptyFileShowsTheNoRecordsState) {
    ordinaryStart(personsNamed({"ANA", "BETO"}), {});
    TForm1& w = start();
    EXPECT_TRUE(w.bmodificar->isEnabled());
    w.SpeedButton6Click();
    for (int i = 0; i < core::kSlotCount; ++i)
        EXPECT_EQ(field(i), "");
    EXPECT_EQ(w.visorreg->text(), "N/R");
    EXPECT_FALSE(w.barra->isEnabled());
    EXPECT_FALSE(w.cuadro1->isEnabled());
    EXPECT_FALSE(w.cuadro2->isEnabled());
    EXPECT_FALSE(w.elboton->isEnabled());
    EXPECT_TRUE(w.bnuevo->isEnabled());
    EXPECT_TRUE(w.bimprimir->isEnabled());
    EXPECT_TRUE(w.bmarcar->isEnabled());
    EXPECT_FALSE(w.bmodificar->isEnabled());
    EXPECT_FALSE(w.beliminar->isEnabled());
    for (QAction* a :
         {w.mModificar, w.mEliminar, w.mImprimir, w.mregistroennuevo, w.maderir, w.mguardarvcard,
          w.mmarcar, w.menviarcorreo, w.pmimprimir, w.pmCopiartodosloscampos1})
        EXPECT_FALSE(a->isEnabled()) << a->objectName().toStdString();
    EXPECT_EQ(w.resultado->text(), "");

    // Back to a file with records: the records state returns with the first record shown.
    w.SpeedButton7Click();
    EXPECT_TRUE(w.bmodificar->isEnabled());
    EXPECT_TRUE(w.beliminar->isEnabled());
    EXPECT_TRUE(w.mEliminar->isEnabled());
    EXPECT_TRUE(w.barra->isEnabled());
    EXPECT_TRUE(w.cuadro1->isEnabled());
}

TEST_F(MainWindowTest, OneRecordFileAndIncompleteTailRecord) {
    std::string bytes = bytesOf(personsNamed({"UNICO"}));
    ordinaryStart({});
    TForm1& w = start();
    // Start-up refuses such a file; one that grows a tail afterwards still shows what it has.
    writeBytes(personsFile(), bytes + std::string(1000, 'x'));
    w.SpeedButton7Click();
    EXPECT_EQ(w.barra->minimum(), 1);
    EXPECT_EQ(w.barra->maximum(), 1);
    EXPECT_EQ(w.getcurrentview(), 0);
    EXPECT_EQ(field(core::person::Name), "UNICO");
    EXPECT_EQ(w.visorreg->text(), "1");
}

TEST_F(MainWindowTest, ShortFileCountsAsEmpty) {
    ordinaryStart({});
    TForm1& w = start();
    writeBytes(personsFile(), std::string(1635, 'x'));
    w.SpeedButton7Click();
    EXPECT_EQ(w.visorreg->text(), "N/R");
    EXPECT_FALSE(w.barra->isEnabled());
}

TEST_F(MainWindowTest, EveryByteSurvivesTheDisplay) {
    core::Record r = personRecord("");
    for (int slot = 0; slot < core::kSlotCount; ++slot)
        for (int b = 0; b < 256; ++b)
            if (b % core::kSlotCount == slot)
                r.texts[slot].push_back(static_cast<char>(b));
    r.texts[core::person::Name] += "\x81\x8D\x8F\x90\x9D";
    ordinaryStart({r});
    TForm1& w = start();
    auto texts = w.displayedTexts();
    for (int slot = 0; slot < core::kSlotCount; ++slot)
        EXPECT_EQ(platform::fromQ(texts[slot]), r.texts[slot]) << "slot " << slot;
}

TEST_F(MainWindowTest, LengthBytesAboveCapacityAreClampedOnDisplay) {
    core::Record r = personRecord("ANA");
    core::RecordBytes bytes = core::encodeRecord(r);
    bytes[256] = 250; // Phone holds at most 100
    std::fill(bytes.begin() + 257, bytes.begin() + 357, '7');
    ordinaryStart({});
    writeBytes(personsFile(), std::string(bytes.begin(), bytes.end()));
    start();
    EXPECT_EQ(field(core::person::Phone), QString(100, '7'));
}

TEST_F(MainWindowTest, CompaniesFileUsedAsPersonsFileIsRefusedAtStartUp) {
    // Shown with the persons' captions, its first change would file persons among companies.
    ordinaryStart(companiesNamed({"ACME"}), companiesNamed({"ACME"}));
    TForm1& w = start();
    ASSERT_EQ(fakes.prompter.messages.size(), 1u);
    EXPECT_EQ(fakes.prompter.messages[0].title,
              "Error, No se ingreso registro al archivo (Código 108)");
    EXPECT_TRUE(w.personsUnusable());
    EXPECT_EQ(field(0), "");
}

TEST_F(MainWindowTest, ArbitraryBytesInTheFilesNeverBreakStartUpOrBrowsing) {
    std::mt19937 random(20261208);
    auto noise = [&](std::size_t n) {
        std::string bytes(n, '\0');
        for (char& c : bytes)
            c = static_cast<char>(random() & 0xFF);
        return bytes;
    };
    notFirstRun();
    std::string persons = noise(core::kRecordSize * 40);
    std::string companies = noise(core::kRecordSize * 3);
    writeBytes(personsFile(), persons + noise(77));
    writeBytes(companiesFile(), companies);
    writeIni(noise(600) + "\r\n[ventana]\r\nlastview=\x85\xff\r\n" + noise(300));
    start(); // neither is a data file: both refused, nothing thrown
    EXPECT_TRUE(window->personsUnusable());
    EXPECT_EQ(fakes.prompter.messages.size(), 2u);

    // Noise in every record but the first tag, which makes them files of their kinds.
    persons.replace(core::kTagOffset, 4, std::string("\x14\0\0\0", 4));
    companies.replace(core::kTagOffset, 4, std::string("\xFC\x03\0\0", 4));
    writeBytes(personsFile(), persons);
    writeBytes(companiesFile(), companies);
    notFirstRun();
    TForm1& w = start();
    for (int position = 1; position <= 40; ++position) {
        w.barra->setValue(position);
        ASSERT_EQ(w.getcurrentview(), position - 1);
        for (int slot = 0; slot < core::kSlotCount; ++slot)
            EXPECT_LE(static_cast<std::size_t>(field(slot).size()), core::kSlots[slot].capacity);
    }
    w.SpeedButton6Click();
    EXPECT_EQ(w.barra->maximum(), 3);
}

TEST_F(MainWindowTest, MouseWheelOverTheRecordBrowsesTheFile) {
    ordinaryStart(personsNamed({"ANA", "BETO", "CARLOS"}));
    TForm1& w = start();
    QPoint at = w.Edit5->rect().center();
    QWheelEvent down(at, w.Edit5->mapToGlobal(at), {}, {0, -120}, Qt::NoButton, Qt::NoModifier,
                     Qt::NoScrollPhase, false);
    QApplication::sendEvent(w.Edit5, &down);
    EXPECT_EQ(field(core::person::Name), "BETO");
}

TEST_F(MainWindowTest, KeysBrowseTheFileFromTheSearchBoxes) {
    ordinaryStart(personsNamed({"ANA", "BETO", "CARLA"}));
    TForm1& w = start();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    w.cuadro1->setFocus();
    w.cuadro1->setText("X");
    auto shown = [&] { return w.Edit3->text().toStdString(); };
    ASSERT_EQ(shown(), "ANA");
    QTest::keyClick(w.cuadro1, Qt::Key_PageDown);
    EXPECT_EQ(shown(), "BETO");
    QTest::keyClick(w.cuadro1, Qt::Key_End, Qt::AltModifier);
    EXPECT_EQ(shown(), "CARLA");
    QTest::keyClick(w.cuadro1, Qt::Key_PageDown); // stays at the last
    EXPECT_EQ(shown(), "CARLA");
    QTest::keyClick(w.cuadro1, Qt::Key_PageUp);
    EXPECT_EQ(shown(), "BETO");
    QTest::keyClick(w.cuadro1, Qt::Key_Home, Qt::AltModifier);
    EXPECT_EQ(shown(), "ANA");
    QTest::keyClick(w.cuadro1, Qt::Key_PageUp); // stays at the first
    EXPECT_EQ(shown(), "ANA");
    EXPECT_EQ(w.cuadro1->text(), "X"); // the box keeps its text and the focus
    EXPECT_EQ(QApplication::focusWidget(), w.cuadro1);
    // The keys are shown in the menu, and Tab reaches the scroll bar, whose arrows browse.
    EXPECT_EQ(w.mSiguiente->shortcut(), QKeySequence(Qt::Key_PageDown));
    EXPECT_TRUE(w.barra->focusPolicy() & Qt::TabFocus);
    w.barra->setFocus();
    QTest::keyClick(w.barra, Qt::Key_Down);
    EXPECT_EQ(shown(), "BETO");
}
