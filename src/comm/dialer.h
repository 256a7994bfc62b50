// The dialer: the record's numbers, each with a prefix box, handed to the desktop's call
// manager one request per button press.
#pragma once

#include "platform/services.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class QStatusBar;

class TForm7 : public QDialog {
    Q_OBJECT
  public:
    TForm7(platform::Services services, QWidget* mainWindow, const QString& programDir);

    void boton1Click() { dial(1); }
    void boton2Click() { dial(2); }
    void boton3Click() { dial(3); }
    void SpeedButton5Click();
    void SpeedButton6Click();

    QLabel* accion;
    QLineEdit* nombre;
    QPushButton *boton1, *boton2, *boton3;
    QLineEdit *c1, *c2, *c3, *c4, *c5, *c6;
    QPushButton *SpeedButton5, *SpeedButton6;
    QStatusBar* StatusBar1;

    static const QString kWindowHint;
    static const QString kReminder;

  protected:
    void setVisible(bool visible) override;
    bool event(QEvent* event) override;

  private:
    // Row n: prefix + number as typed, nothing added or removed.
    void dial(int row);

    platform::Services services_;
    QWidget* main_;
    QString programDir_;
};
