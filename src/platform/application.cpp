#include "platform/application.h"

#include "platform/appfolders.h"
#include "platform/qtservices.h"

#include <QDir>
#include <QFileInfo>
#include <QFont>

namespace platform {

void showFailure(Prompter& prompter, const std::exception& failure) {
    prompter.messageBox(QString::fromLocal8Bit(failure.what()), kProgramTitle,
                        Prompter::Icon::Error, Prompter::OK);
}

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(kProgramTitle);
    // The user's data folder of an installed copy: ~/.local/share/tevosoft/Tevo Riviva 2.
    setOrganizationName("tevosoft");
    setDesktopFileName("tevoriviva");
    // The windows are laid out in pixels for a small dialog font.
    QFont small = font();
    small.setPointSize(8);
    setFont(small);
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
