// The record entry dialog: new person, new company, modify person, modify company.
#pragma once

#include "core/record.h"
#include "platform/services.h"

#include <QDialog>
#include <array>

class QLabel;
class QPushButton;
class QStatusBar;
class TForm1;

namespace platform {
class CpLineEdit;
}

class TForm4 : public QDialog {
    Q_OBJECT
  public:
    // Reads its mode from the main window (getdopersona, getisinput).
    explicit TForm4(TForm1* mainWindow);

    // The opening steps, run once by the command before the dialog is shown: restoring a
    // minimised dialog shows it again without repeating them, and a settings write that
    // fails ends the command before anything appears.
    void FormShow();
    void showpersonas();
    void showempresas();
    void Edit3Change();
    void botonimClick();
    void BitBtn3Click();
    void BitBtn1Click();

    // Row n holds slot n of the record.
    std::array<platform::CpLineEdit*, core::kSlotCount> fields() const;
    std::array<QLabel*, core::kSlotCount> labels() const;
    QString statusText() const;

    platform::CpLineEdit *Edit3, *Edit4, *Edit5, *Edit6, *Edit7, *Edit8, *Edit9, *Edit10, *Edit11;
    QLabel *Label1, *Label2, *Label3, *Label4, *Label5, *Label6, *Label7, *Label8, *Label9;
    QLabel *titulo, *Label10, *imgpersona, *imgempresa;
    QPushButton *botonim, *BitBtn2, *BitBtn3, *BitBtn1; // OK, Cerrar, Limpiar, Ayuda
    QStatusBar* StatusBar1;

  protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    void setStatus(const QString& text);
    void showKind(bool person);
    core::Record recordFromFields() const;
    void keepAfterFailedWrite();

    TForm1* main_;
    platform::Services services_;
    bool person_;
    bool isNew_;
    int savedWidth_ = 0;
    QPixmap background_;
};
