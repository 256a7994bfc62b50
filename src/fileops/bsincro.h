// The progress window of a sync: what is being done, a gauge, and "Cancelar", which stops the
// sync at its next request to the server. It is application-modal, so no other command can
// change a data file while the sync waits for the server.
#pragma once

#include <QDialog>
#include <cstdint>

class QLabel;
class QProgressBar;
class QPushButton;

class TForm10 : public QDialog {
    Q_OBJECT
  public:
    // Visible from its creation, centred over the main window.
    explicit TForm10(QWidget* mainWindow);

    QLabel* accion;
    QProgressBar* bprogreso;
    QPushButton* bcancelar;

    // The step and how far it has come; a total of 0 runs the gauge as a busy indicator.
    void setStep(const QString& text, std::int64_t done, std::int64_t total);
    bool cancelled() const { return cancelled_; }
    void bcancelarClick();

  protected:
    void reject() override; // Escape cancels too
  private:
    bool cancelled_ = false;
};
