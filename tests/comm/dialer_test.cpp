// The dialer: the rows per view and the call requests handed to the desktop.
#include "comm/dialer.h"
#include "support/mainwindow_fixture.h"

#include <QAction>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>

using namespace testsupport;
using platform::Prompter;

namespace {

core::Record person(const std::string& name, const std::string& phone, const std::string& mobile,
                    const std::string& other) {
    core::Record r = personRecord(name, phone);
    r.texts[core::person::Mobile] = mobile;
    r.texts[core::person::OtherPhone] = other;
    return r;
}

// Runs the dialer opened by `open`, handing it to `drive` while it is shown.
void withDialer(FakeServices& fakes, const std::function<void()>& open,
                const std::function<void(TForm7&)>& drive) {
    int seen = 0;
    fakes.modal.drive = [&](QDialog* d) {
        auto* dialer = qobject_cast<TForm7*>(d);
        ASSERT_NE(dialer, nullptr);
        ++seen;
        drive(*dialer);
    };
    open();
    fakes.modal.drive = nullptr;
    EXPECT_EQ(seen, 1);
}

} // namespace

TEST_F(MainWindowTest, DialerPersonRowsSendEachRequestAsTyped) {
    ordinaryStart({person("ANA", "4567 890", "55 123-456", "(011) 42")});
    TForm1& w = start();
    withDialer(
        fakes, [&] { w.mmarcar->trigger(); },
        [&](TForm7& d) {
            EXPECT_EQ(d.windowTitle(), "Marcar número telefónico. Tevo Riviva 2.0.");
            EXPECT_EQ(d.accion->text(), "Marcar número de :");
            EXPECT_EQ(d.boton1->text(), "Marcar éste número >>");
            EXPECT_EQ(d.boton2->text(), "Marcar éste número >>");
            EXPECT_EQ(d.boton3->text(), "Marcar este número >>");
            EXPECT_EQ(d.StatusBar1->currentMessage(), TForm7::kWindowHint);
            EXPECT_EQ(d.nombre->text(), "ANA");
            EXPECT_EQ(QStringList({d.c2->text(), d.c4->text(), d.c6->text()}),
                      QStringList({"4567 890", "55 123-456", "(011) 42"}));
            EXPECT_TRUE(d.c1->text().isEmpty() && d.c3->text().isEmpty() && d.c5->text().isEmpty());
            EXPECT_TRUE(d.boton3->isVisible() && d.c5->isVisible() && d.c6->isVisible());

            d.c3->setText("0");
            d.nombre->setText("ANA MARÍA");
            d.boton2->click();
            EXPECT_TRUE(fakes.prompter.messages.empty()) << "only row 1 reminds";
            d.c1->setText("9,");
            d.boton1->click();
            d.boton3->click();
            EXPECT_TRUE(d.isVisible()) << "dialing leaves the window open";
            d.c3->setText("77");
            d.SpeedButton5->click();
            EXPECT_FALSE(d.isVisible());
        });
    ASSERT_EQ(fakes.telephony.calls.size(), 3u);
    const auto& c = fakes.telephony.calls;
    EXPECT_EQ(c[0].destination, "055 123-456");
    EXPECT_EQ(QStringList({c[0].appName, c[0].calledParty, c[0].comment}),
              QStringList({"", "ANA MARÍA", ""}));
    EXPECT_EQ(c[1].destination, "9,4567 890");
    EXPECT_EQ(QStringList({c[1].appName, c[1].calledParty, c[1].comment}),
              QStringList({"ANA MARÍA", "ANA MARÍA", "nose"}));
    EXPECT_EQ(c[2].destination, "(011) 42");
    ASSERT_EQ(fakes.prompter.messages.size(), 1u);
    EXPECT_EQ(fakes.prompter.messages[0].text,
              "Recuerde Colgar y Cerrar el marcador de telefonos despues de marcar.");
    EXPECT_EQ(fakes.prompter.messages[0].icon, Prompter::Icon::Information);
    EXPECT_EQ(fakes.prompter.messages[0].buttons, Prompter::OK);

    // A second opening starts from the record again, not from what was typed.
    withDialer(
        fakes, [&] { w.pmMarcar->trigger(); },
        [&](TForm7& d) {
            EXPECT_EQ(d.nombre->text(), "ANA");
            EXPECT_TRUE(d.c1->text().isEmpty() && d.c3->text().isEmpty());
        });
}

TEST_F(MainWindowTest, DialerCompanyRowsAndAnEmptyFile) {
    core::Record company = companyRecord("FERRETERIA SUR", "FERRETERIA");
    company.texts[core::company::Phone] = "4300-1000";
    company.texts[core::company::Fax] = "4300-1001";
    ordinaryStart({}, {company});
    std::filesystem::create_directory(dir / "help");
    writeBytes(dir / "help" / "action.htm", "<html></html>");
    TForm1& w = start();
    ASSERT_TRUE(w.bmarcar->isEnabled());
    withDialer(
        fakes, [&] { w.bmarcar->click(); },
        [&](TForm7& d) {
            EXPECT_TRUE(d.nombre->text().isEmpty() && d.c2->text().isEmpty());
            d.boton2->click();
        });
    ASSERT_EQ(fakes.telephony.calls.size(), 1u);
    EXPECT_EQ(fakes.telephony.calls[0].destination, "");

    w.SpeedButton6Click();
    withDialer(
        fakes, [&] { w.bmarcar->click(); },
        [&](TForm7& d) {
            EXPECT_EQ(d.nombre->text(), "FERRETERIA SUR");
            EXPECT_EQ(d.c2->text(), "4300-1000");
            EXPECT_EQ(d.c4->text(), "4300-1001");
            EXPECT_TRUE(d.boton3->isHidden() && d.c5->isHidden() && d.c6->isHidden());
            d.SpeedButton6->click(); // the help page is in the program directory
            // No program takes the call: the user is told, and not reminded to hang up.
            fakes.telephony.accept = false;
            d.boton1->click();
        });
    ASSERT_EQ(fakes.prompter.messages.size(), 1u);
    EXPECT_EQ(fakes.prompter.messages[0].text,
              "No se pudo marcar el número \"4300-1000\": no hay ningún programa en el sistema "
              "que haga llamadas telefónicas.");
    EXPECT_EQ(fakes.prompter.messages[0].icon, Prompter::Icon::Error);
    ASSERT_EQ(fakes.shell.opened.size(), 1u);
    EXPECT_EQ(fakes.shell.opened[0].toLocalFile().toStdString(),
              (dir / "help" / "action.htm").string());
}

TEST_F(MainWindowTest, StatusBarTextsTooLongForTheBarAreWholeInItsTooltip) {
    ordinaryStart(personsNamed({"ANA"}));
    TForm1& w = start();
    withDialer(
        fakes, [&] { w.bmarcar->click(); },
        [&](TForm7& d) {
            const QFontMetrics metrics(d.StatusBar1->font());
            // At the default font the first hint does not fit on the bar's one line.
            EXPECT_GT(metrics.horizontalAdvance(TForm7::kWindowHint), d.StatusBar1->width());
            EXPECT_EQ(d.StatusBar1->currentMessage(), TForm7::kWindowHint);
            EXPECT_EQ(d.StatusBar1->toolTip(), TForm7::kWindowHint);
        });
    w.Edit10->setText("file:///usr/bin/xterm");
    w.Edit8Click(w.Edit10);
    const QString refusal = w.statusBar()->currentMessage();
    EXPECT_TRUE(refusal.startsWith("No se abrió"));
    EXPECT_EQ(w.statusBar()->toolTip(), refusal);
}
