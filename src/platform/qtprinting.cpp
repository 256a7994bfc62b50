#include "platform/qtprinting.h"

#include "core/ioerror.h"
#include "core/printlayout.h"

#include <QDesktopServices>
#include <QFontDialog>
#include <QFontMetrics>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QUrl>
#include <cerrno>

namespace platform {

namespace {

class FontMeasurer : public core::TextMeasurer {
  public:
    explicit FontMeasurer(const QFontMetrics& metrics) : m_(metrics) {}
    int width(std::u32string_view text) const override {
        return m_.horizontalAdvance(QString::fromUcs4(text.data(), qsizetype(text.size())));
    }
    int height(std::u32string_view) const override { return m_.height(); }
    int charHeight() const override { return m_.height(); }
    int averageCharWidth() const override { return m_.averageCharWidth(); }

  private:
    const QFontMetrics& m_;
};

[[noreturn]] void printerFailed() {
    throw core::IoError(EIO, "impresora");
}

} // namespace

bool QtTextViewer::showTextFile(const QString& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

QtPrintService::QtPrintService() = default;
QtPrintService::~QtPrintService() = default;

QPrinter& QtPrintService::printer() {
    if (!printer_)
        printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *printer_;
}

std::optional<PrintService::Choice> QtPrintService::choosePrinter(QWidget* owner) {
    QPrintDialog dialog(&printer(), owner);
    dialog.setOption(QAbstractPrintDialog::PrintCollateCopies, true);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    Choice choice{printer().copyCount(), printer().collateCopies()};
    // The program repeats the text itself; a printer making copies too would multiply them.
    printer().setCopyCount(1);
    return choice;
}

void QtPrintService::printText(const QString& text, const QFont& font) {
    QPrinter& p = printer();
    QPainter painter;
    if (!painter.begin(&p))
        printerFailed();
    painter.setFont(font);
    painter.setPen(Qt::black);
    const QFontMetrics metrics = painter.fontMetrics();
    const FontMeasurer measurer(metrics);
    const QRect page = p.pageLayout().paintRectPixels(p.resolution());
    const std::u32string all = text.toStdU32String();
    const core::PrintLayout layout = core::layoutText(all, page.width(), page.height(), measurer);
    int current = 0;
    auto toPage = [&](int wanted) {
        for (; current < wanted; ++current)
            if (!p.newPage())
                printerFailed();
    };
    for (const core::PlacedText& piece : layout.pieces) {
        toPage(piece.page);
        painter.drawText(QPoint(piece.x, piece.y + metrics.ascent()),
                         QString::fromUcs4(piece.text.data(), qsizetype(piece.text.size())));
    }
    toPage(layout.pages - 1);
    if (!painter.end())
        printerFailed();
}

std::optional<QFont> QtPrintService::chooseFont(const QFont& current, QWidget* owner) {
    bool ok = false;
    QFont chosen = QFontDialog::getFont(&ok, current, owner);
    if (!ok)
        return std::nullopt;
    return chosen;
}

} // namespace platform
