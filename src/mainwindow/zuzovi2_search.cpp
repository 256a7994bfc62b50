// Search while typing and on demand: the two search boxes, "Buscar"/"Siguiente" and the
// result line.
#include "mainwindow/zuzovi2.h"

#include "core/fileio.h"
#include "core/ioerror.h"
#include "core/search.h"
#include "platform/cpedit.h"
#include "platform/text.h"

#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>

#include <QTimer>

#include <chrono>
#include <climits>

using platform::Prompter;

namespace {

const QString kHintAnother = "Presione este botón para buscar otro registro coincidente";
const QString kHintSearch = "Presione este botón para buscar registro en el archivo.";

void setHint(QWidget* w, const QString& hint) {
    w->setToolTip(hint);
    w->setStatusTip(hint);
}

} // namespace

void TForm1::connectSearch() {
    for (platform::CpLineEdit* box : {cuadro1, cuadro2}) {
        setHint(box, "Ingrese dato solicitado");
        connect(box, &QLineEdit::textChanged, this, &TForm1::Escribe);
        connect(box, &QLineEdit::returnPressed, this, [this] { cuadro1KeyDown(13); });
    }
    connect(elboton, &QPushButton::clicked, this, &TForm1::elbotonClick);
    readingAhead_ = new QTimer(this);
    readingAhead_->setObjectName("readingAhead");
    readingAhead_->setInterval(0); // whenever nothing else waits
    connect(readingAhead_, &QTimer::timeout, this, &TForm1::readAhead);
    // The menu item's check mark flips by itself when chosen; that is the whole command.
}

void TForm1::mautobuscarClick() {
    mautobuscar->toggle();
}

void TForm1::elbotonClick() {
    if (cuadro1->text().isEmpty() && cuadro2->text().isEmpty())
        vertodos();
    else
        buscar();
}

void TForm1::cuadro1KeyDown(int key) {
    if (key == 13)
        elbotonClick();
}

void TForm1::Escribe() {
    if (personsUnusable_ || companiesUnusable_) {
        found->hide();
        nofound->show();
        elboton->setEnabled(false);
        // The no-records state empties the result line, so the reason goes in afterwards.
        noregistro();
        resultado->setText("Error: falta(n) archivo(s).");
        return;
    }
    siguiente_ = false;
    if (cuadro1->text().isEmpty() && cuadro2->text().isEmpty()) {
        elboton->setEnabled(false);
        vertodos();
        return;
    }
    elboton->setEnabled(true);
    if (mautobuscar->isChecked() && !fillingBoxes_)
        buscar();
}

void TForm1::buscar() {
    const bool fresh = !siguiente_;
    const bool persons = persons_;
    core::fileio::File file;
    try {
        file = core::fileio::openReadWrite(platform::toPath(currentFile()));
    } catch (const core::IoError&) {
        if (!persons || !fresh)
            throw;
        services_.prompter->messageDialog(
            "No se puede acceder al archivo. Reinicie el programa. (CodErr: 110)",
            Prompter::Icon::Warning, Prompter::OK);
        return;
    }
    std::int64_t count = 0;
    const std::string box1 = platform::fromQ(cuadro1->text()),
                      box2 = platform::fromQ(cuadro2->text());
    // A fresh search, most often one more character typed, starts from what the earlier ones
    // learned about this file.
    const std::int64_t match =
        fresh ? typed_.findFirst(file, persons, box1, box2, siguiente_, &count)
              : core::findRecord(file, current_ + 1, persons, box1, box2, siguiente_, &count);
    file.close();
    if (fresh && match >= 0)
        readingAhead_->start();
    else if (fresh)
        readingAhead_->stop();

    if (match >= 0) {
        // The range another command left may be stale: the match must not be clamped away.
        barra->setMaximum(static_cast<int>(std::min<std::int64_t>(count, INT_MAX)));
        barra->setValue(static_cast<int>(match + 1));
        resultado->setText(persons ? "Persona encontrada." : "Se encontró empresa.");
        found->show();
        nofound->hide();
        elboton->setText("Siguiente");
        if (fresh)
            setHint(elboton, kHintAnother);
        else if (persons)
            setHint(elboton, kHintAnother + ".");
        siguiente_ = true;
        return;
    }
    if (persons)
        resultado->setText(fresh ? "No se encontró." : "No encontrado");
    else
        resultado->setText("No se encontró empresa.");
    found->hide();
    nofound->show();
    elboton->setText("Buscar");
    setHint(elboton, kHintSearch);
    if (!fresh)
        services_.prompter->messageBox("No se encontró otro registro coincidente", "Fin de archivo",
                                       Prompter::Icon::None, Prompter::OK);
    siguiente_ = false;
}

void TForm1::readAhead() {
    // A few milliseconds at a time, so that a key typed meanwhile waits no longer than that: the
    // search reads on past its match and lists the records that match, which are all the next
    // key (most often one character more) can match.
    constexpr auto kSlice = std::chrono::milliseconds(4);
    constexpr std::int64_t kBlock = 641; // a megabyte of records
    try {
        // Opened anew for each slice: a file a change put in its place since is the one whose
        // identity the memory must see, not the one it replaced.
        core::fileio::File file = core::fileio::openReadWrite(platform::toPath(currentFile()));
        const auto until = std::chrono::steady_clock::now() + kSlice;
        bool more = true;
        while (more && std::chrono::steady_clock::now() < until)
            more = typed_.lookAhead(file, kBlock);
        file.close();
        if (!more)
            readingAhead_->stop();
    } catch (const core::IoError&) {
        // Nothing is lost: the next search reads the file itself and reports what it meets.
        readingAhead_->stop();
    }
}
