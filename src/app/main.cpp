// The program: the application, its main window and the message loop.
#include "mainwindow/zuzovi2.h"
#include "platform/application.h"
#include "platform/qtservices.h"
#include "platform/unattended.h"
#include "records/archivos.h"

#include <QIcon>
#include <QStandardPaths>
#include <cstdio>

int main(int argc, char** argv) {
    // --help and --version answer on the terminal and end: no window, no display needed, no
    // data folder.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const QString answer = platform::commandLineAnswer(arguments);
    if (!answer.isEmpty()) {
        std::fputs(answer.toLocal8Bit().constData(), stdout);
        return 0;
    }
    platform::Application app(argc, argv);
    Q_INIT_RESOURCE(resources);
    QIcon icon;
    for (int size : {32, 64, 256})
        icon.addFile(QString(":/icons/tevoriviva-%1.png").arg(size));
    app.setWindowIcon(icon);
    platform::QtServices real;
    platform::Services services = real.services();
    // --unattended: start-up answers its own questions, then the program closes as on Alt+F4.
    platform::UnattendedPrompter answering;
    const bool unattended = app.arguments().contains("--unattended");
    if (unattended)
        services.prompter = &answering;
    app.setPrompter(services.prompter);
    records::initFileDialogs(real.fileDialogs);
    QString dir = platform::programDirectory(
        app.arguments(), QApplication::applicationDirPath(),
        QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
    try {
        TForm1 window(services, dir);
        if (window.terminateRequested())
            return 0;
        if (unattended) {
            platform::reportFolders(window.obtenercurrentdir());
            window.close();
            return 0;
        }
        return app.exec();
    } catch (const std::exception& failure) {
        // A failure while the main window is created ends the program after its message.
        platform::showFailure(*services.prompter, failure);
        return 1;
    }
}
