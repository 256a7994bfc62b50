// Small builders for the controls the windows place by pixel, each with its hint.
#pragma once

#include <QLabel>
#include <QPushButton>

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

} // namespace platform
