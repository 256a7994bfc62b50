// The about window: the program's version, the maker's links and the people thanked.
#pragma once

#include <QDialog>

class QLabel;
class QListWidget;
class QPushButton;
class QTabWidget;
class TForm1;

class TForm8 : public QDialog {
    Q_OBJECT
  public:
    explicit TForm8(TForm1* mainWindow);

    void FormShow();
    void Label4Click();
    void Label3Click();
    void JLAqua1Click();

    // The system's name for the about window: the Windows version, or elsewhere the
    // system's own product name.
    static QString systemName();

    QTabWidget* Notebook1;
    QLabel *Image1, *Label1, *Label2, *Label5, *Label6, *Label4, *Label3, *labelos;
    QLabel *Label7, *Label8;
    QListWidget* ListBox1;
    QPushButton* JLAqua1;

  protected:
    void setVisible(bool visible) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    TForm1* main_;
};
