// Windows are in their place when they appear: the main window where the settings put it, the
// secondary windows centred over it. A window moved only after it appears is placed by its
// inside rather than its frame, and its stored position creeps at every start.
#include "mainwindow/unit5.h"
#include "records/ingreso.h"
#include "support/mainwindow_fixture.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <climits>
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

// A stored position wholly on the screen is kept to the pixel, at the width the window appears
// with; one beyond an edge, or on a screen that is gone, brings the whole window back.
TEST_F(MainWindowTest, StoredPositionOffTheScreenComesBackOntoIt) {
    ordinaryStart(personsNamed({"ANA"}));
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    const int right = area.right() + 1, bottom = area.bottom() + 1;
    // The border the platform puts around the window, learnt from a first start.
    const TForm1& probe = start();
    const QSize border = probe.frameGeometry().size() - probe.size();
    notFirstRun();
    constexpr int kFar = INT_MIN; // the frame's far edge on the screen's edge
    struct Case {
        int left, top;
        bool bar;
        QPoint expected;
    };
    const Case cases[] = {
        // the narrowed window fits where the full one would not: it stays where it was left
        {right - 408 - border.width(),
         area.top() + 10,
         false,
         {right - 408 - border.width(), area.top() + 10}},
        {area.left(), bottom - 400, true, {area.left(), bottom - 400}},
        {right - 546, area.top(), true, {kFar, area.top()}},
        {-30000, 100, true, {area.left(), 100}},
        {right - 100, bottom - 10, false, {kFar, kFar}},
        {-30000, -30000, false, {area.left(), area.top()}},
        {30000, 30000, true, {kFar, kFar}},
    };
    for (const Case& c : cases) {
        writeIni("[ventana]\r\nleft=" + std::to_string(c.left) + "\r\ntop=" +
                 std::to_string(c.top) + "\r\nfastcall=" + (c.bar ? "1" : "0") + "\r\n");
        ShowSpy spy;
        TForm1& w = start();
        SCOPED_TRACE(testing::Message() << "stored " << c.left << "," << c.top);
        ASSERT_EQ(w.width(), c.bar ? 546 : 408);
        const QSize frame = w.frameGeometry().size();
        const QPoint expected(c.expected.x() == kFar ? right - frame.width() : c.expected.x(),
                              c.expected.y() == kFar ? bottom - frame.height() : c.expected.y());
        EXPECT_EQ(w.pos(), expected);
        EXPECT_TRUE(area.contains(w.frameGeometry()));
        if (expected == QPoint(c.left, c.top)) {
            EXPECT_EQ(spy.at["Form1"], expected); // where it appeared, never moved
        }
        notFirstRun();
    }
}

// Without a stored position the window appears centred on the screen at its own width.
TEST_F(MainWindowTest, FirstPlacementCentresTheWindowAsItAppears) {
    ordinaryStart(personsNamed({"ANA"}));
    const QSize screen = QGuiApplication::primaryScreen()->size();
    for (bool bar : {true, false}) {
        writeIni(bar ? "[ventana]\r\nfastcall=1\r\n" : "[ventana]\r\nfastcall=0\r\n");
        ShowSpy spy;
        TForm1& w = start();
        EXPECT_EQ(spy.at["Form1"],
                  QPoint(screen.width() / 2 - w.width() / 2, screen.height() / 2 - w.height() / 2))
            << "fastcall=" << bar;
        notFirstRun();
    }
}
