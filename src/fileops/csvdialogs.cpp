#include "fileops/csvdialogs.h"

#include "records/labels.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace {

QPushButton* button(QWidget* owner, const char* name, const QString& text) {
    auto* b = new QPushButton(text, owner);
    b->setObjectName(name);
    return b;
}

// Aceptar and Cancelar at the right of the window's last row.
QHBoxLayout* buttonRow(QDialog* dialog, QPushButton*& ok, QPushButton*& cancel) {
    ok = button(dialog, "Aceptar", "Aceptar");
    cancel = button(dialog, "Cancelar", "Cancelar");
    ok->setDefault(true);
    QObject::connect(ok, &QPushButton::clicked, dialog, &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(ok);
    row->addWidget(cancel);
    return row;
}

QLabel* plainLabel(const QString& text, QWidget* owner) {
    auto* label = new QLabel(text, owner);
    label->setTextFormat(Qt::PlainText); // column names come from the file
    return label;
}

} // namespace

FormatoCSV::FormatoCSV(QWidget* owner) : QDialog(owner) {
    setObjectName("FormatoCSV");
    setWindowTitle("Exportar a CSV");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("¿Qué columnas desea en el archivo CSV?", this));
    propias = new QRadioButton("Los campos de Tevo Riviva (para hojas de cálculo y para volver a "
                               "importarlos)",
                               this);
    propias->setObjectName("propias");
    correoweb = new QRadioButton("Las columnas que importa el correo web (nombre completo, "
                                 "teléfonos, correos, dirección)",
                                 this);
    correoweb->setObjectName("correoweb");
    propias->setChecked(true);
    layout->addWidget(propias);
    layout->addWidget(correoweb);
    layout->addLayout(buttonRow(this, Aceptar, Cancelar));
}

core::CsvLayout FormatoCSV::layout() const {
    return correoweb->isChecked() ? core::CsvLayout::WebMail : core::CsvLayout::Own;
}

ColumnasCSV::ColumnasCSV(QWidget* owner, bool persons, const std::vector<std::string>& header,
                         const std::vector<std::string>& firstRow,
                         const std::vector<int>& suggested)
    : QDialog(owner) {
    setObjectName("ColumnasCSV");
    setWindowTitle("Importar contactos (CSV): columnas");
    auto* layout = new QVBoxLayout(this);
    auto* intro = new QLabel("Los encabezados de este archivo no son de Tevo Riviva ni de un "
                             "programa conocido. Indique en qué campo del archivo de " +
                                 QString(persons ? "Personas" : "Organizaciones (Empresas)") +
                                 " se guarda cada columna:",
                             this);
    intro->setWordWrap(true);
    layout->addWidget(intro);

    auto* area = new QScrollArea(this);
    area->setWidgetResizable(true);
    auto* grid = new QWidget(area);
    auto* rows = new QGridLayout(grid);
    rows->addWidget(new QLabel("<b>Columna</b>", grid), 0, 0);
    rows->addWidget(new QLabel("<b>Primera fila</b>", grid), 0, 1);
    rows->addWidget(new QLabel("<b>Campo</b>", grid), 0, 2);
    const char* const* labels = persons ? records::kPersonLabels : records::kCompanyLabels;
    for (std::size_t i = 0; i < header.size(); ++i) {
        const int row = static_cast<int>(i) + 1;
        const QString name = QString::fromStdString(header[i]);
        rows->addWidget(plainLabel(name.isEmpty() ? QString("(columna %1)").arg(row) : name, grid),
                        row, 0);
        QString sample = i < firstRow.size() ? QString::fromStdString(firstRow[i]) : QString();
        sample.replace('\r', ' ').replace('\n', ' ');
        rows->addWidget(plainLabel(sample.left(40), grid), row, 1);
        auto* field = new QComboBox(grid);
        field->setObjectName(QString("campo%1").arg(row));
        field->addItem("(no importar)", -1);
        for (int slot = 0; slot < core::kSlotCount; ++slot)
            field->addItem(QString(labels[slot]).remove(':'), slot);
        const int guess = i < suggested.size() ? suggested[i] : -1;
        field->setCurrentIndex(guess + 1);
        field->setAccessibleName(name);
        connect(field, &QComboBox::currentIndexChanged, this, &ColumnasCSV::update);
        rows->addWidget(field, row, 2);
        campos.push_back(field);
    }
    rows->setRowStretch(static_cast<int>(header.size()) + 1, 1);
    area->setWidget(grid);
    layout->addWidget(area);
    layout->addLayout(buttonRow(this, Aceptar, Cancelar));
    resize(620, 420);
    update();
}

std::vector<int> ColumnasCSV::chosenSlots() const {
    std::vector<int> out;
    for (const QComboBox* field : campos)
        out.push_back(field->currentData().toInt());
    return out;
}

void ColumnasCSV::update() {
    const std::vector<int> chosen = chosenSlots();
    Aceptar->setEnabled(std::any_of(chosen.begin(), chosen.end(), [](int s) { return s >= 0; }));
}
