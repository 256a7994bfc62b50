// The output commands of the main window: the exports, the print sheet, the clipboard and the
// display fields' context menu, driven as a person would.
#include "comm/openbronswer.h"
#include "core/fileio.h"
#include "output/imprime.h"
#include "support/mainwindow_fixture.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

using namespace testsupport;
using platform::Prompter;

namespace {

core::Record person(const std::string& name, int slot = 0, const std::string& text = {}) {
    core::Record r = personRecord(name);
    r.texts[core::person::Phone].clear();
    if (slot)
        r.texts[slot] = text;
    return r;
}

core::Record company(const std::string& name, int slot = 0, const std::string& text = {}) {
    core::Record r = person(name, slot, text);
    r.tag = core::kTagCompany;
    return r;
}

QString clipboard() {
    return QApplication::clipboard()->text();
}

void destroyDeferred() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace

TEST_F(MainWindowTest, ExportsKeepTheirFilesUntilExitAndAskOnlyAboutOthers) {
    ordinaryStart({person("ANA", core::person::Mobile, "09 555")});
    TForm1& w = start();
    const auto txt = dir / "faatmp01.txt", htm = dir / "faatmp01.htm";
    const QString txtName = programDir() + "faatmp01.txt";

    w.CreararhivoTXT1->trigger();
    ASSERT_EQ(fakes.viewer.shown, std::vector<QString>{txtName});
    EXPECT_EQ(readBytes(txt), "Archivo TXT de Personas. Tevo Riviva 2.0\r\nPresione F3 para "
                              "buscar.\r\n\r\n1 Nombre: ANA\r\nTel. movil: 09 555\r\n\r\n");
    // The next export replaces the program's own file without asking; a viewer that cannot
    // be started is reported.
    fakes.viewer.accept = false;
    w.CreararhivoTXT1Click();
    EXPECT_EQ(fakes.viewer.shown.size(), 2u);
    ASSERT_EQ(fakes.prompter.messages.size(), 1u);
    EXPECT_EQ(fakes.prompter.messages[0].text, comm::refusedText(txtName));
    EXPECT_EQ(fakes.prompter.messages[0].icon, Prompter::Icon::Error);

    // A page this run did not make is asked about; "No" writes nothing and opens nothing.
    writeBytes(htm, "someone else's");
    fakes.prompter.messages.clear();
    fakes.prompter.answers = {Prompter::No};
    w.CrearPginaweb1->trigger();
    ASSERT_EQ(fakes.prompter.messages.size(), 1u);
    EXPECT_EQ(fakes.prompter.messages[0].text,
              "El archivo " + programDir() +
                  "faatmp01.htm ya existe ¿Desea sobre escribir el "
                  "archivo?");
    EXPECT_EQ(readBytes(htm), "someone else's");
    EXPECT_TRUE(fakes.shell.opened.empty());
    fakes.prompter.answers = {Prompter::Yes};
    w.CrearPginaweb1Click();
    ASSERT_EQ(fakes.shell.opened.size(), 1u);
    EXPECT_EQ(fakes.shell.opened[0], QUrl::fromLocalFile(programDir() + "faatmp01.htm"));
    EXPECT_NE(readBytes(htm).find("Lista de registros de Personas: " + programDir().toStdString()),
              std::string::npos);

    EXPECT_TRUE(std::filesystem::exists(txt) && std::filesystem::exists(htm));
    window.reset();
    EXPECT_FALSE(std::filesystem::exists(txt) || std::filesystem::exists(htm));
}

// A disk that fills up in the middle of the web page export leaves no half-written page
// behind, and no browser is asked to show one.
TEST_F(MainWindowTest, AWebPageCutShortByAFullDiskLeavesNoFile) {
    std::vector<core::Record> many;
    for (int i = 0; i < 3000; ++i)
        many.push_back(person("N" + std::to_string(i), core::person::Notes, std::string(200, 'n')));
    ordinaryStart(many);
    TForm1& w = start();
    const auto page = dir / "faatmp01.htm";
    for (long long budget : {0LL, 5000LL, 400000LL}) {
        core::fileio::setFaults({0, EIO, budget});
        try {
            w.CrearPginaweb1Click();
            ADD_FAILURE() << budget;
        } catch (const core::IoError& e) {
            EXPECT_EQ(e.errnum(), ENOSPC);
        }
        core::fileio::clearFaults();
        EXPECT_FALSE(std::filesystem::exists(page)) << budget;
    }
    EXPECT_TRUE(fakes.shell.opened.empty());
    // With room again, the page is written whole.
    w.CrearPginaweb1Click();
    EXPECT_NE(readBytes(page).find("</table></body></html>"), std::string::npos);
    EXPECT_EQ(fakes.shell.opened.size(), 1u);
}

TEST_F(MainWindowTest, PrintSheetGathersRecordsOfBothViewsAndPrintsThem) {
    ordinaryStart(
        {person("ANA", core::person::Phone, "4567"), person("BETO", core::person::Mobile, " ")},
        {});
    TForm1& w = start();
    w.mImprimirClick();
    TForm3* sheet = w.printSheet();
    ASSERT_NE(sheet, nullptr);
    EXPECT_TRUE(sheet->isVisible());
    EXPECT_EQ(sheet->windowTitle(), "Tevo Riviva 2.0.  Imprimir registro (s) >>");
    EXPECT_EQ(sheet->Memo1->toPlainText(), "Tevo Riviva 2.0\n1\nNombre     : ANA\nTel. Fijo  : "
                                           "4567\n");
    w.barra->setValue(2);
    w.bimprimir->click();
    EXPECT_EQ(w.printSheet(), sheet) << "one sheet";
    EXPECT_TRUE(
        sheet->Memo1->toPlainText().endsWith("4567\n\n2\nNombre     : BETO\nTel. Móvil :  \n"));

    // The companies file is empty: no record is shown, "Impr..." still adds a block.
    sheet->SpeedButton3Click();
    EXPECT_EQ(sheet->Memo1->toPlainText(), "Tevo Riviva 2.0");
    sheet->itreg->setChecked(true);
    w.SpeedButton6Click();
    w.bimprimir->click();
    sheet->inreg->setChecked(false);
    sheet->itreg->setChecked(false);
    sheet->espb->setChecked(false);
    w.bimprimir->click();
    EXPECT_EQ(sheet->Memo1->toPlainText(),
              "Tevo Riviva 2.0\nN/R\n< Tipo: Organización >\nNombre     : \n\nNombre     : ");
    sheet->itreg->setChecked(true);
    w.SpeedButton7Click();
    w.mImprimirClick();
    EXPECT_TRUE(sheet->Memo1->toPlainText().endsWith(
        "< Tipo: Persona >\nNombre     : BETO\nTel. Móvil :  "));

    // Printing: cancelled, then two collated copies in one flow, in the font chosen.
    sheet->SpeedButton3Click();
    sheet->Memo1->appendPlainText("línea");
    sheet->SpeedButton2Click();
    EXPECT_TRUE(fakes.printing.jobs.empty());
    fakes.printing.fontAnswers = {std::nullopt, QFont("DejaVu Serif", 14)};
    sheet->SpeedButton1Click();
    EXPECT_EQ(sheet->Memo1->font().family(), "MS Sans Serif");
    sheet->SpeedButton1Click();
    ASSERT_EQ(fakes.printing.fontRuns.size(), 2u);
    EXPECT_EQ(fakes.printing.fontRuns[0].pointSize(), 8);
    fakes.printing.printerAnswers = {platform::PrintService::Choice{2, true}};
    sheet->SpeedButton2Click();
    ASSERT_EQ(fakes.printing.jobs.size(), 1u);
    EXPECT_EQ(fakes.printing.jobs[0].text, "Tevo Riviva 2.0\nlínea\nTevo Riviva 2.0\nlínea\n");
    EXPECT_EQ(fakes.printing.jobs[0].font.family(), "DejaVu Serif");
    ASSERT_EQ(fakes.prompter.messages.size(), 1u);
    EXPECT_EQ(fakes.prompter.messages[0].title, "opción no válida");
    EXPECT_EQ(fakes.prompter.messages[0].text, "No se intercalarán las hojas");

    // Closing destroys the sheet; the next one starts afresh.
    sheet->SpeedButton5Click();
    destroyDeferred();
    EXPECT_EQ(w.printSheet(), nullptr);
    w.mImprimir->trigger();
    sheet = w.printSheet();
    ASSERT_NE(sheet, nullptr);
    EXPECT_TRUE(sheet->inreg->isChecked() && !sheet->itreg->isChecked() &&
                sheet->espb->isChecked());
    EXPECT_EQ(sheet->Memo1->font().family(), "MS Sans Serif");
    EXPECT_EQ(sheet->Memo1->font().pointSize(), 8);
    EXPECT_TRUE(sheet->Memo1->toPlainText().startsWith("Tevo Riviva 2.0\n2\nNombre     : BETO"));

    // Escape in the sheet closes it too; a modified Escape is the editor's.
    QTest::keyClick(sheet->Memo1, Qt::Key_Escape, Qt::ShiftModifier);
    EXPECT_TRUE(sheet->isVisible());
    QTest::keyClick(sheet->Memo1, Qt::Key_Escape);
    destroyDeferred();
    EXPECT_EQ(w.printSheet(), nullptr);
}

TEST_F(MainWindowTest, ClipboardCopiesAndContextMenuFollowTheWindow) {
    ordinaryStart({person("ANA", core::person::Mobile, "09 555")},
                  {company("ACME", core::company::Fax, "11"), company("BETA")});
    TForm1& w = start();
    w.mcopiar1->trigger();
    EXPECT_EQ(clipboard(), "1\r\nNombre     : ANA\r\nTel. Móvil : 09 555\r\n");
    w.SpeedButton6Click();
    w.pmCopiartodosloscampos1->trigger();
    w.barra->setValue(2);
    w.mcopiar1Click();
    EXPECT_EQ(clipboard(), "2\r\nNombre     : BETA\r\n");

    // The menu opened on an empty field offers no "Copiar"; on a filled one it does, and
    // copies only what is selected.
    emit w.Edit6->customContextMenuRequested({2, 2});
    EXPECT_TRUE(w.pmregistro->isVisible());
    EXPECT_FALSE(w.pmcopiar->isEnabled());
    w.pmregistro->hide();
    emit w.Edit3->customContextMenuRequested({2, 2});
    EXPECT_TRUE(w.pmcopiar->isEnabled());
    w.pmcopiar->trigger();
    EXPECT_EQ(clipboard(), "2\r\nNombre     : BETA\r\n");
    w.Edit3->setSelection(1, 2);
    w.pmcopiar->trigger();
    EXPECT_EQ(clipboard(), "ET");
    w.pmregistro->hide();

    // The items follow the window's buttons each time the menu opens.
    w.bmarcar->setEnabled(false);
    w.bimprimir->setEnabled(false);
    emit w.Edit3->customContextMenuRequested({2, 2});
    EXPECT_FALSE(w.pmMarcar->isEnabled() || w.pmimprimir->isEnabled());
    EXPECT_TRUE(w.pmEditar->isEnabled());
    w.pmregistro->hide();

    // "Pegar" needs text on the clipboard; the paste is the box's own: upper case, at most
    // 255 characters, nothing the code page lacks, and the change handler runs as for typing.
    QApplication::clipboard()->setImage(QImage(4, 4, QImage::Format_RGB32));
    w.mEdicion->popup({0, 0});
    EXPECT_FALSE(w.Pegar1->isEnabled());
    w.mEdicion->hide();
    QApplication::clipboard()->setText("señal ÿ");
    w.mEdicion->popup({0, 0});
    EXPECT_TRUE(w.Pegar1->isEnabled());
    w.mEdicion->hide();
    w.SpeedButton7Click();
    QSignalSpy changed(w.cuadro1, &QLineEdit::textChanged);
    w.Pegar1->trigger();
    EXPECT_EQ(w.cuadro1->text(), "SEÑAL Ÿ");
    ASSERT_EQ(changed.size(), 1);
    EXPECT_EQ(changed[0][0].toString(), "SEÑAL Ÿ");
    EXPECT_TRUE(w.nofound->isVisibleTo(&w)) << "the search ran";
    w.cuadro1->clear();
    QApplication::clipboard()->setText("an");
    w.Pegar1Click();
    EXPECT_EQ(w.cuadro1->text(), "AN");
    EXPECT_TRUE(w.found->isVisibleTo(&w));
    QApplication::clipboard()->setText("→");
    w.Pegar1Click();
    EXPECT_EQ(w.cuadro1->text(), "AN");
    w.cuadro1->clear();
    QApplication::clipboard()->setText(QString(300, 'x'));
    w.Pegar1Click();
    EXPECT_EQ(w.cuadro1->text(), QString(255, 'X'));
}

TEST_F(MainWindowTest, EachShortcutActsOnceFromTheWindow) {
    ordinaryStart({person("ANA")});
    TForm1& w = start();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    QApplication::clipboard()->clear();
    QTest::keyClick(&w, Qt::Key_C, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(clipboard(), "1\r\nNombre     : ANA\r\n");
    QTest::keyClick(&w, Qt::Key_I, Qt::ControlModifier);
    ASSERT_NE(w.printSheet(), nullptr);
    EXPECT_EQ(w.printSheet()->Memo1->toPlainText(), "Tevo Riviva 2.0\n1\nNombre     : ANA\n");
}
