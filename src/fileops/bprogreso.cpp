#include "fileops/bprogreso.h"

#include "platform/qtservices.h"
#include "platform/widgets.h"

#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <algorithm>
#include <climits>

TForm6::TForm6(QWidget* mainWindow)
    : QDialog(mainWindow, Qt::Tool | Qt::WindowTitleHint | Qt::CustomizeWindowHint),
      main_(mainWindow) {
    setObjectName("Form6");
    setWindowTitle(platform::kProgramTitle);
    setFixedSize(328, 78);

    QPalette blue = palette();
    blue.setColor(QPalette::WindowText, Qt::blue);
    accion = platform::placedLabel(this, "accion", "Importando archivo ..", {8, 4, 313, 16});
    accion->setPalette(blue);
    bprogreso = new QProgressBar(this);
    bprogreso->setObjectName("bprogreso");
    bprogreso->setGeometry(8, 22, 313, 33);
    bprogreso->setAlignment(Qt::AlignCenter);
    bprogreso->setStyleSheet(
        "QProgressBar { background: #FFFBF0; border: 1px solid #808080; font-weight: bold; }"
        "QProgressBar::chunk { background: #A6CAF0; }");
    bprogreso->setRange(0, 0);
    Label1 = platform::placedLabel(this, "Label1", "Espera mientras se actualiza el archivo ...",
                                   {8, 58, 313, 16});
    Label1->setPalette(blue);
    show();
}

void TForm6::setMaximum(std::int64_t records) {
    // A gauge of no records would otherwise run as a busy indicator.
    const int maximum = static_cast<int>(std::clamp<std::int64_t>(records, 0, INT_MAX));
    empty_ = false;
    bprogreso->setRange(0, std::max(maximum, 1));
    shownPercent_ = -1;
    setPosition(maximum == 0 ? 1 : 0);
    empty_ = maximum == 0;
}

void TForm6::setPosition(std::int64_t done) {
    if (empty_)
        return;
    const int maximum = bprogreso->maximum();
    const int value = static_cast<int>(std::clamp<std::int64_t>(done, 0, maximum));
    bprogreso->setValue(value);
    const int percent = static_cast<int>(std::int64_t{value} * 100 / maximum);
    if (percent == shownPercent_)
        return;
    shownPercent_ = percent;
    repaint();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TForm6::setVisible(bool visible) {
    // Centred over the main window before it appears, while a move still places the frame;
    // the halving truncates toward zero.
    if (visible && !isVisible())
        platform::centreOver(this, main_);
    QDialog::setVisible(visible);
}
