// The two views, the record display and the scroll bar.
#include "support/mainwindow_fixture.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
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
