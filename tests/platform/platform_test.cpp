// The code page edge, the filters of the file dialogs, the instance store and the program
// directory.
#include "platform/application.h"
#include "platform/cpedit.h"
#include "platform/qtservices.h"
#include "platform/text.h"
#include "support/fakes.h"
#include "support/tempdir.h"
#include "support/typing.h"

#include "core/ioerror.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QImage>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTranslator>
#include <cerrno>
#include <gtest/gtest.h>

using namespace testsupport;

TEST(Text, EveryByteRoundTripsThroughTheEdge) {
    std::string all;
    for (int b = 0; b < 256; ++b)
        all.push_back(static_cast<char>(b));
    QString text = platform::toQ(all);
    EXPECT_TRUE(platform::fitsCp1252(text));
    EXPECT_EQ(platform::fromQ(text), all);
    EXPECT_EQ(platform::toQ("\x80\x9F"), QString::fromUtf8("€Ÿ"));
    EXPECT_FALSE(platform::fitsCp1252(QString::fromUtf8("Ω")));
    EXPECT_FALSE(platform::fitsCp1252(QString::fromUtf8("😀")));
}

TEST(Text, SearchBoxesAreUpperCaseRefuseOtherCharactersAndHoldAtMost255) {
    platform::CpLineEdit box(true, 255);
    int refusals = 0;
    QObject::connect(&box, &platform::CpLineEdit::refused, [&] { ++refusals; });
    typeInto(&box, QString::fromUtf8("peña ω"));
    EXPECT_EQ(box.text(), QString::fromUtf8("PEÑA "));
    EXPECT_EQ(refusals, 1);
    pasteInto(&box, QString(400, 'z'));
    EXPECT_EQ(box.text().size(), 255);
}

TEST(FileDialogFilters, BecomeQtNameFilters) {
    EXPECT_EQ(platform::toQtFilter("Archivo de Tevo Riviva 2 DAT|*.dat"),
              "Archivo de Tevo Riviva 2 DAT (*.dat)");
    EXPECT_EQ(platform::toQtFilter("Uno|vivazo01.dat|Dos|dodidi02.dat"),
              "Uno (vivazo01.dat);;Dos (dodidi02.dat)");
    EXPECT_EQ(platform::toQtFilter("Contactos vCard (*.vcf)|*.vcf"), "Contactos vCard (*.vcf)");
}

TEST(InstanceStore, KeyComesIntoBeingWithItsFirstValue) {
    TempDir config;
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(config.path().string()));
    platform::QtInstanceStore store;
    EXPECT_FALSE(store.keyExists());
    EXPECT_FALSE(store.hasValue("isruning"));
    store.createKey();
    store.writeValue("isruning", 1);
    store.writeValue("ifttyuag", 0);
    EXPECT_TRUE(store.keyExists());
    EXPECT_TRUE(store.hasValue("ifttyuag"));
    EXPECT_EQ(store.readValue("isruning"), 1);
    EXPECT_EQ(store.readValue("ifttyuag"), 0);
    qunsetenv("XDG_CONFIG_HOME");
}

TEST(InstanceStore, TheLockIsHeldWhileItsInstanceRunsAndFreedWhenItIsKilled) {
    TempDir config;
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(config.path().string()));
    QProcess other;
    other.start(QCoreApplication::applicationFilePath(), {"--hold-instance-lock"});
    ASSERT_TRUE(other.waitForReadyRead(10000)) << "the other instance never took the lock";

    platform::QtInstanceStore store;
    EXPECT_FALSE(store.claimInstance());
    other.kill(); // a crash: no chance to let go of anything
    other.waitForFinished();
    EXPECT_TRUE(store.claimInstance());

    platform::QtInstanceStore third;
    EXPECT_FALSE(third.claimInstance());
    qunsetenv("XDG_CONFIG_HOME");
}

TEST(ProgramDirectory, OptionThenVariableThenProgramFolderAlwaysWithTrailingSeparator) {
    qunsetenv("TEVORIVIVA_DIR");
    EXPECT_EQ(platform::programDirectory({"tevoriviva"}, "/opt/tevo"), "/opt/tevo/");
    qputenv("TEVORIVIVA_DIR", "/srv/agenda/");
    EXPECT_EQ(platform::programDirectory({"tevoriviva"}, "/opt/tevo"), "/srv/agenda/");
    EXPECT_EQ(platform::programDirectory({"tevoriviva", "--dir", "/home/ana/tevo"}, "/opt/tevo"),
              "/home/ana/tevo/");
    qunsetenv("TEVORIVIVA_DIR");
}

TEST(TopLevelHandler, ShowsTheDescriptionWithTheProgramTitle) {
    FakePrompter prompter;
    platform::showFailure(prompter, core::IoError(ENOSPC));
    platform::showFailure(prompter, core::IoError(EACCES, "/x/inicio.ini"));
    ASSERT_EQ(prompter.messages.size(), 2u);
    EXPECT_EQ(prompter.messages[0].text, "Disk full");
    EXPECT_EQ(prompter.messages[0].title, "Tevo Riviva 2");
    EXPECT_EQ(prompter.messages[0].icon, platform::Prompter::Icon::Error);
    EXPECT_EQ(prompter.messages[1].text, "File access denied: /x/inicio.ini");
}

TEST(Artwork, EveryPictureDecodesThroughTheJpegSupport) {
    for (const char* name :
         {"fondo", "fondo_ingreso", "vista_personas", "vista_empresas", "btn_personas",
          "btn_empresas", "found", "nofound", "icon_persona", "icon_empresa", "form5"}) {
        QImage picture(QString(":/img/%1.jpg").arg(name));
        EXPECT_FALSE(picture.isNull()) << name;
    }
}

TEST(Translation, TheToolkitsOwnDialogsSpeakSpanish) {
    QTranslator* spanish = platform::installSpanishTranslation(*QCoreApplication::instance());
    ASSERT_NE(spanish, nullptr) << "Qt's Spanish translation is not installed";
    QMessageBox question(QMessageBox::Question, "t", "¿Seguro?",
                         QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    QString yes = question.button(QMessageBox::Yes)->text();
    QString no = question.button(QMessageBox::No)->text();
    QString cancel = question.button(QMessageBox::Cancel)->text();
    QFileDialog files;
    files.setOption(QFileDialog::DontUseNativeDialog);
    auto* lookIn = files.findChild<QLabel*>("lookInLabel");
    auto* fileName = files.findChild<QLabel*>("fileNameLabel");
    QCoreApplication::removeTranslator(spanish);
    delete spanish;
    EXPECT_EQ(yes.remove('&'), "Sí");
    EXPECT_EQ(no.remove('&'), "No");
    EXPECT_EQ(cancel.remove('&'), "Cancelar");
    ASSERT_TRUE(lookIn && fileName);
    EXPECT_NE(lookIn->text(), "Look in:");
    EXPECT_NE(fileName->text(), "File name:");
}

TEST(CommandLine, HelpAndVersionAnswerWithoutAWindow) {
    EXPECT_EQ(platform::commandLineAnswer({"tevoriviva", "--version"}), "Tevo Riviva 2 2.0.2\n");
    EXPECT_EQ(platform::commandLineAnswer({"tevoriviva", "-v"}), "Tevo Riviva 2 2.0.2\n");
    QString help = platform::commandLineAnswer({"tevoriviva", "--dir", "/x", "--help"});
    EXPECT_TRUE(help.startsWith("Tevo Riviva 2 2.0.2\n"));
    EXPECT_TRUE(help.contains("--dir CARPETA"));
    EXPECT_TRUE(platform::commandLineAnswer({"tevoriviva"}).isEmpty());
    EXPECT_TRUE(platform::commandLineAnswer({"tevoriviva", "--dir", "/x"}).isEmpty());
}
