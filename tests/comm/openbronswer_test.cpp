// Handing pages, documents and addresses to the desktop.
#include "comm/openbronswer.h"
#include "support/fakes.h"
#include "support/tempdir.h"

#include <QDir>
#include <gtest/gtest.h>

using namespace testsupport;

namespace {

class OpenTest : public ::testing::Test {
  protected:
    TempDir dir;
    FakeServices fakes;
    platform::Services services = fakes.services();
    QString dirText() const { return QString::fromStdString(dir.path().string() + "/"); }
};

const QString kNotFoundTail =
    " Si intentaba ver la ayuda, intente ingresar haciendo clic en Menú "
    "Inicio de Windows  / Programas / Tevo Riviva 2/ Ayuda Tevo Riviva 2.";

} // namespace

TEST_F(OpenTest, MissingLocalPageShowsItsPathAndOpensNothing) {
    comm::openbronswer(services, "file:///" + dirText() + "help\\index.htm");
    ASSERT_EQ(fakes.prompter.messages.size(), 1u);
    EXPECT_EQ(fakes.prompter.messages[0].text,
              "No se encontró el archivo: " +
                  QDir::toNativeSeparators(dirText() + "help/index.htm") + kNotFoundTail);
    EXPECT_EQ(fakes.prompter.messages[0].icon, platform::Prompter::Icon::Information);
    EXPECT_EQ(fakes.prompter.messages[0].buttons, platform::Prompter::Yes);
    EXPECT_TRUE(fakes.shell.opened.empty());
}

TEST_F(OpenTest, ExistingLocalPageIsHandedOverWithEitherSeparator) {
    std::filesystem::create_directory(dir / "help");
    writeBytes(dir / "help" / "index.htm", "<html></html>");
    comm::openbronswer(services, "file:///" + dirText() + "help\\index.htm");
    comm::openbronswer(services, "file:///" + dirText() + "help/index.htm");
    ASSERT_EQ(fakes.shell.opened.size(), 2u);
    for (const QUrl& url : fakes.shell.opened) {
        EXPECT_EQ(url.scheme(), "file");
        EXPECT_EQ(url.toLocalFile().toStdString(), (dir / "help" / "index.htm").string());
    }
    EXPECT_TRUE(fakes.prompter.messages.empty());
}

TEST_F(OpenTest, OtherTargetsAreHandedOverUnchangedWithoutAnyCheck) {
    comm::openbronswer(services, "http://tevosoft.example/soporte.htm?v=2");
    comm::openbronswer(services, "mailto:ana@correo.example");
    ASSERT_EQ(fakes.shell.opened.size(), 2u);
    EXPECT_EQ(fakes.shell.opened[0].toString(), "http://tevosoft.example/soporte.htm?v=2");
    EXPECT_EQ(fakes.shell.opened[1].toString(), "mailto:ana@correo.example");
    EXPECT_TRUE(fakes.prompter.messages.empty());
}

TEST_F(OpenTest, DoubledFirstLetterIsNotALocalTarget) {
    comm::openbronswer(services, "ffile:///" + dirText() + "missing.htm");
    EXPECT_TRUE(fakes.prompter.messages.empty());
    EXPECT_EQ(fakes.shell.opened.size(), 1u);
}
