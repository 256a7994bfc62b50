// Start-up and reload of the main window, its settings, and shut-down.
#include "mainwindow/zuzovi2.h"

#include "core/changelabel.h"
#include "core/datafile.h"
#include "core/fileio.h"
#include "core/inifile.h"
#include "core/ioerror.h"
#include "core/rewrite.h"
#include "mainwindow/unit5.h"
#include "platform/cpedit.h"
#include "platform/text.h"
#include "records/escritura.h"

#include <QAction>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMoveEvent>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>
#include <QToolButton>

#include <algorithm>
#include <cerrno>

using platform::fromQ;
using platform::Prompter;
using platform::toQ;

namespace {

const QString kStorePath = "Software\\tevosoft\\zuzovi2";
const std::string kDefaultWebMail = "http://tevosoft.example/correo/";

// Background, label and value colours of the web page by "colores".
const WebStyle kColourSchemes[] = {{{}, "#006699", "#000000", "#CCFF66"},
                                   {{}, "#ffffff", "#000000", "#000000"},
                                   {{}, "#0066CC", "#ffffff", "#CCFF66"}};

using platform::toPath;

// The settings hold Windows-1252; a default name keeps the characters the code page lacks.
// An empty name is no file at all: it counts as unset. A relative name lies in the program
// directory, wherever the program was started from.
QString readFileName(const core::IniFile& ini, const char* key, const QString& programDir,
                     const QString& fallback) {
    std::string bytes = fromQ(fallback);
    std::string stored = ini.readString("archivo", key, bytes);
    if (stored.empty() || stored == bytes)
        return fallback;
    const QString name = toQ(stored);
    return QDir::isRelativePath(name) ? programDir + name : name;
}

} // namespace

void TForm1::FormCreate() {
    auto* store = services_.instance;
    // This instance holds the lock for its whole life; a set flag whose lock was free was left
    // by an instance that ended without closing, and is no reason to ask.
    bool ownerGone = store->claimInstance();
    if (!store->keyExists())
        return; // first run: FormShow creates the key
    bool wasRunning = store->hasValue("isruning") && store->readValue("isruning") != 0;
    store->writeValue("isruning", 1);
    if (!wasRunning || ownerGone)
        return;
    int answer = services_.prompter->messageDialog(
        "(Cod. 01) Posiblemente ya tiene abierto Tevo Riviva 2,  si esto es así,  deberá "
        "cerrar este y continuar usando el que ya esta abierto. ¿Desea cerrar este?",
        Prompter::Icon::Warning, Prompter::Yes | Prompter::No);
    // This instance then ends as soon as its start-up is over, without writing the flag or
    // the settings.
    terminate_ = answer == Prompter::Yes;
}

void TForm1::FormShow() {
    // Step 1: the program directory is fixed at construction (--dir or the program's folder).
    siguiente_ = false;
    auto settingsFile = toPath(settingsPath());
    if (core::fileio::isReadOnly(settingsFile)) {
        core::fileio::removeQuietly(settingsFile);
        services_.prompter->showMessage(
            "Archivo de inicio borrado. Se re-iniciarán algunos valores. (Código 200)");
    }
    // A symbolic link there is fine: the first write puts a file of ours in its place.
    const bool blocked = !core::fileio::canHoldFile(settingsFile);
    if (blocked && !settingsBlocked_)
        services_.prompter->showMessage(
            "No se puede utilizar el archivo de inicio " + settingsPath() +
            " porque en su lugar hay una carpeta u otro elemento que no es un archivo. El "
            "programa usará los valores iniciales y no guardará la configuración de la ventana "
            "mientras no se quite.");
    settingsBlocked_ = blocked;
    core::IniFile ini(settingsFile);
    ini.hold(); // every setting below from one read of the file

    bool firstRun;
    auto* store = services_.instance;
    if (!store->keyExists()) {
        store->createKey();
        store->writeValue("ifttyuag", 0);
        store->writeValue("isruning", 1);
        firstRun = true;
    } else {
        firstRun = !store->hasValue("ifttyuag") || store->readValue("ifttyuag") != 0;
        store->writeValue("ifttyuag", 0);
    }
    if (firstRun)
        services_.prompter->messageBox(
            "Debe crear los archivos que serán usados para guardar los registros que se crearán, "
            "responda \"YES\" a las siguientes preguntas para crear nuevos archivos.",
            "PRIMERA VEZ QUE EJECUTA Tevo Riviva 2  >>", Prompter::Icon::None, Prompter::OK);

    readSettings(ini);

    if (quickViewVisible_) {
        mostrarfastcall->setText("<<");
        mostrarfastcall->setToolTip("Oculta la barra de Vista rápida");
    } else {
        mostrarfastcall->setText(">>");
        mostrarfastcall->setToolTip("Muestra la barra de Vista rápida");
        narrowForHiddenBar();
    }
    mostrarfastcall->setStatusTip(mostrarfastcall->toolTip());

    personsUnusable_ = companiesUnusable_ = false;
    checkDataFile(rutap_, true, personsUnusable_);
    checkDataFile(rutae_, false, companiesUnusable_);
    if (personsUnusable_ || companiesUnusable_) {
        enterNoWorkingFiles();
        return;
    }
    leaveNoWorkingFiles();
    tipovista(persons_);
    int lastview = ini.readInteger("ventana", "lastview", -1);
    if (lastview >= 0)
        barra->setValue(lastview >= barra->maximum() ? barra->maximum() : lastview + 1);
}

void TForm1::readSettings(core::IniFile& ini) {
    rutap_ = readFileName(ini, "persona", programDir_, programDir_ + "persona1.dat");
    rutae_ = readFileName(ini, "empresa", programDir_, programDir_ + "empresa1.dat");

    placeWindow(ini);

    quickViewVisible_ = ini.readBool("ventana", "fastcall", false);
    persons_ = ini.readBool("ventana", "ultimo", true);
    mautobuscar->setChecked(ini.readBool("config", "AutoSearch", true));

    mailMethod_ = toQ(ini.readString("config", "tipocorreo", "api"));
    webMailAddress_ = toQ(ini.readString("config", "urlcorreo", kDefaultWebMail));

    // A value outside a table leaves that part of the style as it was.
    int size = ini.readInteger("config", "tfuente", 3);
    if (size >= 2 && size <= 4)
        webStyle_.fontSize = QString::number(size);
    int colours = ini.readInteger("config", "colores", 0);
    if (colours >= 0 && colours <= 2) {
        const WebStyle& scheme = kColourSchemes[colours];
        webStyle_.background = scheme.background;
        webStyle_.labelColour = scheme.labelColour;
        webStyle_.valueColour = scheme.valueColour;
    }

    for (int i = 0; i < 11; ++i) {
        std::string section = "vr" + std::to_string(i + 1);
        slots_[i].caption = toQ(ini.readString(section, "name", "No asignado"));
        slots_[i].seek = ini.readString(section, "seek", "");
        slots_[i].companies = ini.readBool(section, "type", false);
        textvr[i]->setText(slots_[i].caption);
        // The caption is a label over the button: the button takes its text as its name.
        vr[i]->setAccessibleName(slots_[i].caption);
    }
}

void TForm1::placeWindow(const core::IniFile& ini) {
    QSize screen = this->screen() ? this->screen()->size() : QSize(1024, 768);
    QPoint at(ini.readInteger("ventana", "left", screen.width() / 2 - width() / 2),
              ini.readInteger("ventana", "top", screen.height() / 2 - height() / 2));
    QPoint visible = onScreen(at);
    // Before the desktop frames the window its frame's size is unknown: once it is known, the
    // window pulled in is checked again, so that its border does not stay beyond the edge.
    recheckOnScreen_ = visible != at && frameGeometry().size() == size();
    move(visible);
}

void TForm1::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    if (!recheckOnScreen_ || frameGeometry().size() == size())
        return;
    recheckOnScreen_ = false;
    QPoint visible = onScreen(pos());
    if (visible != pos())
        move(visible);
}

QPoint TForm1::onScreen(QPoint at) const {
    // The frame's size once the desktop has framed the window; before that, only the inside.
    QRect frame(at, frameGeometry().size().expandedTo(size()));
    const auto screens = QGuiApplication::screens();
    QScreen* nearest = nullptr;
    qint64 best = -1;
    for (QScreen* s : screens) {
        QRect area = s->availableGeometry();
        if (area.contains(frame))
            return at; // wholly visible: exactly where it was left
        QRect common = area.intersected(frame);
        qint64 overlap = common.isEmpty() ? 0 : qint64(common.width()) * common.height();
        if (overlap > best) {
            best = overlap;
            nearest = s;
        }
    }
    // A screen that is gone or a position beyond its edge: the window comes back onto the
    // screen it overlaps most (the primary one when it overlaps none), its top-left corner
    // first when it is larger than the screen.
    if (best <= 0)
        nearest = QGuiApplication::primaryScreen();
    if (!nearest)
        return at;
    QRect area = nearest->availableGeometry();
    int x = std::max(area.left(), std::min(at.x(), area.right() + 1 - frame.width()));
    int y = std::max(area.top(), std::min(at.y(), area.bottom() + 1 - frame.height()));
    return {x, y};
}

void TForm1::checkDataFile(const QString& file, bool persons, bool& unusable) {
    auto path = toPath(file);
    const auto unavailable = [&] {
        services_.prompter->messageBox("El archivo no esta disponible en este momento (Cod. 104)",
                                       persons
                                           ? "Error al cargar archivo de Personas"
                                           : "Error al cargar archivo de Organizaciones (Empresas)",
                                       Prompter::Icon::None, Prompter::OK);
        unusable = true;
    };
    const int reach = core::fileio::reachError(path);
    if (reach == 0) {
        if (core::fileio::isReadOnly(path)) {
            services_.prompter->messageBox(
                persons ? "El archivo para registro de personas es de solo lectura."
                        : "El archivo para registro de organizaciones (empresas) es de solo "
                          "lectura.",
                "No se puede utilizar el archivo", Prompter::Icon::None, Prompter::OK);
            unusable = true;
            return;
        }
        bool ofItsKind;
        try {
            ofItsKind = persons ? core::esdepersonas(path) : core::esdeempresas(path);
        } catch (const core::IoError&) {
            unavailable();
            return;
        }
        // Another program's file, or the other kind's, would be destroyed by the first change.
        if (!ofItsKind) {
            records::reportWrongKind(services_, persons);
            unusable = true;
            return;
        }
        core::removeLeftoverTemp(path);
        return;
    }
    // A loop of links or a name too long: nothing could be created there either.
    if (reach != ENOENT) {
        unavailable();
        return;
    }
    QString text = "No se encontró el archivo " + file +
                   (persons ? " de Personas." : " de Organizaciones (Empresas).") +
                   " Si el archivo existe en otra ubicación, selecciónelo en el cuadro "
                   "Preferencias, si no existe, puede crearlo ahora o en el cuadro de dialogo "
                   "Preferencias (Crtl+O). ¿Desea crear este archivo ahora?";
    if (services_.prompter->messageDialog(text, Prompter::Icon::Warning,
                                          Prompter::Yes | Prompter::No) == Prompter::Yes) {
        const core::ChangeLabel label("crear archivo");
        core::createEmptyDataFile(path);
    } else
        unusable = true;
}

void TForm1::enterNoWorkingFiles() {
    // A reload that finds the files still unusable shows the one problem window again.
    if (!form5_)
        form5_ = new TForm5(services_, this);
    form5_->show();
    enableWorkingFileCommands(false);
    noregistro();
    noWorkingFiles_ = true;
    resultado->setText("No hay archivos de trabajo");
    StatusBar1->setText("Seleccione un archivo o cree uno nuevo para trabajar");
}

void TForm1::leaveNoWorkingFiles() {
    // Once the files are mended the window works as after a start with them; the view opened
    // next settles the controls that depend on the records.
    if (!noWorkingFiles_)
        return;
    noWorkingFiles_ = false;
    if (form5_ && form5_->isVisible())
        form5_->close();
    enableWorkingFileCommands(true);
    resultado->clear();
    StatusBar1->setText(kInitialStatus);
}

void TForm1::enableWorkingFileCommands(bool enabled) {
    for (QWidget* w : std::initializer_list<QWidget*>{SpeedButton7, SpeedButton6, bnuevo, elboton,
                                                      barra, cuadro1, cuadro2, mostrarfastcall})
        w->setEnabled(enabled);
    for (QMenu* m : {mIngresar, mBuscar, mEdicion, mAcciones})
        m->menuAction()->setEnabled(enabled);
    for (QAction* a : {mvistarapida, SaveAs1, ImportarvCard1, ExportarvCard1, ImportarCSV1,
                       ExportarCSV1, Sincronizar1})
        a->setEnabled(enabled);
    actualizarDeshacer();
}

void TForm1::saveinifile() {
    if (settingsBlocked_)
        return; // the person was told at start-up
    core::IniFile ini(toPath(settingsPath()));
    ini.hold();
    ini.writeInteger("ventana", "left", x());
    ini.writeInteger("ventana", "top", y());
    ini.writeBool("ventana", "fastcall", quickViewVisible_);
    ini.writeBool("ventana", "ultimo", persons_);
    ini.writeInteger("ventana", "lastview", static_cast<int>(current_));
    ini.writeBool("config", "AutoSearch", mautobuscar->isChecked());
    ini.commit();
}

void TForm1::FormClose() {
    auto* store = services_.instance;
    if (!store->keyExists())
        store->createKey();
    store->writeValue("isruning", 0);
    saveinifile();
}

void TForm1::refreshAfterChange(int savedWidth) {
    FormShow();
    setWindowWidth(savedWidth);
}
