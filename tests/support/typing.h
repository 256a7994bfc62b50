// Typing and pasting into boxes as a person would, with any character.
#pragma once

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>

namespace testsupport {

// QTest::keyClicks cannot carry non-ASCII text; these key events do.
inline void typeInto(QLineEdit* box, const QString& text) {
    box->setFocus();
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(box, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(box, &release);
    }
}

// What a paste does: one insertion, checked as a whole.
inline void pasteInto(QLineEdit* box, const QString& text) {
    box->insert(text);
}

} // namespace testsupport
