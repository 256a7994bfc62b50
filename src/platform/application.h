// The application object with the program's one top-level error handler.
#pragma once

#include "platform/services.h"

#include <QApplication>
#include <QTranslator>
#include <exception>

namespace platform {

// Shows a failure that a command did not test: the error box with the program's title and the
// failure's description ("File not found", "Disk full", ...).
void showFailure(Prompter& prompter, const std::exception& failure);

// Loads Qt's own Spanish texts ("Sí", "Buscar en", "Nombre de archivo" ...) so that the
// toolkit's dialogs and buttons speak the program's language. Null when they are not installed.
QTranslator* installSpanishTranslation(QCoreApplication& app);

// The answer to --help or --version, printed instead of opening the window; empty for any
// other command line.
QString commandLineAnswer(const QStringList& arguments);

// The program's font: the windows are laid out in pixels for a small dialog font of 8 points at
// 96 dots per inch. Where the desktop sets a larger font resolution without scaling the windows,
// the font is made smaller by the same factor, so that every text still fits its box.
void applyProgramFont(QApplication& app);
// That factor: 1 at 96 dots per inch and below, less above.
double fontFit();

class Application : public QApplication {
  public:
    Application(int& argc, char** argv);
    void setPrompter(Prompter* prompter) { prompter_ = prompter; }
    bool notify(QObject* receiver, QEvent* event) override;

  private:
    Prompter* prompter_ = nullptr;
};

// The program directory with its trailing separator: --dir PATH, else $TEVORIVIVA_DIR, else the
// program file's folder, or the user's data folder when given and the program file's folder
// cannot hold the user's files (see chooseProgramFolder).
QString programDirectory(const QStringList& arguments, const QString& applicationDir,
                         const QString& userDataDir = {});

} // namespace platform
