// Small builders for the controls the windows place by pixel, each with its hint.
#pragma once

#include <QLabel>
#include <QPushButton>
#include <QStatusBar>

namespace platform {

inline QLabel* placedLabel(QWidget* parent, const QString& name, const QString& text,
                           QRect geometry) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    l->setGeometry(geometry);
    return l;
}

// The hint shows as the tooltip and in the status bar.
inline QPushButton* hintedButton(QWidget* parent, const QString& name, const QString& text,
                                 const QString& hint, QRect geometry) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    b->setGeometry(geometry);
    b->setToolTip(hint);
    b->setStatusTip(hint);
    return b;
}

// A status bar one line high cuts a long hint: the bar's tooltip holds the whole text.
inline void tipWholeMessage(QStatusBar* bar) {
    QObject::connect(bar, &QStatusBar::messageChanged, bar,
                     [bar](const QString& text) { bar->setToolTip(text); });
}

// Centres a secondary window over the main window's frame, halves truncated toward zero. Called
// before the window is shown, while a move still places the frame the window manager adds.
inline void centreOver(QWidget* window, const QWidget* main) {
    window->move(main->x() + (main->width() - window->width()) / 2,
                 main->y() + (main->height() - window->height()) / 2);
}

} // namespace platform
