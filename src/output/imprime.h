// The print sheet TForm3: an editable sheet that gathers records of both views, with its
// options, its font and the printing of the whole sheet.
#pragma once

#include "core/recordtext.h"
#include "platform/services.h"

#include <QWidget>

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

class TForm3 : public QWidget {
    Q_OBJECT
  public:
    // A separate window owned by `owner`; closing it destroys it.
    TForm3(platform::Services services, const QString& programDir, QWidget* owner);

    // Appends the lines of a record as the options ask.
    void addRecord(const core::ShownTexts& shown, const std::string& number, bool persons);
    // The sheet's lines as it shows them: a wrapped line counts as the lines shown.
    QStringList shownLines() const;

    void FormCreate();
    void SpeedButton1Click();
    void SpeedButton2Click();
    void SpeedButton3Click();
    void SpeedButton4Click();
    void SpeedButton5Click();

    QPlainTextEdit* Memo1;
    QLabel* Label1;
    QCheckBox *inreg, *itreg, *espb;
    QPushButton *SpeedButton2, *SpeedButton1, *SpeedButton3, *SpeedButton4, *SpeedButton5;

  protected:
    // Escape closes the sheet, as it closes the program's dialogs.
    void keyPressEvent(QKeyEvent* event) override;

  private:
    platform::Services services_;
    QString programDir_;
};
