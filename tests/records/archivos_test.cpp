// Creating empty data files through the shared save dialog, and the overwrite question.
#include "records/archivos.h"
#include "support/fakes.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

using namespace testsupport;
using platform::Prompter;

namespace {

class NewFileTest : public ::testing::Test {
  protected:
    TempDir dir;
    FakeServices fakes;
    platform::Services services = fakes.services();

    QString path(const std::string& name) const {
        return QString::fromStdString((dir / name).string());
    }
    QString choose(const std::string& name) {
        fakes.fileDialogs.saveAnswers.push_back(path(name));
        return records::newfile(services, nullptr);
    }
};

} // namespace

TEST_F(NewFileTest, ExtensionRuleAndEmptyFileCreated) {
    struct Case {
        const char* chosen;
        const char* created;
    } cases[] = {{"agenda", "agenda.dat"},       {"agenda.DAT", "agenda.DAT"},
                 {"otra.dat", "otra.dat"},       {"agenda.Dat", "agenda.Dat.dat"},
                 {"lista.txt", "lista.txt.dat"}, {"v.1/nombre", "v.1/nombre.dat"}};
    std::filesystem::create_directory(dir / "v.1");
    for (const auto& c : cases) {
        QString result = choose(c.chosen);
        EXPECT_EQ(result, path(c.created)) << c.chosen;
        ASSERT_TRUE(std::filesystem::exists(dir / c.created)) << c.created;
        EXPECT_EQ(std::filesystem::file_size(dir / c.created), 0u);
    }
    EXPECT_TRUE(fakes.prompter.messages.empty());
    ASSERT_FALSE(fakes.fileDialogs.saveRuns.empty());
    const auto& first = fakes.fileDialogs.saveRuns.front();
    EXPECT_EQ(first.title, "Nuevo Archivo Tevo Riviva.");
    EXPECT_EQ(first.filter, "Archivo de Tevo Riviva 2 DAT|*.dat");
    EXPECT_EQ(first.fileName, "*.dat");
    EXPECT_EQ(first.defaultExt, "dat");
    // The dialog remembers the name chosen last.
    EXPECT_EQ(fakes.fileDialogs.saveRuns.back().fileName, path("lista.txt"));
    EXPECT_EQ(fakes.fileDialogs.save.fileName, path("v.1/nombre"));
}

TEST_F(NewFileTest, CancelledDialogCreatesNothingSilently) {
    EXPECT_EQ(records::newfile(services, nullptr), "");
    EXPECT_TRUE(fakes.prompter.messages.empty());
}

TEST_F(NewFileTest, ExistingFileIsTruncatedOnlyWhenTheUserAgrees) {
    writeBytes(dir / "a.dat", std::string(1636, 'x'));
    fakes.prompter.answers = {Prompter::No};
    EXPECT_EQ(choose("a.dat"), "");
    ASSERT_EQ(fakes.prompter.messages.size(), 2u);
    EXPECT_EQ(fakes.prompter.messages[0].text,
              "El archivo " + path("a.dat") + " ya existe ¿Desea sobre escribir el archivo?");
    EXPECT_EQ(fakes.prompter.messages[0].icon, Prompter::Icon::Warning);
    EXPECT_EQ(fakes.prompter.messages[0].buttons, Prompter::Yes | Prompter::No);
    EXPECT_EQ(fakes.prompter.messages[1].text, "No se creó archivo nuevo");
    EXPECT_EQ(fakes.prompter.messages[1].icon, Prompter::Icon::Information);
    EXPECT_EQ(fakes.prompter.messages[1].buttons, Prompter::Yes);
    EXPECT_EQ(std::filesystem::file_size(dir / "a.dat"), 1636u);

    fakes.prompter.messages.clear();
    fakes.prompter.answers = {Prompter::Yes};
    EXPECT_EQ(choose("a.dat"), path("a.dat"));
    EXPECT_EQ(std::filesystem::file_size(dir / "a.dat"), 0u);
}

TEST_F(NewFileTest, OverwriteCheckOfReadOnlyFileWarnsThenAsks) {
    EXPECT_TRUE(records::sobreescribir(services, path("none.dat")));
    EXPECT_TRUE(fakes.prompter.messages.empty());

    writeBytes(dir / "ro.dat", "");
    makeReadOnly(dir / "ro.dat");
    fakes.prompter.answers = {Prompter::Yes, Prompter::No};
    EXPECT_FALSE(records::sobreescribir(services, path("ro.dat")));
    ASSERT_EQ(fakes.prompter.messages.size(), 2u);
    EXPECT_EQ(fakes.prompter.messages[0].text,
              "El archivo " + path("ro.dat") +
                  " es de Solo Lectura. Para utilizarlo, debe quitar la marca de \"Solo Lectura\" "
                  "o sobre escribirlo (borrarlo).");
    EXPECT_EQ(fakes.prompter.messages[0].icon, Prompter::Icon::Error);
    EXPECT_EQ(fakes.prompter.messages[0].buttons, Prompter::Yes);
    EXPECT_EQ(fakes.prompter.messages[1].text,
              "El archivo " + path("ro.dat") + " ya existe ¿Desea sobre escribir el archivo?");
}

TEST_F(NewFileTest, AgreeingToReplaceAReadOnlyFileFailsWithAccessDenied) {
    writeBytes(dir / "ro.dat", std::string(1636, 'x'));
    makeReadOnly(dir / "ro.dat");
    fakes.fileDialogs.saveAnswers.push_back(path("ro.dat"));
    try {
        records::newfile(services, nullptr);
        FAIL() << "no error";
    } catch (const std::exception& e) {
        EXPECT_STREQ(e.what(), "File access denied");
    }
    EXPECT_EQ(std::filesystem::file_size(dir / "ro.dat"), 1636u);
}

TEST(FileDialogs, InitialTitlesAndFilters) {
    FakeServices fakes;
    EXPECT_EQ(fakes.fileDialogs.open.title, "Importar archivo desde Tevo Riviva 1");
    EXPECT_EQ(fakes.fileDialogs.open.filter, "Archivo de personas, version 1|vivazo01.dat|Archivo "
                                             "de empresas, versión 1|dodidi02.dat");
    EXPECT_EQ(fakes.fileDialogs.save.title, "Guardar nuevo archivo de Tevo Riviva 2");
    EXPECT_EQ(fakes.fileDialogs.save.filter, "Archivo de Tevo Riviva 2 DAT|*.dat");
}
