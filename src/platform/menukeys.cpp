#include "platform/menukeys.h"

#include <QAction>
#include <QKeyEvent>
#include <QLineEdit>
#include <QWidget>

namespace platform {

namespace {

class MenuKeysFirst : public QObject {
  public:
    explicit MenuKeysFirst(QWidget* window) : QObject(window), window_(window) {}

    bool eventFilter(QObject* box, QEvent* event) override {
        if (event->type() != QEvent::ShortcutOverride)
            return QObject::eventFilter(box, event);
        auto* key = static_cast<QKeyEvent*>(event);
        // Plain and shifted keys are typing; only combinations can be a menu's.
        if (!(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
            return false;
        const QKeySequence pressed(key->keyCombination());
        for (const QAction* action : window_->findChildren<QAction*>())
            if (action->isEnabled() && action->shortcutContext() != Qt::WidgetShortcut &&
                action->shortcuts().contains(pressed)) {
                event->ignore(); // the box declines the key; the shortcut map takes it
                return true;
            }
        return false;
    }

  private:
    QWidget* window_;
};

} // namespace

void letMenuShortcutsThroughBoxes(QWidget* window) {
    auto* filter = new MenuKeysFirst(window);
    for (QLineEdit* box : window->findChildren<QLineEdit*>())
        box->installEventFilter(filter);
}

} // namespace platform
