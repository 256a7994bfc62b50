// The real text viewer and printing: the desktop's handler for text files, the system's print
// and font dialogs, and a print job drawn with QPainter.
#pragma once

#include "platform/services.h"

#include <memory>

class QPrinter;

namespace platform {

class QtTextViewer : public TextViewer {
  public:
    bool showTextFile(const QString& path) override;
};

class QtPrintService : public PrintService {
  public:
    QtPrintService();
    ~QtPrintService() override;
    std::optional<Choice> choosePrinter(QWidget* owner) override;
    void printText(const QString& text, const QFont& font) override;
    std::optional<QFont> chooseFont(const QFont& current, QWidget* owner) override;
    // Made on first use: asking the system for its printers can take a while.
    QPrinter& printer();

  private:
    std::unique_ptr<QPrinter> printer_;
};

} // namespace platform
