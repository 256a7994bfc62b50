// "Archivo" > "Sincronizar" as a person uses it: the preferences page, the password asked once
// per session where no secret store runs, and the summary in the status bar.
#include "core/inifile.h"
#include "mainwindow/preferen.h"
#include "platform/carddav.h"
#include "support/mainwindow_fixture.h"
#include "support/radicale.h"

#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>
#include <cstdlib>

using namespace testsupport;

TEST_F(MainWindowTest, SyncIsSetUpInThePreferencesAndAsksThePasswordOncePerSession) {
    Radicale server;
    if (!server.running())
        GTEST_SKIP() << "No CardDAV server for the sync tests: " << server.why();
    ::setenv("TEVORIVIVA_NO_SECRET_STORE", "1", 1);
    platform::CardDavClient phone(server.collection("personas"), Radicale::kUser,
                                  Radicale::kPassword);
    phone.list(); // which creates the address book
    ASSERT_TRUE(phone
                    .put({{"", "p1",
                           "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:p1\r\nFN:BETO\r\nEND:VCARD\r\n", ""}})
                    .at(0)
                    .done);
    ordinaryStart(personsNamed({"ANA"}));
    // The folder of the user's address books, as the server's own pages give it.
    const QString address = server.server() + Radicale::kUser + "/";
    TForm1& w = start();

    fakes.modal.drive = [&](QDialog* d) {
        auto& p = *static_cast<TForm2*>(d);
        p.PageControl1->setCurrentIndex(TForm2::kPageSincronizacion);
        p.servidor->setText(address);
        p.usuario->setText(Radicale::kUser);
        p.libpersonas->setText("personas");
        QTest::mouseClick(p.botonguardar, Qt::LeftButton);
    };
    w.Configuracin1->trigger();
    fakes.modal.drive = nullptr;
    const std::string ini = readBytes(iniFile());
    EXPECT_NE(ini.find("[sinc]\r\nservidor=" + address.toStdString() +
                       "\r\nusuario=ana\r\npersonas=personas\r\nempresas=\r\n"),
              std::string::npos);
    EXPECT_EQ(ini.find(Radicale::kPassword), std::string::npos);

    int asked = 0;
    w.askSyncPassword = [&](const QString& account) {
        ++asked;
        EXPECT_EQ(account, "ana@" + address);
        return std::optional<QString>(asked == 1 ? "mal" : Radicale::kPassword);
    };
    w.Sincronizar1->trigger();
    ASSERT_FALSE(fakes.prompter.messages.empty());
    EXPECT_EQ(fakes.prompter.messages.back().title, "Error al sincronizar");
    EXPECT_TRUE(fakes.prompter.messages.back().text.startsWith(
        "El servidor no aceptó el usuario o la contraseña."));

    w.Sincronizar1->trigger(); // the refused password is asked again
    EXPECT_EQ(w.statusBar()->currentMessage(),
              "Sincronización terminada. Enviados: 1, recibidos: 1, conflictos: 0.");
    EXPECT_EQ(namesIn(personsFile()), (std::vector<std::string>{"ANA", "BETO"}));
    EXPECT_EQ(w.barra->maximum(), 2); // the view shows the file as it is now

    w.Sincronizar1->trigger();
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(w.statusBar()->currentMessage(),
              "Sincronización terminada. Enviados: 0, recibidos: 0, conflictos: 0.");
    ::unsetenv("TEVORIVIVA_NO_SECRET_STORE");
}
