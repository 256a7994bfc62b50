// The start-up problem window: what to do when a working file cannot be used.
#pragma once

#include "platform/services.h"

#include <QDialog>

class QPlainTextEdit;
class QPushButton;

class TForm5 : public QDialog {
    Q_OBJECT
  public:
    TForm5(platform::Services services, QWidget* mainWindow);

    static QString text();

    QPlainTextEdit* Memo1;
    QPushButton* Aceptar;
    QPushButton* Masinformacion;

    void AceptarClick();
    void MasinformacionClick();
    void setVisible(bool visible) override;

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    platform::Services services_;
    QWidget* main_;
};
