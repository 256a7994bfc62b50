// The delete command of the main window.
#include "core/fileio.h"
#include "core/rewrite.h"
#include "support/mainwindow_fixture.h"

#include <QLabel>
#include <QPushButton>
#include <QScrollBar>

using namespace testsupport;
using platform::Prompter;

TEST_F(MainWindowTest, DeleteAsksThenConfirmsAndReloads) {
    ordinaryStart(personsNamed({"ANA", "BETO", "CARLOS"}));
    writeIni("[ventana]\r\nlastview=2\r\n");
    start();
    window->barra->setValue(2); // BETO in view; the settings still hold 2
    window->bEliminarClick();
    ASSERT_EQ(fakes.prompter.messages.size(), 2u);
    EXPECT_EQ(fakes.prompter.messages[0].text,
              "Se eliminara el registro que esta viendo actualmente. ¿Desea continuar?");
    EXPECT_EQ(fakes.prompter.messages[0].icon, Prompter::Icon::Confirmation);
    EXPECT_EQ(fakes.prompter.messages[0].buttons, Prompter::Yes | Prompter::No);
    EXPECT_EQ(fakes.prompter.messages[1].text, "Se ha eliminado el registro satisfactoriamente.");
    EXPECT_EQ(fakes.prompter.messages[1].title, "Confirmación");
    EXPECT_EQ(namesIn(personsFile()), (std::vector<std::string>{"ANA", "CARLOS"}));
    // The reload shows the number the settings held, kept within the new count.
    EXPECT_EQ(window->getcurrentview(), 1);
    EXPECT_EQ(field(core::person::Name), "CARLOS");
    EXPECT_EQ(window->width(), 408);
}

TEST_F(MainWindowTest, DeclinedDeleteChangesNothing) {
    ordinaryStart(personsNamed({"ANA", "BETO"}));
    start();
    std::string before = readBytes(personsFile());
    fakes.prompter.answers = {Prompter::No};
    window->bEliminarClick();
    EXPECT_EQ(fakes.prompter.messages.size(), 1u);
    EXPECT_EQ(readBytes(personsFile()), before);
}

TEST_F(MainWindowTest, DeletingTheOnlyRecordLeavesAnEmptyFileAndTheNoRecordsState) {
    ordinaryStart(personsNamed({"ANA"}));
    start();
    window->bEliminarClick();
    EXPECT_EQ(std::filesystem::file_size(personsFile()), 0u);
    EXPECT_EQ(window->visorreg->text(), "N/R");
    EXPECT_FALSE(window->beliminar->isEnabled());
    EXPECT_FALSE(window->bmodificar->isEnabled());
    EXPECT_TRUE(window->bnuevo->isEnabled());
    EXPECT_FALSE(window->barra->isEnabled());
}

TEST_F(MainWindowTest, DeleteOfACompanyUsesTheCompaniesFile) {
    ordinaryStart(personsNamed({"ANA"}), companiesNamed({"ACME", "ZETA"}));
    start();
    window->SpeedButton6Click();
    window->bEliminarClick();
    EXPECT_EQ(namesIn(companiesFile()), std::vector<std::string>{"ZETA"});
    EXPECT_EQ(core::recordCount(personsFile()), 1);
}

TEST_F(MainWindowTest, AFailedDeleteIsReportedAndLosesNothing) {
    ordinaryStart(personsNamed({"ANA", "BETO", "CARLOS"}));
    start();
    const std::string before = readBytes(personsFile());
    bool sawRefusal = false;
    // Fail each file operation of the command in turn, until one runs through.
    for (long n = 1;; ++n) {
        fakes.prompter.messages.clear();
        std::vector<std::string> expected = {"ANA", "BETO", "CARLOS"};
        expected.erase(expected.begin() + window->getcurrentview());
        core::fileio::setFaults({n, EIO, -1});
        try {
            window->bEliminarClick();
        } catch (const core::IoError&) {
        }
        bool fired = core::fileio::callCount() >= n;
        core::fileio::clearFaults();
        if (!fired)
            break;
        std::string after = readBytes(personsFile());
        if (after != before) {
            // A failure that leaves the file changed came after the delete was complete.
            EXPECT_EQ(namesIn(personsFile()), expected) << "call " << n;
            writeBytes(personsFile(), before);
            continue;
        }
        EXPECT_FALSE(std::filesystem::exists(dir / "tmpingre.tmp")) << "call " << n;
        for (const auto& m : fakes.prompter.messages)
            if (m.title == "Error (Cod. 105)") {
                sawRefusal = true;
                EXPECT_EQ(m.text, "No se ha podido eliminar el registro. Para mas información vea "
                                  "la ayuda.");
            }
        EXPECT_NE(fakes.prompter.messages.back().text,
                  "Se ha eliminado el registro satisfactoriamente.")
            << "call " << n;
    }
    EXPECT_TRUE(sawRefusal);
}

TEST_F(MainWindowTest, DeleteOfARecordAnotherWindowChangedChangesNothing) {
    ordinaryStart(personsNamed({"ANA", "BETO", "CARLA", "DIEGO"}));
    writeBytes(dir / "tmpingre.tmp", "left by a rewrite that died");
    start();
    EXPECT_FALSE(std::filesystem::exists(dir / "tmpingre.tmp")); // start-up tidies it away
    // CARLA in view while another window deletes ANA: record 3 is DIEGO now. Then DIEGO, the
    // last record, in view while BETO goes: record 3 is past the end.
    for (const char* inView : {"CARLA", "DIEGO"}) {
        window->barra->setValue(3);
        ASSERT_EQ(field(core::person::Name), inView);
        core::eliminar(personsFile(), 0);
        const std::string before = readBytes(personsFile());
        fakes.prompter.messages.clear();
        window->bEliminarClick();
        EXPECT_TRUE(readBytes(personsFile()) == before) << inView;
        ASSERT_EQ(fakes.prompter.messages.size(), 2u);
        EXPECT_TRUE(fakes.prompter.messages[1].text.contains("cambiado desde otra ventana"));
        EXPECT_EQ(fakes.prompter.messages[1].icon, Prompter::Icon::Warning);
        // The view is read anew: what it shows is what the file holds.
        const auto n = window->getcurrentview();
        EXPECT_EQ(platform::fromQ(field(core::person::Name)),
                  core::readRecord(personsFile(), n).texts[core::person::Name]);
    }
    EXPECT_EQ(namesIn(personsFile()), (std::vector<std::string>{"CARLA", "DIEGO"}));
}
