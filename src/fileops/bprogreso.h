// The progress window of the long file operations (the import of a version-1 file and the copy
// of a data file): what is being done, a gauge of the records done, and a plea to wait.
#pragma once

#include <QDialog>
#include <cstdint>

class QLabel;
class QProgressBar;

class TForm6 : public QDialog {
    Q_OBJECT
  public:
    // Visible from its creation, centred over the main window.
    explicit TForm6(QWidget* mainWindow);

    QLabel* accion;
    QProgressBar* bprogreso;
    QLabel* Label1;

    // The records to process. With none the gauge shows 100 % at once.
    void setMaximum(std::int64_t records);
    // The records done; the window repaints itself whenever the percentage shown changes,
    // since the operation keeps the event loop from doing it.
    void setPosition(std::int64_t done);

    void setVisible(bool visible) override;

  private:
    QWidget* main_;
    int shownPercent_ = -1;
    bool empty_ = false;
};
