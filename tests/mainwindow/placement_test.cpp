// Windows are in their place when they appear: the main window where the settings put it, the
// secondary windows centred over it. A window moved only after it appears is placed by its
// inside rather than its frame, and its stored position creeps at every start.
#include "mainwindow/unit5.h"
#include "records/ingreso.h"
#include "support/mainwindow_fixture.h"

#include <QApplication>
#include <map>

using namespace testsupport;

namespace {

// Where each window stood when it was first shown.
class ShowSpy : public QObject {
  public:
    std::map<QString, QPoint> at;
    ShowSpy() { qApp->installEventFilter(this); }
    ~ShowSpy() override { qApp->removeEventFilter(this); }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show && watched->isWidgetType()) {
            auto* w = static_cast<QWidget*>(watched);
            if (w->isWindow())
                at.emplace(w->objectName(), w->pos());
        }
        return false;
    }
};

QPoint centredOver(const QWidget& main, const QWidget& own) {
    return {main.x() + (main.width() - own.width()) / 2,
            main.y() + (main.height() - own.height()) / 2};
}

} // namespace

TEST_F(MainWindowTest, WindowsArePlacedBeforeTheyAppear) {
    ordinaryStart(personsNamed({"ANA"}), companiesNamed({"ACME"}));
    writeIni("[ventana]\r\nleft=100\r\ntop=100\r\nfastcall=1\r\n");
    ShowSpy spy;
    start();
    EXPECT_EQ(spy.at["Form1"], QPoint(100, 100));

    QPoint centred;
    fakes.modal.drive = [&](QDialog* d) { centred = centredOver(*window, *d); };
    window->bmodificarClick();
    EXPECT_EQ(spy.at["Form4"], centred);

    notFirstRun();
    makeReadOnly(companiesFile());
    start();
    ASSERT_NE(window->problemWindow(), nullptr);
    EXPECT_EQ(spy.at["Form5"], centredOver(*window, *window->problemWindow()));
}
