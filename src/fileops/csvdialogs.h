// The two questions of the CSV commands: which columns an export writes, and, for a table whose
// header the import does not know, which field each of its columns fills.
#pragma once

#include "core/csvmap.h"

#include <QDialog>
#include <QString>
#include <vector>

class QComboBox;
class QLabel;
class QPushButton;
class QRadioButton;

// "Exportar a CSV": the program's own columns or those the web-mail pages import.
class FormatoCSV : public QDialog {
    Q_OBJECT
  public:
    explicit FormatoCSV(QWidget* owner);
    core::CsvLayout layout() const;

    QRadioButton* propias;
    QRadioButton* correoweb;
    QPushButton* Aceptar;
    QPushButton* Cancelar;
};

// One row for each column of the table: its name, its value in the first row, and the field
// it goes into ("(no importar)" leaves it out). Aceptar is enabled once a column has a field.
class ColumnasCSV : public QDialog {
    Q_OBJECT
  public:
    ColumnasCSV(QWidget* owner, bool persons, const std::vector<std::string>& header,
                const std::vector<std::string>& firstRow, const std::vector<int>& suggested);
    // Each column's slot, -1 for those left out.
    std::vector<int> chosenSlots() const;

    std::vector<QComboBox*> campos; // "campo1" ... in column order
    QPushButton* Aceptar;
    QPushButton* Cancelar;

  private:
    void update();
};
