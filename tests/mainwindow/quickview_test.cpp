// The quick-view bar: slot clicks, its context menu, the notice and showing and hiding it.
#include "core/inifile.h"
#include "mainwindow/preferen.h"
#include "support/mainwindow_fixture.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTest>

using namespace testsupport;
using platform::Prompter;

namespace {

std::string slotsIni(const std::vector<std::pair<std::string, bool>>& seeks) {
    std::string ini;
    for (std::size_t i = 0; i < seeks.size(); ++i)
        ini += "[vr" + std::to_string(i + 1) + "]\r\nname=S" + std::to_string(i + 1) +
               "\r\nseek=" + seeks[i].first + "\r\ntype=" + (seeks[i].second ? "1" : "0") + "\r\n";
    return ini;
}

} // namespace

TEST_F(MainWindowTest, UnassignedSlotsAskAndLeadToTheirPreferencesPage) {
    ordinaryStart(personsNamed({"ANA"}));
    TForm1& w = start();
    int page = -1;
    fakes.modal.drive = [&](QDialog* d) {
        page = static_cast<TForm2*>(d)->PageControl1->currentIndex();
    };
    for (int i = 1; i <= 11; ++i)
        EXPECT_EQ(w.textvr[i - 1]->text(), "No asignado");

    fakes.prompter.answers = {Prompter::No};
    QTest::mouseClick(w.vr[6], Qt::LeftButton);
    ASSERT_EQ(fakes.prompter.messages.size(), 1u);
    EXPECT_EQ(fakes.prompter.messages[0].text,
              "No se a asignado lo que se buscará al hacer clic. ¿Desea asignarlo ahora?");
    EXPECT_EQ(fakes.prompter.messages[0].icon, Prompter::Icon::Confirmation);
    EXPECT_EQ(fakes.prompter.messages[0].buttons, Prompter::Yes | Prompter::No);
    EXPECT_EQ(fakes.modal.shown, 0);

    QTest::mouseClick(w.vr[10], Qt::LeftButton); // answered Yes
    EXPECT_EQ(fakes.modal.shown, 1);
    EXPECT_EQ(page, TForm2::kPageVistaRapida);
    EXPECT_EQ(w.mvrap->actions().value(0)->text(), "Asignar o modificar &destino");
    w.Asignareventoalhacerclic1->trigger();
    EXPECT_EQ(page, TForm2::kPageVistaRapida);
    w.Configuracin1->trigger();
    EXPECT_EQ(page, TForm2::kPageArchivos);
    w.Abrir1->trigger();
    EXPECT_EQ(page, TForm2::kPageArchivos);
    EXPECT_EQ(fakes.modal.shown, 4);
}

TEST_F(MainWindowTest, CaptionAndButtonOfEverySlotSearchTheSlotsFile) {
    std::vector<std::string> names;
    std::vector<std::pair<std::string, bool>> seeks;
    for (int i = 1; i <= 11; ++i) {
        names.push_back("P" + std::string(i < 10 ? "0" : "") + std::to_string(i));
        seeks.emplace_back(names.back(), false);
    }
    ordinaryStart(personsNamed(names), companiesNamed({"ACME", "ACME DOS"}));
    seeks[4] = {"ACME", true};
    std::string ini = slotsIni(seeks);
    ini.replace(ini.find("name=S6"), 7, "name=<b>x");
    writeIni(ini);
    TForm1& w = start();
    EXPECT_EQ(w.textvr[5]->textFormat(), Qt::PlainText);
    EXPECT_EQ(w.textvr[5]->text(), "<b>x");

    // The pointer over a caption reaches its button: the click, and the movement that brings
    // the notice back.
    for (int i = 0; i < 11; ++i) {
        QWidget* area = w.textvr[i]->parentWidget();
        QWidget* under = area->childAt(w.textvr[i]->geometry().center());
        EXPECT_EQ(under, w.vr[i]) << i;
        w.tmoveup->hide();
        QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), w.vr[i]->mapToGlobal(QPointF(5, 5)),
                         Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(under, &move);
        EXPECT_FALSE(w.tmoveup->isHidden()) << i;
        for (QWidget* target : {under, static_cast<QWidget*>(w.vr[i])}) {
            w.SpeedButton7Click();
            w.barra->setValue(w.barra->maximum());
            QTest::mouseClick(target, Qt::LeftButton);
            EXPECT_EQ(w.cuadro1->text(), platform::toQ(seeks[i].first)) << i;
            EXPECT_EQ(field(0), platform::toQ(i == 4 ? "ACME" : names[i])) << i;
        }
    }

    // Box 1 already holds the text and box 2 is emptied with automatic search on: the slot
    // still ends on the first match, not the one after it.
    w.SpeedButton7Click();
    w.cuadro1->setText("ACME");
    w.cuadro2->setText("X");
    w.vrClick(5);
    EXPECT_FALSE(w.currentViewIsPersons());
    EXPECT_EQ(w.cuadro2->text(), "");
    EXPECT_EQ(field(core::company::Name), "ACME");
    EXPECT_EQ(w.resultado->text(), "Se encontró empresa.");
    EXPECT_TRUE(w.continuing());

    // A slot whose file holds no record switches all the same and finds nothing.
    writeCompanies({});
    w.vrClick(5);
    EXPECT_FALSE(w.currentViewIsPersons());
    EXPECT_EQ(w.cuadro1->text(), "ACME");
    EXPECT_FALSE(w.cuadro1->isEnabled());
    EXPECT_EQ(w.resultado->text(), "No se encontró empresa.");
    EXPECT_TRUE(w.nofound->isVisibleTo(&w));
    EXPECT_TRUE(fakes.prompter.messages.empty());
}

TEST_F(MainWindowTest, BarShowsAndHidesInStepsAndStoresItsState) {
    ordinaryStart(personsNamed({"ANA"}));
    TForm1& w = start();
    EXPECT_EQ(w.width(), 408);
    w.Opciones1Click();
    EXPECT_EQ(w.mvistarapida->text(), "Mostrar &vista rápida");
    // Buttons of a hidden bar take no focus; Tab reaches them once the bar is shown.
    auto reachable = [&] {
        int n = 0;
        for (QPushButton* b : w.vr)
            n += (b->focusPolicy() & Qt::TabFocus) ? 1 : 0;
        return n;
    };
    EXPECT_EQ(reachable(), 0);
    EXPECT_TRUE(w.mostrarfastcall->focusPolicy() & Qt::TabFocus);

    QTest::mouseClick(w.mostrarfastcall, Qt::LeftButton);
    EXPECT_EQ(w.width(), 540); // the last step short of 544
    EXPECT_EQ(reachable(), 11);
    EXPECT_EQ(w.mostrarfastcall->text(), "<<");
    EXPECT_EQ(w.mostrarfastcall->toolTip(), "Oculta la barra de Vista rápida");
    EXPECT_TRUE(core::IniFile(iniFile()).readBool("ventana", "fastcall", false));
    w.Opciones1Click();
    EXPECT_EQ(w.mvistarapida->text(), "Ocultar &vista rápida");

    w.mvistarapida->trigger();
    EXPECT_EQ(w.width(), 408);
    EXPECT_EQ(reachable(), 0);
    EXPECT_EQ(w.mostrarfastcall->text(), ">>");
    EXPECT_EQ(w.mostrarfastcall->toolTip(), "Muestra la barra de Vista rápida");
    EXPECT_FALSE(core::IniFile(iniFile()).readBool("ventana", "fastcall", true));
}
