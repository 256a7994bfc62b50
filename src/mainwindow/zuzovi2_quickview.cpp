// The quick-view bar: eleven slot buttons that switch to a file and search for a stored text,
// their context menu, the notice under them and the showing and hiding of the bar.
#include "mainwindow/zuzovi2.h"

#include "core/barsteps.h"
#include "mainwindow/preferen.h"
#include "platform/cpedit.h"
#include "platform/text.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <functional>

using platform::Prompter;

namespace {

// Watches one widget's events without consuming them.
class EventHook : public QObject {
  public:
    EventHook(QObject* target, std::function<void(QEvent*)> onEvent)
        : QObject(target), onEvent_(std::move(onEvent)) {
        target->installEventFilter(this);
    }
    bool eventFilter(QObject*, QEvent* event) override {
        onEvent_(event);
        return false;
    }

  private:
    std::function<void(QEvent*)> onEvent_;
};

} // namespace

void TForm1::connectQuickView() {
    mvrap = new QMenu(this);
    mvrap->setObjectName("mvrap");
    Asignareventoalhacerclic1 = mvrap->addAction("Asignar o modificar &destino");
    Asignareventoalhacerclic1->setObjectName("Asignareventoalhacerclic1");
    connect(Asignareventoalhacerclic1, &QAction::triggered, this,
            &TForm1::Asignareventoalhacerclic1Click);

    for (int i = 0; i < 11; ++i) {
        const int slot = i + 1;
        vr[i]->setStyleSheet("QPushButton { border-image: url(:/img/vr_boton.jpg); }");
        vr[i]->setMouseTracking(true);
        connect(vr[i], &QPushButton::clicked, this, [this, slot] { vrClick(slot); });
        new EventHook(vr[i], [this](QEvent* e) {
            if (e->type() == QEvent::MouseMove)
                vr4MouseMove();
        });
        // The caption lies on its button and lets the pointer through: clicks, the context
        // menu and the movements that bring the notice back all reach the button.
        QLabel* caption = textvr[i];
        caption->setAttribute(Qt::WA_TransparentForMouseEvents, true);
        caption->setTextFormat(Qt::PlainText);
        QPalette white = caption->palette();
        white.setColor(QPalette::WindowText, Qt::white);
        caption->setPalette(white);
        QPushButton* button = vr[i];
        button->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(button, &QWidget::customContextMenuRequested, this,
                [this, button](const QPoint& at) { mvrap->popup(button->mapToGlobal(at)); });
    }

    // The notice shows from creation and goes half a second later.
    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(500);
    connect(Timer1, &QTimer::timeout, this, &TForm1::Timer1Timer);
    Timer1->start();

    connect(mostrarfastcall, &QPushButton::clicked, this, &TForm1::mostrarfastcallClick);
    connect(mvistarapida, &QAction::triggered, this, &TForm1::mostrarfastcallClick);
    connect(mOpciones, &QMenu::aboutToShow, this, &TForm1::Opciones1Click);
    connect(Configuracin1, &QAction::triggered, this, &TForm1::Configuracin1Click);
    connect(Abrir1, &QAction::triggered, this, &TForm1::Abrir1Click);
}

void TForm1::vistarapida(int i) {
    if (!mostrarfastcall->isEnabled()) {
        services_.prompter->messageBox("No hay archivos de trabajos", "Error (Cod. 106)",
                                       Prompter::Icon::None, Prompter::OK);
        return;
    }
    const QuickViewSlot& slot = slots_.at(static_cast<std::size_t>(i - 1));
    if (slot.seek.empty()) {
        if (services_.prompter->messageDialog(
                "No se a asignado lo que se buscará al hacer clic. ¿Desea asignarlo ahora?",
                Prompter::Icon::Confirmation, Prompter::Yes | Prompter::No) == Prompter::Yes)
            Asignareventoalhacerclic1Click();
        return;
    }
    const std::string seek = slot.seek; // the reload of a dialog may replace the slots
    tipovista(!slot.companies);
    // The boxes change without searching: a search started by emptying box 2 would set the
    // continuation, and the slot must end on one fresh search for its own text.
    fillingBoxes_ = true;
    cuadro1->setText(platform::toQ(seek));
    cuadro2->clear();
    fillingBoxes_ = false;
    siguiente_ = false;
    buscar();
}

void TForm1::mostrarfastcallClick() {
    const bool hiding = quickViewVisible_;
    mostrarfastcall->setText(hiding ? ">>" : "<<");
    for (int w : core::barWidthSteps(width(), hiding)) {
        setWindowWidth(w);
        repaint();
    }
    quickViewVisible_ = !hiding;
    const QString hint =
        hiding ? "Muestra la barra de Vista rápida" : "Oculta la barra de Vista rápida";
    mostrarfastcall->setToolTip(hint);
    mostrarfastcall->setStatusTip(hint);
    saveinifile();
}

void TForm1::Opciones1Click() {
    mvistarapida->setText(quickViewVisible_ ? "Ocultar &vista rápida" : "Mostrar &vista rápida");
}

void TForm1::vr4MouseMove() {
    tmoveup->show();
    if (!Timer1->isActive())
        Timer1->start();
}

void TForm1::Timer1Timer() {
    tmoveup->hide();
    Timer1->stop();
}

void TForm1::openPreferences(int page) {
    TForm2 dialog(this, page);
    services_.modal->exec(&dialog);
}

void TForm1::Configuracin1Click() {
    openPreferences(TForm2::kPageArchivos);
}

void TForm1::Abrir1Click() {
    openPreferences(TForm2::kPageArchivos);
}

void TForm1::Asignareventoalhacerclic1Click() {
    openPreferences(TForm2::kPageVistaRapida);
}
