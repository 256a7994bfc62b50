// The main window's outward actions: the dialer, e-mail, the link fields and their hints, the
// help commands and the about window.
#include "mainwindow/zuzovi2.h"

#include "comm/acercade.h"
#include "comm/correo.h"
#include "comm/dialer.h"
#include "comm/openbronswer.h"
#include "core/email.h"
#include "core/weblinks.h"
#include "platform/appfolders.h"
#include "platform/text.h"

#include <QAction>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QStatusBar>
#include <QToolTip>
#include <algorithm>

namespace {

QString makerPage(const char* path, const char* query = "") {
    return QString::fromStdString(core::makerPage(path, query));
}

// A record's text as a tooltip: escaped, so that a stored "<b>" shows as typed, on one
// line as a plain tooltip would be.
QString plainTooltip(const QString& text) {
    if (text.isEmpty())
        return {};
    return "<p style='white-space:pre'>" + text.toHtmlEscaped() + "</p>";
}

} // namespace

void TForm1::connectCommCommands() {
    // Unique: the context menu's owner may connect its item as well.
    for (QObject* sender : {static_cast<QObject*>(bmarcar), static_cast<QObject*>(mmarcar),
                            static_cast<QObject*>(pmMarcar)}) {
        if (auto* b = qobject_cast<QPushButton*>(sender))
            connect(b, &QPushButton::clicked, this, &TForm1::mmarcarClick, Qt::UniqueConnection);
        else
            connect(static_cast<QAction*>(sender), &QAction::triggered, this, &TForm1::mmarcarClick,
                    Qt::UniqueConnection);
    }
    connect(menviarcorreo, &QAction::triggered, this, &TForm1::menviarcorreoClick);
    connect(Abrirexploradordeinternet1, &QAction::triggered, this,
            &TForm1::Abrirexploradordeinternet1Click);
    connect(Contents1, &QAction::triggered, this, &TForm1::Contents1Click);
    connect(Hacerunadonacin1, &QAction::triggered, this, &TForm1::Hacerunadonacin1Click);
    connect(EnviarSugerencias1, &QAction::triggered, this, &TForm1::EnviarSugerencias1Click);
    connect(Suscribirse1, &QAction::triggered, this, &TForm1::Suscribirse1Click);
    connect(SearchforHelpOn1, &QAction::triggered, this, &TForm1::SearchforHelpOn1Click);
    connect(mnuevaversion, &QAction::triggered, this, &TForm1::mnuevaversionClick);
    connect(About1, &QAction::triggered, this, &TForm1::About1Click);
    for (QLineEdit* field : displayFields())
        field->setMouseTracking(true);
}

void TForm1::mmarcarClick() {
    TForm7 dialer(services_, this, programDir_);
    dialer.setWindowTitle("Marcar número telefónico. Tevo Riviva 2.0.");
    dialer.accion->setText("Marcar número de :");
    dialer.nombre->setText(Edit3->text());
    dialer.boton1->setText("Marcar éste número >>");
    dialer.boton2->setText("Marcar éste número >>");
    // The numbers as the display fields show them; a company has no third number.
    dialer.c2->setText(persons_ ? Edit4->text() : Edit5->text());
    dialer.c4->setText(persons_ ? Edit5->text() : Edit6->text());
    if (persons_) {
        dialer.c6->setText(Edit6->text());
    } else {
        for (QWidget* w : std::initializer_list<QWidget*>{dialer.boton3, dialer.c5, dialer.c6})
            w->hide();
    }
    services_.modal->exec(&dialer);
}

bool TForm1::ValidEmail(const QString& text) {
    return core::ValidEmail(platform::fromQ(text));
}

void TForm1::sendmail(const QString& address) {
    QString status = comm::sendmail(services_, mailMethod_, webMailAddress_, address);
    if (!status.isEmpty())
        statusBar()->showMessage(status);
}

bool TForm1::isLinkField(const QLineEdit* field) const {
    return field->palette().color(QPalette::Text) == QColor(Qt::blue);
}

void TForm1::Edit8Click(QLineEdit* field) {
    const QString text = field->text();
    if (text.isEmpty() || !isLinkField(field))
        return;
    if (ValidEmail(text)) {
        sendmail(text);
        return;
    }
    QString refused = comm::openWebSite(services_, text, mailMethod_, webMailAddress_);
    if (!refused.isEmpty())
        statusBar()->showMessage(refused);
}

void TForm1::Edit3MouseMove(QLineEdit* field) {
    const QString text = field->text();
    const QString hint = ValidEmail(text) && isLinkField(field) ? "E-mail: " + text : text;
    if (field->toolTip() == hint)
        return;
    field->setToolTip(hint);
    field->setStatusTip(hint);
    // The pointer is already over the field: show the new hint now, not on the next entry.
    statusBar()->showMessage(hint);
}

bool TForm1::displayFieldEvent(QLineEdit* field, QEvent* event) {
    auto fields = displayFields();
    auto at = std::find(fields.begin(), fields.end(), field);
    if (at == fields.end())
        return false;
    switch (event->type()) {
    case QEvent::MouseMove:
        Edit3MouseMove(field);
        return false;
    case QEvent::MouseButtonRelease: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        // The click handler is shared by the four middle fields, Edit7 to Edit10.
        const auto slot = at - fields.begin();
        if (mouse->button() == Qt::LeftButton && slot >= 4 && slot <= 7 &&
            field->rect().contains(mouse->position().toPoint()))
            Edit8Click(field);
        return false;
    }
    case QEvent::ToolTip: {
        QString tip = plainTooltip(field->toolTip());
        if (tip.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), tip, field);
        return true;
    }
    default:
        return false;
    }
}

void TForm1::menviarcorreoClick() {
    sendmail({});
}

void TForm1::Abrirexploradordeinternet1Click() {
    comm::openbronswer(services_, makerPage("run/empty.htm"));
}

void TForm1::Contents1Click() {
    comm::openbronswer(services_, platform::helpTarget(programDir_, "index.htm"));
}

void TForm1::Hacerunadonacin1Click() {
    comm::openbronswer(services_, makerPage("paypal/donation.htm"));
}

void TForm1::EnviarSugerencias1Click() {
    comm::openbronswer(services_, makerPage("form/sugerenc.htm", "desde=200"));
}

void TForm1::Suscribirse1Click() {
    comm::openbronswer(services_, makerPage("form/suscripc.htm", "desde=200"));
}

void TForm1::SearchforHelpOn1Click() {
    comm::openbronswer(services_, makerPage("software/zuzovi2/index.htm"));
}

void TForm1::mnuevaversionClick() {
    // The product's page says which version is the newest.
    SearchforHelpOn1Click();
}

void TForm1::About1Click() {
    TForm8 about(this);
    services_.modal->exec(&about);
}
