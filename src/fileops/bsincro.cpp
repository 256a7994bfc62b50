#include "fileops/bsincro.h"

#include "platform/qtservices.h"
#include "platform/widgets.h"

#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <algorithm>
#include <climits>

TForm10::TForm10(QWidget* mainWindow)
    : QDialog(mainWindow, Qt::Dialog | Qt::WindowTitleHint | Qt::CustomizeWindowHint) {
    setObjectName("Form9");
    setWindowTitle("Sincronizar - " + QString(platform::kProgramTitle));
    setWindowModality(Qt::ApplicationModal);
    setFixedSize(360, 96);
    QPalette blue = palette();
    blue.setColor(QPalette::WindowText, Qt::blue);
    accion =
        platform::placedLabel(this, "accion", "Conectando con el servidor ...", {8, 6, 344, 16});
    accion->setPalette(blue);
    accion->setTextFormat(Qt::PlainText);
    bprogreso = new QProgressBar(this);
    bprogreso->setObjectName("bprogreso");
    bprogreso->setGeometry(8, 26, 344, 26);
    bprogreso->setAlignment(Qt::AlignCenter);
    bprogreso->setRange(0, 0);
    bcancelar = platform::hintedButton(this, "bcancelar", "&Cancelar",
                                       "Detiene la sincronización. La próxima sincronización "
                                       "termina lo que quede pendiente.",
                                       {252, 62, 100, 26});
    connect(bcancelar, &QPushButton::clicked, this, &TForm10::bcancelarClick);
    move(mainWindow->x() + (mainWindow->width() - width()) / 2,
         mainWindow->y() + (mainWindow->height() - height()) / 2);
    show();
}

void TForm10::setStep(const QString& text, std::int64_t done, std::int64_t total) {
    accion->setText(text);
    const int maximum = static_cast<int>(std::clamp<std::int64_t>(total, 0, INT_MAX));
    bprogreso->setRange(0, maximum);
    bprogreso->setValue(static_cast<int>(std::clamp<std::int64_t>(done, 0, maximum)));
    QCoreApplication::processEvents();
}

void TForm10::bcancelarClick() {
    cancelled_ = true;
    bcancelar->setEnabled(false);
    accion->setText("Cancelando ...");
}

void TForm10::reject() {
    bcancelarClick();
}
