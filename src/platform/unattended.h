// Start-up without anyone at the screen (--unattended): each question gets the button its box
// offers first (OK, or Yes where Yes and No are offered, as the first-run greeting asks), and
// every message is written to standard output, so that a script can start the program, see what
// it asked and find what it created.
#pragma once

#include "platform/services.h"

namespace platform {

class UnattendedPrompter : public Prompter {
  public:
    int messageDialog(const QString& text, Icon icon, int buttons) override;
    int messageBox(const QString& text, const QString& title, Icon icon, int buttons) override;
    void showMessage(const QString& text) override;
};

// Writes the program directory and the file of the help index to standard output.
void reportFolders(const QString& programDir);

} // namespace platform
