// A real print job: the sheet printed through the system's printing into a PDF file and read
// back with pdftotext.
#include "output/imprime.h"
#include "platform/qtprinting.h"
#include "support/fakes.h"
#include "support/tempdir.h"

#include <QPlainTextEdit>
#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>

using namespace testsupport;

namespace {

// The real job, with the dialog answered: a PDF file and two copies.
class PdfPrinting : public platform::QtPrintService {
  public:
    QString file;
    std::optional<Choice> choosePrinter(QWidget*) override {
        printer().setOutputFormat(QPrinter::PdfFormat);
        printer().setOutputFileName(file);
        return Choice{2, false};
    }
};

} // namespace

TEST(PrintJob, SheetLinesCopiesAndAContinuedLineReachThePage) {
    const QString pdftotext = QStandardPaths::findExecutable("pdftotext");
    if (pdftotext.isEmpty())
        GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    TempDir dir;
    FakeServices fakes;
    PdfPrinting printing;
    printing.file = QString::fromStdString((dir / "hoja.pdf").string());
    platform::Services services = fakes.services();
    services.printing = &printing;
    TForm3 sheet(services, QString::fromStdString(dir.path().string() + "/"), nullptr);
    sheet.show();
    // No blank in it: the sheet shows it wrapped at a character.
    QString longLine;
    for (int i = 0; i < 30; ++i)
        longLine += QString("%1abcdef").arg(i, 2, 10, QChar('0'));
    sheet.Memo1->setPlainText("Tevo Riviva 2.0\nNombre     : ANA\n\nÚLTIMA\n" + longLine);
    sheet.SpeedButton2Click();

    QProcess reader;
    reader.start(pdftotext, {"-layout", printing.file, "-"});
    ASSERT_TRUE(reader.waitForFinished(30000));
    const QString text = QString::fromUtf8(reader.readAllStandardOutput());
    EXPECT_EQ(text.count('\f'), 1) << "both copies on one page";
    QStringList lines;
    for (const QString& line : text.split('\n'))
        if (!line.trimmed().isEmpty())
            lines << line.simplified();
    const QStringList sheetLines = {"Tevo Riviva 2.0", "Nombre : ANA", "ÚLTIMA"};
    ASSERT_GE(lines.size(), 2 * (sheetLines.size() + 2)) << lines.join('|').toStdString();
    const int perCopy = static_cast<int>(lines.size() / 2);
    for (int copy = 0; copy < 2; ++copy) {
        QStringList one = lines.mid(copy * perCopy, perCopy);
        EXPECT_EQ(one.mid(0, 3), sheetLines) << one.join('|').toStdString();
        EXPECT_GE(one.size() - 3, 2) << "the long line takes more than one printed line";
        EXPECT_EQ(one.mid(3).join(""), longLine);
    }
}
