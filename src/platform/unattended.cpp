#include "platform/unattended.h"

#include "core/localtarget.h"
#include "platform/appfolders.h"
#include "platform/qtservices.h"

#include <cstdio>

namespace platform {

namespace {

void say(const QString& line) {
    std::fputs(line.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// The real boxes offer their buttons in the order Yes, No, OK, Cancel and default to the first.
int firstButton(int buttons) {
    for (int b : {Prompter::Yes, Prompter::No, Prompter::OK, Prompter::Cancel})
        if (buttons & b)
            return b;
    return 0;
}

int answer(const QString& title, const QString& text, int buttons) {
    int chosen = firstButton(buttons);
    const char* caption = chosen == Prompter::Yes  ? "Yes"
                          : chosen == Prompter::No ? "No"
                          : chosen == Prompter::OK ? "OK"
                                                   : "Cancel";
    say("mensaje: [" + title + "] " + text + " -> " + caption);
    return chosen;
}

} // namespace

int UnattendedPrompter::messageDialog(const QString& text, Icon, int buttons) {
    return answer(kProgramTitle, text, buttons);
}

int UnattendedPrompter::messageBox(const QString& text, const QString& title, Icon, int buttons) {
    return answer(title, text, buttons);
}

void UnattendedPrompter::showMessage(const QString& text) {
    answer(kProgramTitle, text, OK);
}

void reportFolders(const QString& programDir) {
    say("directorio: " + programDir);
    // The file the help commands open, as the page opener reads the target.
    std::string target = helpTarget(programDir, "index.htm").toStdString();
    say("ayuda: " +
        QString::fromStdString(core::localPathForSystem(core::getarchivofromurl(target))));
}

} // namespace platform
