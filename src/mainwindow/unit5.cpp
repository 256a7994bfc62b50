#include "mainwindow/unit5.h"

#include "comm/openbronswer.h"
#include "mainwindow/zuzovi2.h"
#include "platform/appfolders.h"
#include "platform/widgets.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

TForm5::TForm5(platform::Services services, QWidget* mainWindow)
    : QDialog(mainWindow, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint),
      services_(services), main_(mainWindow) {
    setObjectName("Form5");
    setWindowTitle("Error al iniciar el programa. Sugerencias");
    setAttribute(Qt::WA_DeleteOnClose, false);
    setFixedSize(660, 380);

    auto* picture = new QLabel(this);
    picture->setObjectName("Image1");
    picture->setPixmap(QPixmap(":/img/form5.jpg"));
    picture->setGeometry(12, 12, 64, 64);

    Memo1 = new QPlainTextEdit(text(), this);
    Memo1->setObjectName("Memo1");
    Memo1->setReadOnly(true);
    Memo1->setGeometry(88, 12, 560, 316);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);

    Aceptar = new QPushButton("Aceptar", this);
    Aceptar->setObjectName("Aceptar");
    Aceptar->setFlat(true);
    Aceptar->setGeometry(440, 340, 96, 28);
    Masinformacion = new QPushButton("Mas información", this);
    Masinformacion->setObjectName("Masinformacion");
    Masinformacion->setFlat(true);
    Masinformacion->setGeometry(544, 340, 104, 28);
    connect(Aceptar, &QPushButton::clicked, this, &TForm5::AceptarClick);
    connect(Masinformacion, &QPushButton::clicked, this, &TForm5::MasinformacionClick);
}

QString TForm5::text() {
    const char* lines[] = {
        "El programa al iniciarse a detectado que no a seleccionado algún archivo",
        "para trabajar, o que el archivo seleccionado no se encuentra, o también este puede",
        "estar protegido contra escritura, o bien estar siendo utilizado por otra aplicación.",
        "",
        "Para solucionar esto, haga lo siguiente:",
        "",
        ">> Si la ubicación del archivo es correcta, y este existe, verifique que",
        "no este protegido contra escritura, y que ninguna otra aplicación lo este",
        "ocupando. Si algún archivo hubiese estado protegido contra escritura,  el programa",
        "se lo hubiera indicado antes de mostrar este mensaje.",
        "",
        ">> Si el archivo ya existe, pero no se encuentra en la ubicación indicada en",
        "el programa, entonces, vaya al cuadro preferencias (Menú Opciones / Preferencias,",
        "Ctrl+O), y seleccione el o los archivos que faltan.",
        "",
        ">> Si no hay ningún archivo, entonces cree uno nuevo. Para hacer esto, tiene dos",
        "opciones:",
        "   <> En el Cuadro Preferencias, en la etiqueta “Archivos”, cree un nuevo archivo.",
        "   <> Respondiendo a “Yes” (Si), en la pregunta formulada al iniciar el programa."};
    QStringList out;
    for (const char* line : lines)
        out << QString::fromUtf8(line);
    return out.join('\n');
}

void TForm5::setVisible(bool visible) {
    // Centred over the main window before it appears, while a move still places the frame;
    // the halving truncates toward zero.
    if (visible && !isVisible())
        platform::centreOver(this, main_);
    QDialog::setVisible(visible);
}

void TForm5::showEvent(QShowEvent* event) {
    main_->setEnabled(false);
    setEnabled(true); // a child window would follow its disabled parent
    QDialog::showEvent(event);
}

void TForm5::hideEvent(QHideEvent* event) {
    main_->setEnabled(true);
    QDialog::hideEvent(event);
}

void TForm5::AceptarClick() {
    close();
}

void TForm5::MasinformacionClick() {
    auto* main = qobject_cast<TForm1*>(main_);
    QString dir = main ? main->obtenercurrentdir() : QString();
    comm::openbronswer(services_, platform::helpTarget(dir, "archivo.htm"));
}
