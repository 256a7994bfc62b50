// Contacts in and out through vCard files: the import into the working file of the view, the
// export of the whole file and of the record in view.
#include "core/fileio.h"
#include "core/vcardmap.h"
#include "support/mainwindow_fixture.h"

#include <QAction>
#include <QScrollBar>

using namespace testsupport;
using platform::Prompter;
namespace fs = std::filesystem;

namespace {

class ContactsTest : public MainWindowTest {
  protected:
    QString q(const fs::path& p) const { return QString::fromStdString(p.string()); }
    const Message& last() const { return fakes.prompter.messages.back(); }
    // The file chosen in the open dialog, with the question answered `answer`.
    void importFile(const fs::path& vcf, int answer = Prompter::Yes) {
        fakes.fileDialogs.openAnswers = {q(vcf)};
        fakes.prompter.messages.clear();
        fakes.prompter.answers = {answer};
        window->ImportarvCard1Click();
    }
    static QString result(int added, int present, int cut, int replaced) {
        return QString("Se agregaron %1 contactos al archivo.\n"
                       "Ya estaban en el archivo (no se agregaron otra vez): %2\n"
                       "Textos recortados al largo de su campo: %3\n"
                       "Caracteres reemplazados por \"?\" (no existen en el archivo): %4")
            .arg(added)
            .arg(present)
            .arg(cut)
            .arg(replaced);
    }
};

const std::string kCards = "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Ana\r\nTEL:1\r\nEND:VCARD\r\n"
                           "BEGIN:VCARD\r\nVERSION:2.1\r\nN:N\xC3\xBA\xC3\xB1"
                           "ez;Beto\r\nNOTE:\xCE\xA9\r\nEND:VCARD\r\n"
                           "BEGIN:VCARD\r\nVERSION:4.0\r\nFN:" +
                           std::string(256, 'z') + "\r\nEND:VCARD\r\n";

} // namespace

TEST_F(ContactsTest, ImportAddsNewCardsOnceAndSaysWhatItDid) {
    ordinaryStart({personRecord("ANA", "1")});
    start();
    writeBytes(dir / "c.vcf", kCards);
    importFile(dir / "c.vcf");
    const auto& run = fakes.fileDialogs.openRuns.at(0);
    EXPECT_EQ(run.title, "Importar contactos (vCard)");
    EXPECT_EQ(run.filter, "Contactos vCard (*.vcf)|*.vcf");
    ASSERT_EQ(fakes.prompter.messages.size(), 2u);
    EXPECT_EQ(fakes.prompter.messages[0].text,
              "Se encontraron 3 contactos en el archivo " + q(dir / "c.vcf") +
                  ". ¿Desea agregarlos al archivo de Personas " + q(personsFile()) + "?");
    EXPECT_EQ(fakes.prompter.messages[0].icon, Prompter::Icon::Confirmation);
    EXPECT_EQ(last().text, result(2, 1, 1, 1));
    EXPECT_EQ(last().title, "Importación de contactos");
    EXPECT_EQ(namesIn(personsFile()), (std::vector<std::string>{"ANA",
                                                                "BETO N\xDA\xD1"
                                                                "EZ",
                                                                std::string(255, 'Z')}));
    EXPECT_EQ(window->barra->maximum(), 3);
    EXPECT_EQ(window->Deshacer1->text(), "Deshacer: importar 2 contactos (vCard)");
    const std::string once = readBytes(personsFile());

    // Again: nothing new, the file as it was.
    importFile(dir / "c.vcf");
    EXPECT_EQ(last().text, result(0, 3, 1, 1));
    EXPECT_EQ(readBytes(personsFile()), once);

    // Declining the question, and files that are no vCard, write nothing.
    importFile(dir / "c.vcf", Prompter::No);
    EXPECT_EQ(fakes.prompter.messages.size(), 1u);
    for (const auto& [bytes, text] : std::vector<std::pair<std::string, QString>>{
             {"", "El archivo está vacío, no contiene ningún contacto."},
             {"Nombre,Tel\xC3\xA9"
              "fono\r\n",
              "El archivo seleccionado no es un archivo de contactos vCard (debe comenzar con "
              "BEGIN:VCARD)."},
             {kCards + "BEGIN:VCARD\r\nFN:X\r\n",
              "El contacto que comienza en la línea 15 no termina con END:VCARD. El archivo está "
              "incompleto o dañado."},
             {"BEGIN:VCARD\nNOTE;QUOTED-PRINTABLE:=4\nEND:VCARD\n",
              "La línea 2 del archivo tiene un texto codificado (QUOTED-PRINTABLE) dañado."},
             {std::string("BEGIN:VCARD\n\0", 13),
              "El archivo contiene caracteres nulos (línea 2), no es un archivo de texto vCard."},
         }) {
        writeBytes(dir / "mal.vcf", bytes);
        importFile(dir / "mal.vcf");
        ASSERT_EQ(fakes.prompter.messages.size(), 1u);
        EXPECT_EQ(last().text, text + " No se importó ningún contacto.");
        EXPECT_EQ(last().title, "Error al importar contactos");
        EXPECT_EQ(last().icon, Prompter::Icon::Error);
    }
    EXPECT_EQ(readBytes(personsFile()), once);
    EXPECT_FALSE(fs::exists(dir / "tmpingre.tmp"));

    // A working file that cannot be written is refused before the dialog opens.
    makeReadOnly(personsFile());
    const std::size_t runs = fakes.fileDialogs.openRuns.size();
    EXPECT_THROW(window->ImportarvCard1Click(), core::IoError);
    EXPECT_EQ(fakes.fileDialogs.openRuns.size(), runs);
}

TEST_F(ContactsTest, ExportsWriteTheFileOrTheRecordInViewAsCards) {
    const std::vector<core::Record> persons = {personRecord("ANA", "1"),
                                               personRecord("BETO/2", "2")};
    ordinaryStart(persons, {companyRecord("ACME", "TALLER")});
    start();
    fakes.fileDialogs.saveAnswers = {q(dir / "todos")};
    window->ExportarvCard1Click();
    const auto& run = fakes.fileDialogs.saveRuns.at(0);
    EXPECT_EQ(run.title, "Exportar a vCard");
    EXPECT_EQ(run.filter, "Contactos vCard (*.vcf)|*.vcf");
    EXPECT_EQ(run.fileName, "personas.vcf");
    EXPECT_EQ(run.defaultExt, "vcf");
    EXPECT_EQ(fakes.fileDialogs.save.defaultExt, "dat"); // the data files' commands keep theirs
    EXPECT_EQ(last().text, "Se guardaron 2 contactos en el archivo " + q(dir / "todos.vcf"));
    EXPECT_EQ(last().title, "Exportar a vCard");
    EXPECT_EQ(core::readVCardFile(dir / "todos.vcf", true).records, persons);
    // A name that ends in the extension in capitals keeps it as it is.
    fakes.fileDialogs.saveAnswers = {q(dir / "MAYUS.VCF")};
    window->ExportarvCard1Click();
    EXPECT_EQ(last().text, "Se guardaron 2 contactos en el archivo " + q(dir / "MAYUS.VCF"));
    EXPECT_EQ(core::readVCardFile(dir / "MAYUS.VCF", true).records, persons);
    EXPECT_FALSE(fs::exists(dir / "MAYUS.VCF.vcf"));

    // The record in view, named after it.
    window->barra->setValue(2);
    fakes.fileDialogs.saveAnswers = {q(dir / "beto.vcf")};
    window->mguardarvcardClick();
    EXPECT_EQ(fakes.fileDialogs.saveRuns.back().fileName, "BETO_2.vcf");
    EXPECT_EQ(readBytes(dir / "beto.vcf"), core::cardFromRecord(persons[1], true));
    EXPECT_EQ(last().text, "Se guardó el registro en el archivo " + q(dir / "beto.vcf"));
    EXPECT_EQ(last().title, "Guardar registro como vCard");

    // A company is a company card; a working file, here through a link, is never the target.
    window->SpeedButton6Click();
    fs::create_symlink(personsFile(), dir / "enlace.vcf");
    fakes.fileDialogs.saveAnswers = {q(dir / "acme.vcf"), q(dir / "enlace.vcf")};
    window->mguardarvcardClick();
    EXPECT_NE(readBytes(dir / "acme.vcf").find("\r\nX-ABShowAs:COMPANY\r\n"), std::string::npos);
    const std::string working = readBytes(personsFile());
    fakes.prompter.messages.clear();
    window->ExportarvCard1Click();
    ASSERT_EQ(fakes.prompter.messages.size(), 1u);
    EXPECT_EQ(last().text, "El archivo " + q(dir / "enlace.vcf") +
                               " está en uso como archivo de trabajo y no se puede reemplazar. "
                               "Debe especificar un nuevo archivo");
    EXPECT_EQ(last().title, "No se exportaron contactos");
    EXPECT_EQ(readBytes(personsFile()), working);
}

TEST_F(ContactsTest, AddressesPastTheSlotsAreKeptInTheNotesAndCounted) {
    ordinaryStart({});
    start();
    writeBytes(dir / "m.vcf", "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Eva\r\nEMAIL:a@x.cl\r\n"
                              "EMAIL:b@y.cl\r\nEMAIL:c@z.cl\r\nEMAIL:d@w.cl\r\nEND:VCARD\r\n");
    importFile(dir / "m.vcf");
    EXPECT_EQ(last().text,
              result(1, 0, 0, 0) +
                  "\nCorreos electrónicos guardados en las notas (sin campo propio): 2");
    const core::Record eva = core::readRecord(personsFile(), 0);
    EXPECT_EQ(eva.texts[core::person::Email1], "a@x.cl");
    EXPECT_EQ(eva.texts[core::person::Email2], "b@y.cl");
    EXPECT_EQ(eva.texts[core::person::Notes], "Correo: c@z.cl\r\nCorreo: d@w.cl");
}
