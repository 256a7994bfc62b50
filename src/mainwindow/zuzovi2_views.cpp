// The two views, the record display and navigation with the scroll bar.
#include "mainwindow/zuzovi2.h"

#include "core/datafile.h"
#include "core/inifile.h"
#include "platform/cpedit.h"
#include "platform/text.h"
#include "records/labels.h"

#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <algorithm>

using platform::toQ;

void TForm1::applyLinkStyle(QLineEdit* field, bool link) {
    QFont font = field->font();
    font.setUnderline(link);
    field->setFont(font);
    QPalette pal = field->palette();
    pal.setColor(QPalette::Text, link ? QColor(Qt::blue) : QColor(Qt::black));
    field->setPalette(pal);
    if (link)
        field->setCursor(Qt::PointingHandCursor);
    else
        field->unsetCursor();
}

void TForm1::tipovista(bool persons) {
    limpiaredits();
    visorreg->setText("N/R");
    if (!settingsBlocked_)
        core::IniFile(platform::toPath(settingsPath())).writeBool("ventana", "ultimo", persons);

    imgpersonas->setVisible(persons);
    imgempresas->setVisible(!persons);
    persons_ = persons;
    setWindowTitle(persons ? "Tevo Riviva 2 -> Buscar Personas"
                           : "Tevo Riviva 2 -> Buscar Empresas");
    Label1->setText(persons ? "Ingrese Nombre, Apellido >>" : "Ingrese Nombre de Empresa >>");
    Label2->setText(persons ? "Ingrese Número Telefónico >>" : "Ingrese Rubro, Giro o Web >>");
    auto labels = displayLabels();
    for (int i = 0; i < core::kSlotCount; ++i)
        labels[i]->setText(persons ? records::kPersonLabels[i] : records::kCompanyLabels[i]);
    if (!persons)
        Label6->setText("Número Telefónico"); // the main window's caption has no colon
    applyLinkStyle(Edit7, !persons);
    applyLinkStyle(Edit8, true);
    applyLinkStyle(Edit9, persons);
    applyLinkStyle(Edit10, persons);

    std::int64_t count = core::recordCount(platform::toPath(currentFile()));
    if (count == 0) {
        elboton->setEnabled(false);
        cuadro1->setEnabled(false);
        cuadro2->setEnabled(false);
        noregistro();
        barra->setEnabled(false);
    } else {
        cuadro1->setEnabled(true);
        cuadro2->setEnabled(true);
        cuadro1->setFocus(); // a name can be typed at once
        // The clamp of a smaller maximum shows that record at once.
        barra->setMaximum(static_cast<int>(std::min<std::int64_t>(count, INT_MAX)));
    }
    barraChange();
    actualizarDeshacer();
}

void TForm1::barraChange() {
    // One open and one read: the count bounds the bar and the record at the bar is shown.
    const core::RecordInView view =
        core::readRecordInView(platform::toPath(currentFile()), barra->value() - 1);
    if (view.count == 0) {
        if (persons_)
            barra->setEnabled(false);
        else
            noregistro();
        return;
    }
    {
        // A smaller maximum moves the bar to the last record, which is the one read already.
        const QSignalBlocker quiet(barra);
        barra->setMaximum(static_cast<int>(std::min<std::int64_t>(view.count, INT_MAX)));
    }
    barra->setEnabled(true);
    mostrar(view.number, view.record);
}

void TForm1::mostrar(std::int64_t n, const core::Record& record) {
    current_ = n;
    core::Record& buffer = persons_ ? personBuffer_ : companyBuffer_;
    buffer = record;
    shown_ = buffer;
    auto fields = displayFields();
    for (int i = 0; i < core::kSlotCount; ++i) {
        fields[i]->setText(toQ(buffer.texts[i]));
        fields[i]->setCursorPosition(0);
    }
    visorreg->setText(QString::number(n + 1));
    imgpersonas->setVisible(persons_);
    imgempresas->setVisible(!persons_);
    if (barra->value() != n + 1)
        barra->setValue(static_cast<int>(n + 1));
    if (!bmodificar->isEnabled())
        siregistro();
}

std::array<QString, core::kSlotCount> TForm1::displayedTexts() const {
    std::array<QString, core::kSlotCount> texts;
    auto fields = displayFields();
    for (int i = 0; i < core::kSlotCount; ++i)
        texts[i] = fields[i]->text();
    return texts;
}

void TForm1::limpiaredits() {
    for (QLineEdit* field : displayFields())
        field->clear();
}

void TForm1::vertodos() {
    resultado->setText("Mueva barra desplazamiento");
}

void TForm1::noregistro() {
    bmodificar->setEnabled(false);
    beliminar->setEnabled(false);
    for (QAction* a : {mModificar, mEliminar, mImprimir, mregistroennuevo, maderir, mguardarvcard,
                       mmarcar, menviarcorreo, pmimprimir, pmCopiartodosloscampos1})
        a->setEnabled(false);
    resultado->clear();
}

void TForm1::siregistro() {
    found->hide();
    nofound->hide();
    for (QPushButton* b : {bnuevo, bmodificar, beliminar, bimprimir})
        b->setEnabled(true);
    for (QAction* a : {mModificar, mEliminar, mImprimir, mregistroennuevo, maderir, mguardarvcard,
                       mmarcar, menviarcorreo, pmCopiartodosloscampos1})
        a->setEnabled(true);
    resultado->clear();
}

void TForm1::browse(int position) {
    if (barra->isEnabled())
        barra->setValue(std::clamp(position, barra->minimum(), barra->maximum()));
}
