#include "comm/acercade.h"

#include "comm/openbronswer.h"
#include "core/weblinks.h"
#include "core/winversion.h"
#include "mainwindow/zuzovi2.h"
#include "platform/widgets.h"

#include <QListWidget>
#include <QMouseEvent>
#include <QOperatingSystemVersion>
#include <QSysInfo>
#include <QTabWidget>

namespace {

// Blue, underlined, with the hand pointer: a label that acts as a link.
void linkStyle(QLabel* label) {
    QFont font = label->font();
    font.setUnderline(true);
    label->setFont(font);
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, Qt::blue);
    label->setPalette(pal);
    label->setCursor(Qt::PointingHandCursor);
}

const char* const kThanked[] = {
    "Ana Belén Quiroga",   "Carlos Etcheverry", "Lucía Fernández Ríos", "Martín Salgado",
    "Rocío Benavídez",     "Tomás Ugarte",      "Valeria Montes",       "Joaquín Arrieta",
    "Patricio Lobos Vera", "Inés Cárdenas",
};

} // namespace

using platform::placedLabel;

TForm8::TForm8(TForm1* mainWindow)
    : QDialog(mainWindow, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                              Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                              Qt::WindowCloseButtonHint),
      main_(mainWindow) {
    setObjectName("Form8");
    setWindowTitle("Acerca de Tevo Riviva 2.0.2");
    setFixedSize(468, 252);

    Notebook1 = new QTabWidget(this);
    Notebook1->setObjectName("Notebook1");
    Notebook1->setGeometry(8, 8, 452, 204);

    auto* soft = new QWidget;
    soft->setObjectName("TabSoft");
    Image1 = placedLabel(soft, "Image1", {}, {6, 6, 438, 61});
    Image1->setPixmap(QPixmap(":/img/acercade.jpg"));
    Label1 = placedLabel(soft, "Label1", "Tevo Riviva. Versión: 2.0.2", {10, 74, 250, 18});
    QFont bold = Label1->font();
    bold.setBold(true);
    Label1->setFont(bold);
    Label2 = placedLabel(soft, "Label2", "02-04-2004", {330, 74, 110, 18});
    Label2->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Label5 = placedLabel(soft, "Label5", "Tevo Soft © 2004. Todos los derechos reservados.",
                         {10, 94, 430, 18});
    Label6 =
        placedLabel(soft, "Label6", "Programa gratuito: se puede copiar y regalar, pero no vender.",
                    {10, 112, 430, 18});
    Label4 = placedLabel(soft, "Label4", QString::fromStdString(std::string(core::kMakerContact)),
                         {10, 134, 260, 18});
    Label4->setToolTip("Escribir un correo a Tevo Soft");
    Label3 = placedLabel(soft, "Label3", QString::fromStdString(std::string(core::kMakerSite)),
                         {10, 154, 200, 18});
    Label3->setToolTip("Visitar el sitio web de Tevo Soft");
    labelos = placedLabel(soft, "labelos", "-", {214, 154, 226, 18});
    labelos->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    for (QLabel* link : {Label4, Label3}) {
        linkStyle(link);
        link->installEventFilter(this);
    }
    for (QLabel* l : {Label1, Label2, Label5, Label6, Label4, Label3, labelos})
        l->setTextFormat(Qt::PlainText);
    Notebook1->addTab(soft, "Tevo Soft");

    auto* thanks = new QWidget;
    thanks->setObjectName("TabAgradecimientos");
    Label7 = placedLabel(thanks, "Label7",
                         "Se les agradece a las siguientes personas por habernos enviado sus "
                         "sugerencias ",
                         {8, 6, 436, 18});
    Label8 = placedLabel(thanks, "Label8",
                         "las cuales nos permitieron mejorar el desarrollo de este útil programa.",
                         {8, 24, 436, 18});
    // The first line is long: a point smaller keeps both lines whole on the page.
    QFont small = Label7->font();
    small.setPointSizeF(small.pointSizeF() - 1);
    Label7->setFont(small);
    Label8->setFont(small);
    ListBox1 = new QListWidget(thanks);
    ListBox1->setObjectName("ListBox1");
    ListBox1->setGeometry(8, 48, 432, 122);
    for (const char* name : kThanked)
        ListBox1->addItem(QString::fromUtf8(name));
    Notebook1->addTab(thanks, "Agradecimientos");

    JLAqua1 = platform::hintedButton(this, "JLAqua1", "Cerrar", {}, {376, 220, 84, 26});
    connect(JLAqua1, &QPushButton::clicked, this, &TForm8::JLAqua1Click);
}

QString TForm8::systemName() {
#ifdef Q_OS_WIN
    auto v = QOperatingSystemVersion::current();
    return QString::fromStdString(core::GetWindowsVersion(core::WinPlatform::NT,
                                                          static_cast<unsigned>(v.majorVersion()),
                                                          static_cast<unsigned>(v.minorVersion())));
#else
    return QSysInfo::prettyProductName();
#endif
}

void TForm8::setVisible(bool visible) {
    if (visible && !isVisible())
        FormShow();
    QDialog::setVisible(visible);
}

void TForm8::FormShow() {
    platform::centreOver(this, main_);
    labelos->setText(systemName());
}

bool TForm8::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        if (watched == Label4)
            Label4Click();
        else if (watched == Label3)
            Label3Click();
    }
    return QDialog::eventFilter(watched, event);
}

void TForm8::Label4Click() {
    main_->sendmail(QString::fromStdString(std::string(core::kMakerContact)));
}

void TForm8::Label3Click() {
    comm::openbronswer(main_->services(),
                       QString::fromStdString(core::makerPage("php/goto.php", "url=1&de=200")));
}

void TForm8::JLAqua1Click() {
    close();
}
