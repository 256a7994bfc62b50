// Every caption of the windows can be read whole, at the standard font and at a larger one
// (CTest runs this file's tests once more with QT_FONT_DPI=144).
#include "comm/acercade.h"
#include "comm/dialer.h"
#include "fileops/bprogreso.h"
#include "mainwindow/preferen.h"
#include "mainwindow/unit5.h"
#include "output/imprime.h"
#include "platform/application.h"
#include "records/ingreso.h"
#include "support/mainwindow_fixture.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>

using namespace testsupport;

namespace {

// The texts of `window` that do not fit their boxes, as "name: text".
QStringList cutTexts(QWidget& window) {
    QStringList cut;
    for (auto* label : window.findChildren<QLabel*>()) {
        const QString text = label->text();
        if (text.isEmpty() || label->wordWrap() || label->textFormat() == Qt::RichText ||
            label->parent()->inherits("QStatusBar") || label->objectName().isEmpty())
            continue;
        QFontMetrics fm(label->font());
        QRect need = fm.boundingRect(QRect(0, 0, 100000, 100000), label->alignment(), text);
        QRect room = label->contentsRect();
        if (need.width() > room.width() + 1 || fm.height() > room.height() + 1)
            cut << label->objectName() + ": " + text;
    }
    for (auto* button : window.findChildren<QAbstractButton*>()) {
        QString text = button->text();
        text.remove('&');
        if (text.isEmpty() || button->objectName().isEmpty() ||
            button->objectName().startsWith("qt_"))
            continue;
        QFontMetrics fm(button->font());
        int need = fm.horizontalAdvance(text);
        if (qobject_cast<QCheckBox*>(button) || qobject_cast<QRadioButton*>(button))
            need += button->style()->pixelMetric(QStyle::PM_IndicatorWidth) +
                    button->style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing);
        else
            need += 4;
        if (need > button->width() || fm.height() > button->height())
            cut << button->objectName() + ": " + text;
    }
    return cut;
}

class FontsTest : public MainWindowTest {
  protected:
    QFont before = QApplication::font();
    void SetUp() override { platform::applyProgramFont(*qApp); }
    void TearDown() override { QApplication::setFont(before); }
};

} // namespace

TEST_F(FontsTest, EveryCaptionOfEveryWindowIsReadWhole) {
    ordinaryStart({});
    TForm1& w = start();
    EXPECT_EQ(cutTexts(w), QStringList()) << "persons view";
    w.SpeedButton6Click();
    EXPECT_EQ(cutTexts(w), QStringList()) << "companies view";
    TForm4 entry(&w);
    EXPECT_EQ(cutTexts(entry), QStringList()) << "entry dialog";
    TForm7 dialer(fakes.services(), &w, programDir());
    EXPECT_EQ(cutTexts(dialer), QStringList()) << "dialer";
    TForm8 about(&w);
    EXPECT_EQ(cutTexts(about), QStringList()) << "about";
    TForm6 progress(&w);
    EXPECT_EQ(cutTexts(progress), QStringList()) << "progress";
    TForm5 problem(fakes.services(), &w);
    EXPECT_EQ(cutTexts(problem), QStringList()) << "problem";
    TForm3 sheet(fakes.services(), programDir(), &w);
    EXPECT_EQ(cutTexts(sheet), QStringList()) << "print sheet";
    for (int page = 0; page < 4; ++page) {
        TForm2 preferences(&w, page);
        EXPECT_EQ(cutTexts(preferences), QStringList()) << "preferences " << page;
    }
}
