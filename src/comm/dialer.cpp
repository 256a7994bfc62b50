#include "comm/dialer.h"

#include "comm/openbronswer.h"
#include "platform/appfolders.h"
#include "platform/widgets.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QStatusTipEvent>

using platform::Prompter;

const QString TForm7::kWindowHint = "Coloque el cursor del mouse en algún elemento del cuadro de "
                                    "dialogo para obtener información.";
const QString TForm7::kReminder =
    "Recuerde Colgar y Cerrar el marcador de telefonos despues de marcar.";

namespace {

const QColor kSilver{0xC0, 0xC0, 0xC0};
const QColor kCream{0xFF, 0xFB, 0xF0};

QLineEdit* box(QWidget* parent, const QString& name, QRect geometry, const QColor& colour,
               const QString& hint = {}) {
    auto* b = new QLineEdit(parent);
    b->setObjectName(name);
    b->setGeometry(geometry);
    QPalette pal = b->palette();
    pal.setColor(QPalette::Base, colour);
    b->setPalette(pal);
    b->setToolTip(hint);
    b->setStatusTip(hint);
    return b;
}

} // namespace

TForm7::TForm7(platform::Services services, QWidget* mainWindow, const QString& programDir)
    : QDialog(mainWindow, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                              Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      services_(services), main_(mainWindow), programDir_(programDir) {
    setObjectName("Form7");
    setFixedSize(515, 205);
    setStatusTip(kWindowHint);

    accion = platform::placedLabel(this, "accion", "Acción:", {10, 12, 128, 20});
    QFont bold = accion->font();
    bold.setBold(true);
    accion->setFont(bold);
    nombre = box(this, "nombre", {140, 10, 330, 22}, kSilver);

    const QString dialHint =
        "Marcar número telefónico que se muestran en los 2 rectángulos de la derecha.";
    const QString prefixHint = "Coloque aquí cualquer otro número nececario para marcar, como "
                               "algún codigo de area.";
    const QString numberHint =
        "Se muestra el número que será marcado. ¡Verifique que sea el correcto!";
    QPushButton** buttons[] = {&boton1, &boton2, &boton3};
    QLineEdit** prefixes[] = {&c1, &c3, &c5};
    QLineEdit** numbers[] = {&c2, &c4, &c6};
    for (int i = 0; i < 3; ++i) {
        const int y = 46 + i * 34;
        *buttons[i] = platform::hintedButton(this, QString("boton%1").arg(i + 1),
                                             "Marcar este número >>", dialHint, {10, y, 170, 26});
        *prefixes[i] =
            box(this, QString("c%1").arg(2 * i + 1), {188, y + 2, 57, 22}, kCream, prefixHint);
        *numbers[i] =
            box(this, QString("c%1").arg(2 * i + 2), {252, y + 2, 218, 22}, kCream, numberHint);
    }
    connect(boton1, &QPushButton::clicked, this, &TForm7::boton1Click);
    connect(boton2, &QPushButton::clicked, this, &TForm7::boton2Click);
    connect(boton3, &QPushButton::clicked, this, &TForm7::boton3Click);

    SpeedButton5 = platform::hintedButton(
        this, "SpeedButton5", "&Cerrar",
        "Presione este botón para cerrar esta ventana y regresar al programa.",
        {252, 152, 104, 26});
    SpeedButton6 = platform::hintedButton(
        this, "SpeedButton6", "Mas información",
        "Presione este botón para abrir la ayuda sobre este cuadro.", {362, 152, 108, 26});
    SpeedButton5->setFlat(true);
    SpeedButton6->setFlat(true);
    connect(SpeedButton5, &QPushButton::clicked, this, &TForm7::SpeedButton5Click);
    connect(SpeedButton6, &QPushButton::clicked, this, &TForm7::SpeedButton6Click);

    QWidget* previous = nombre;
    for (QWidget* next : std::initializer_list<QWidget*>{boton1, c1, c2, boton2, c3, c4, boton3, c5,
                                                         c6, SpeedButton5, SpeedButton6}) {
        setTabOrder(previous, next);
        previous = next;
    }

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName("StatusBar1");
    StatusBar1->setSizeGripEnabled(false);
    StatusBar1->setGeometry(0, 185, 515, 20);
    platform::tipWholeMessage(StatusBar1);
    StatusBar1->showMessage(kWindowHint);
}

void TForm7::setVisible(bool visible) {
    if (visible && !isVisible())
        platform::centreOver(this, main_);
    QDialog::setVisible(visible);
}

bool TForm7::event(QEvent* event) {
    // The status bar shows the hint of the control under the mouse pointer, or the window's.
    if (event->type() == QEvent::StatusTip) {
        QString tip = static_cast<QStatusTipEvent*>(event)->tip();
        StatusBar1->showMessage(tip.isEmpty() ? kWindowHint : tip);
        return true;
    }
    return QDialog::event(event);
}

void TForm7::dial(int row) {
    QLineEdit* prefix[] = {c1, c3, c5};
    QLineEdit* number[] = {c2, c4, c6};
    const QString destination = prefix[row - 1]->text() + number[row - 1]->text();
    const QString name = nombre->text();
    const bool first = row == 1;
    if (!services_.telephony->requestMakeCall(destination, first ? name : QString(), name,
                                              first ? QString("nose") : QString())) {
        // Nothing will ring: a reminder to hang up would mislead.
        services_.prompter->messageDialog(
            "No se pudo marcar el número \"" + destination +
                "\": no hay ningún programa en el sistema que haga llamadas telefónicas.",
            Prompter::Icon::Error, Prompter::OK);
        return;
    }
    if (first)
        services_.prompter->messageDialog(kReminder, Prompter::Icon::Information, Prompter::OK);
}

void TForm7::SpeedButton5Click() {
    close();
}

void TForm7::SpeedButton6Click() {
    comm::openbronswer(services_, platform::helpTarget(programDir_, "action.htm"));
}
