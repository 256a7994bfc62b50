#include "platform/application.h"

#include "platform/appfolders.h"
#include "platform/qtservices.h"

#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QLibraryInfo>
#include <QLocale>
#include <QScreen>
#include <QTranslator>

namespace platform {

void showFailure(Prompter& prompter, const std::exception& failure) {
    prompter.messageBox(QString::fromLocal8Bit(failure.what()), kProgramTitle,
                        Prompter::Icon::Error, Prompter::OK);
}

QTranslator* installSpanishTranslation(QCoreApplication& app) {
    auto* qt = new QTranslator(&app);
    if (!qt->load(QLocale(QLocale::Spanish), "qtbase", "_",
                  QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
        !QCoreApplication::installTranslator(qt)) {
        delete qt;
        return nullptr;
    }
    return qt;
}

QString commandLineAnswer(const QStringList& arguments) {
    const QString version = QString("%1 %2\n").arg(kProgramTitle, "2.0.2");
    for (const QString& argument : arguments.mid(1)) {
        if (argument == "--version" || argument == "-v")
            return version;
        if (argument == "--help" || argument == "-h")
            return version +
                   "Agenda de personas y empresas.\n\n"
                   "Uso: tevoriviva [--dir CARPETA] [--unattended]\n"
                   "  --dir CARPETA  usa CARPETA como carpeta del programa (inicio.ini y los "
                   "archivos de trabajo);\n"
                   "                 también la variable TEVORIVIVA_DIR\n"
                   "  --unattended   responde sola las preguntas del inicio y termina\n"
                   "  --help, -h     muestra esta ayuda y termina\n"
                   "  --version, -v  muestra la versión y termina\n";
    }
    return {};
}

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {
    installSpanishTranslation(*this);
    setApplicationName(kProgramTitle);
    // The user's data folder of an installed copy: ~/.local/share/tevosoft/Tevo Riviva 2.
    setOrganizationName("tevosoft");
    setDesktopFileName("tevoriviva");
    applyProgramFont(*this);
}

double fontFit() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double dpi = screen ? screen->logicalDotsPerInchY() : 96.0;
    return dpi > 96.0 ? 96.0 / dpi : 1.0;
}

void applyProgramFont(QApplication& app) {
    QFont small = app.font();
    small.setPointSizeF(8 * fontFit());
    app.setFont(small);
}

bool Application::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& failure) {
        // The command ends at the failing step; what it did before stays done.
        if (prompter_)
            showFailure(*prompter_, failure);
    }
    return false;
}

QString programDirectory(const QStringList& arguments, const QString& applicationDir,
                         const QString& userDataDir) {
    QString dir = applicationDir;
    int at = arguments.indexOf("--dir");
    if (at >= 0 && at + 1 < arguments.size())
        dir = arguments.at(at + 1);
    else if (!qEnvironmentVariableIsEmpty("TEVORIVIVA_DIR"))
        dir = qEnvironmentVariable("TEVORIVIVA_DIR");
    else if (!userDataDir.isEmpty())
        return chooseProgramFolder(applicationDir, userDataDir);
    dir = QFileInfo(dir).absoluteFilePath();
    if (!dir.endsWith('/'))
        dir += '/';
    return dir;
}

} // namespace platform
