// The application object with the program's one top-level error handler.
#pragma once

#include "platform/services.h"

#include <QApplication>
#include <exception>

namespace platform {

// Shows a failure that a command did not test: the error box with the program's title and the
// failure's description ("File not found", "Disk full", ...).
void showFailure(Prompter& prompter, const std::exception& failure);

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
