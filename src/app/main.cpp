// The program: the application, its main window and the message loop.
#include "mainwindow/zuzovi2.h"
#include "platform/application.h"
#include "platform/qtservices.h"
#include "records/archivos.h"

int main(int argc, char** argv) {
    platform::Application app(argc, argv);
    Q_INIT_RESOURCE(resources);
    platform::QtServices real;
    app.setPrompter(&real.prompter);
    records::initFileDialogs(real.fileDialogs);
    QString dir = platform::programDirectory(app.arguments(), QApplication::applicationDirPath());
    try {
        TForm1 window(real.services(), dir);
        if (window.terminateRequested())
            return 0;
        return app.exec();
    } catch (const std::exception& failure) {
        // A failure while the main window is created ends the program after its message.
        platform::showFailure(real.prompter, failure);
        return 1;
    }
}
