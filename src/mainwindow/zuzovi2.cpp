// The main window's construction: its controls, menus and the wiring of its commands.
#include "mainwindow/zuzovi2.h"

#include "core/inifile.h"
#include "core/leftovers.h"
#include "mainwindow/unit5.h"
#include "platform/cpedit.h"
#include "platform/menukeys.h"
#include "platform/qtservices.h"
#include "platform/text.h"
#include "platform/widgets.h"
#include "records/labels.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QToolButton>

namespace {

constexpr int kDesignWidth = 546;
constexpr int kAreaHeight = 312;
constexpr QColor kSkyBlue{0xA6, 0xCA, 0xF0};

// The central area, with the stretched background picture.
class Background : public QWidget {
  public:
    explicit Background(QWidget* parent) : QWidget(parent), picture_(":/img/fondo.jpg") {}

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.drawPixmap(rect(), picture_);
    }

  private:
    QPixmap picture_;
};

// A flat picture button that switches the view.
QToolButton* viewButton(QWidget* parent, const QString& name, const QString& icon, int left,
                        const QString& hint) {
    auto* b = new QToolButton(parent);
    b->setObjectName(name);
    b->setIcon(QIcon(icon));
    b->setIconSize({24, 24});
    b->setAutoRaise(true);
    b->setGeometry(left, 4, 30, 30);
    b->setToolTip(hint);
    b->setStatusTip(hint);
    return b;
}

QAction* item(QMenu* menu, const QString& name, const QString& text, const QString& hint,
              const QKeySequence& shortcut = {}) {
    auto* a = menu->addAction(text);
    a->setObjectName(name);
    a->setStatusTip(hint);
    a->setToolTip(hint);
    if (!shortcut.isEmpty())
        a->setShortcut(shortcut);
    return a;
}

QMenu* menu(QWidget* parent, const QString& name, const QString& title, const QString& hint) {
    auto* m = new QMenu(title, parent);
    m->setObjectName(name);
    m->menuAction()->setStatusTip(hint);
    m->setToolTipsVisible(false);
    return m;
}

} // namespace

using platform::hintedButton;
using platform::placedLabel;

TForm1::TForm1(platform::Services services, const QString& programDir, QWidget* parent)
    : QMainWindow(parent), services_(services), programDir_(programDir) {
    setObjectName("Form1");
    buildUi();
    connectCommands();
    connectSearch();
    connectQuickView();
    FormCreate();
    // Sized and placed before it is shown, so that the stored position is the frame's: a
    // window the desktop has not framed yet takes a move or a resize for its inside, and would
    // creep at every start. FormShow then finds the window as it would make it.
    core::IniFile ini(platform::toPath(settingsPath()));
    ini.hold(); // every key from one read of the file
    if (!ini.readBool("ventana", "fastcall", false))
        narrowForHiddenBar();
    placeWindow(ini);
    // Temporary files that replacements elsewhere left when the program died go first.
    core::setLeftoverList(platform::toPath(programDir_ + "tmpingre.lst"));
    core::removeListedLeftovers();
    // The window is visible from its creation: start-up's questions come up over it.
    show();
    FormShow();
    // The working files' folders are noted now rather than at the first change there.
    for (const QString& file : {rutap_, rutae_})
        if (!file.isEmpty())
            core::noteTempFolder(platform::toPath(file).parent_path());
}

TForm1::~TForm1() {
    if (form5_)
        delete form5_.data();
}

void TForm1::buildUi() {
    setWindowTitle(platform::kProgramTitle);
    auto* area = new Background(this);
    area->setObjectName("area");
    area->setMinimumSize(kDesignWidth, kAreaHeight);
    setCentralWidget(area);
    buildDisplayArea(area);
    buildQuickViewBar(area);
    buildMenus();

    StatusBar1 = new QLabel(kInitialStatus, this);
    StatusBar1->setObjectName("StatusBar1");
    statusBar()->addWidget(StatusBar1, 1);
    statusBar()->setSizeGripEnabled(false);
    platform::tipWholeMessage(statusBar());

    // A single fixed border: only the program changes the width.
    setWindowFlags(windowFlags() & ~Qt::WindowMaximizeButtonHint);
    setWindowWidth(kDesignWidth);
}

void TForm1::setWindowWidth(int width) {
    int height = sizeHint().height();
    setFixedSize(width, height);
    // A quick-view button cut off by a narrower window is out of sight: Tab passes it by.
    for (QPushButton* button : vr)
        if (button)
            button->setFocusPolicy(button->geometry().right() < width ? Qt::StrongFocus
                                                                      : Qt::NoFocus);
}

// From the full width, not the current one, so that a reload with the bar hidden leaves the
// window as it is.
void TForm1::narrowForHiddenBar() {
    setWindowWidth((kDesignWidth / 4) * 3);
}

void TForm1::buildDisplayArea(QWidget* area) {
    SpeedButton7 = viewButton(area, "SpeedButton7", ":/img/btn_personas.jpg", 6,
                              "Buscar o ver registros de personas.");
    SpeedButton6 = viewButton(area, "SpeedButton6", ":/img/btn_empresas.jpg", 38,
                              "Buscar o ver registros de empresas");

    imgpersonas = placedLabel(area, "imgpersonas", {}, {129, 1, 150, 40});
    imgpersonas->setPixmap(QPixmap(":/img/vista_personas.jpg"));
    imgpersonas->setScaledContents(true);
    imgpersonas->setToolTip("Usted está actualmente trabajando con un archivo de Personas");
    imgpersonas->setStatusTip(imgpersonas->toolTip());
    imgempresas = placedLabel(area, "imgempresas", {}, {129, 1, 150, 40});
    imgempresas->setPixmap(QPixmap(":/img/vista_empresas.jpg"));
    imgempresas->setScaledContents(true);
    imgempresas->setToolTip(
        "Usted está actualmente trabajando con el archivo de empresas (Organizaciones)");
    imgempresas->setStatusTip(imgempresas->toolTip());
    imgempresas->hide();

    Label1 = placedLabel(area, "Label1", "Ingrese Nombre, Apellido >>", {6, 42, 178, 20});
    Label2 = placedLabel(area, "Label2", "Ingrese Número Telefónico >>", {6, 64, 178, 20});
    cuadro1 = new platform::CpLineEdit(true, 255, area);
    cuadro1->setObjectName("cuadro1");
    cuadro1->setGeometry(186, 42, 150, 20);
    cuadro2 = new platform::CpLineEdit(true, 255, area);
    cuadro2->setObjectName("cuadro2");
    cuadro2->setGeometry(186, 64, 150, 20);
    // Each box is named by the label before it, also for screen readers.
    Label1->setBuddy(cuadro1);
    Label2->setBuddy(cuadro2);
    SpeedButton7->setAccessibleName("Personas");
    SpeedButton6->setAccessibleName("Empresas");
    for (auto* box : {cuadro1, cuadro2})
        connect(box, &platform::CpLineEdit::refused, this,
                [this] { statusBar()->showMessage(platform::CpLineEdit::refusedText(), 4000); });
    elboton = hintedButton(area, "elboton", "Buscar",
                           "Presione este botón para buscar en el archivo.", {340, 42, 62, 42});

    Label3 = placedLabel(area, "Label3", "Resultados de la búsqueda:", {6, 88, 160, 16});
    resultado = placedLabel(area, "resultado", "Mueva barra desplazamiento", {168, 88, 210, 16});
    found = placedLabel(area, "found", {}, {384, 88, 16, 16});
    found->setPixmap(QPixmap(":/img/found.jpg"));
    found->setToolTip("Se encontró registro coincidente con su búsqueda.");
    found->setStatusTip(found->toolTip());
    found->hide();
    nofound = placedLabel(area, "nofound", {}, {384, 88, 16, 16});
    nofound->setPixmap(QPixmap(":/img/nofound.jpg"));
    nofound->setToolTip("No se encontró registro coincidente con su búsqueda.");
    nofound->setStatusTip(nofound->toolTip());
    nofound->hide();

    const int top = 108, step = 17, height = 17;
    QLineEdit** fields[] = {&Edit3, &Edit4, &Edit5,  &Edit6, &Edit7,
                            &Edit8, &Edit9, &Edit10, &Edit11};
    QLabel** labels[] = {&Label4, &Label5,  &Label6,  &Label7, &Label8,
                         &Label9, &Label10, &Label11, &Label12};
    for (int i = 0; i < core::kSlotCount; ++i) {
        *labels[i] = placedLabel(area, QString("Label%1").arg(i + 4), records::kPersonLabels[i],
                                 {6, top + i * step, 152, height});
        auto* edit = new QLineEdit(area);
        edit->setObjectName(QString("Edit%1").arg(i + 3));
        edit->setReadOnly(true);
        edit->setGeometry(160, top + i * step, 218, height);
        edit->setFrame(true);
        QPalette pal = edit->palette();
        pal.setColor(QPalette::Base, kSkyBlue);
        edit->setPalette(pal);
        edit->setContextMenuPolicy(Qt::CustomContextMenu);
        (*labels[i])->setBuddy(edit);
        *fields[i] = edit;
    }
    barra = new QScrollBar(Qt::Vertical, area);
    barra->setObjectName("barra");
    barra->setGeometry(382, top, 18, step * 9);
    barra->setMinimum(1);
    barra->setMaximum(1);
    barra->setSingleStep(1);
    barra->setPageStep(1);
    barra->setFocusPolicy(Qt::StrongFocus); // Tab reaches it, and the arrows browse
    barra->setAccessibleName("Registro");
    visorreg = placedLabel(area, "visorreg", "---", {374, top + step * 9 + 1, 34, 16});
    visorreg->setAlignment(Qt::AlignCenter);
    visorreg->setToolTip("Muestra la posición del registro dentro del archivo");
    visorreg->setStatusTip(visorreg->toolTip());

    const int row = top + step * 9 + 20;
    bimprimir = hintedButton(area, "bimprimir", "Impr...",
                             "Abre formulario para imprimir registro.", {6, row, 62, 24});
    bmarcar =
        hintedButton(area, "bmarcar", "Marcar",
                     "Abre el cuadro de diálogos Marcar número telefónico", {72, row, 62, 24});
    bnuevo = hintedButton(area, "bnuevo", "Nuevo", "Permite ingresar un nuevo registro al archivo",
                          {138, row, 62, 24});
    bmodificar = hintedButton(area, "bmodificar", "Editar",
                              "Permite modificar (editar) el contenido de este registro",
                              {204, row, 62, 24});
    beliminar = hintedButton(area, "beliminar", "Eliminar",
                             "Elimina el registro que se ve en este momento.", {270, row, 62, 24});
    mostrarfastcall = hintedButton(area, "mostrarfastcall", ">>",
                                   "Muestra la barra de Vista rápida", {356, row, 44, 24});
}

void TForm1::buildQuickViewBar(QWidget* area) {
    const int left = 412;
    Label13 = placedLabel(area, "Label13", "Vista rápida", {left, 4, 126, 18});
    QFont bold = Label13->font();
    bold.setBold(true);
    Label13->setFont(bold);
    Label13->setAlignment(Qt::AlignCenter);
    for (int i = 0; i < 11; ++i) {
        QRect geometry(left, 24 + i * 22, 126, 20);
        vr[i] = hintedButton(area, QString("vr%1").arg(i + 1), {}, {}, geometry);
        vr[i]->setCursor(Qt::PointingHandCursor);
        textvr[i] = placedLabel(area, QString("textvr%1").arg(i + 1), ">>", geometry);
        textvr[i]->setFont(bold);
        textvr[i]->setAlignment(Qt::AlignCenter);
        textvr[i]->setAttribute(Qt::WA_TransparentForMouseEvents);
    }
    tmoveup = placedLabel(area, "tmoveup", "> Clic para ver >", {left, 24 + 11 * 22, 126, 16});
    tmoveup->setAlignment(Qt::AlignCenter);
}

void TForm1::buildMenus() {
    QMenuBar* bar = menuBar();
    mArchivo = menu(this, "Archivo1", "&Archivo",
                    "Operaciones con archivos, Nuevo, Importar, Guardar como, Imprimir, Salir.");
    New1 = item(mArchivo, "New1", "&Nuevo", "Crea un nuevo archivo");
    Abrir1 = item(mArchivo, "Abrir1", "&Abrir",
                  "Muestra el cuadro Preferencias ->Archivo, para que pueda seleccionar un archivo "
                  "de trabajo.");
    ExportarTevoAgenda11 = item(mArchivo, "ExportarTevoAgenda11", "&Importar desde Tevo Riviva 1",
                                "Importar archivo creado en Tevo Riviva 1.0 a esta versión.");
    ImportarvCard1 = item(mArchivo, "ImportarvCard1", "Importar contactos (vCard) ...",
                          "Agrega al archivo actual los contactos de un archivo vCard (.vcf) de "
                          "un teléfono o programa de correo.");
    ExportarvCard1 = item(mArchivo, "ExportarvCard1", "Exportar a vCard ...",
                          "Guarda todos los registros del archivo actual en un archivo vCard "
                          "(.vcf) para teléfonos y programas de correo.");
    ImportarCSV1 = item(mArchivo, "ImportarCSV1", "Importar contactos (CSV) ...",
                        "Agrega al archivo actual los contactos de una tabla CSV (.csv) de una "
                        "hoja de cálculo o del correo web.");
    ExportarCSV1 = item(mArchivo, "ExportarCSV1", "Exportar a CSV ...",
                        "Guarda todos los registros del archivo actual en una tabla CSV (.csv) "
                        "para hojas de cálculo y el correo web.");
    Sincronizar1 = item(mArchivo, "Sincronizar1", "Sincroni&zar",
                        "Envía y recibe los cambios de los contactos con el servidor de "
                        "contactos (CardDAV) elegido en Preferencias.",
                        QKeySequence("Ctrl+Alt+S"));
    SaveAs1 = item(mArchivo, "SaveAs1", "Guardar C&omo ...",
                   "Permite guardar el archivo actual con otro nombre. Vea la ayuda para mas "
                   "información.");
    mArchivo->addSeparator();
    Exit1 = item(mArchivo, "Exit1", "&Salir   (ALT+F4)", "Cierra el programa.");

    mEdicion = menu(this, "Edicion1", "&Edición", "Operaciones de edición.");
    Deshacer1 = item(mEdicion, "Deshacer1", "Deshacer",
                     "Deshace el último cambio del archivo que se ve.", QKeySequence("Ctrl+Z"));
    Rehacer1 = item(mEdicion, "Rehacer1", "Rehacer", "Vuelve a hacer el cambio deshecho.",
                    QKeySequence("Ctrl+Y"));
    mEdicion->addSeparator();
    mcopiar1 =
        item(mEdicion, "mcopiar1", "Copiar todos los campos", {}, QKeySequence("Ctrl+Alt+C"));
    Pegar1 = item(mEdicion, "Pegar1", "Pegar", "Pega texto en cuadro Nombre");
    mEdicion->addSeparator();
    mRegistro = menu(this, "Registro1", "&Registro", "Operaciones con el registro actual.");
    mEdicion->addMenu(mRegistro);
    mNuevo =
        item(mRegistro, "mNuevo", "&Nuevo...", "Crea un nuevo registro del mismo tipo del actual");
    mModificar =
        item(mRegistro, "mModificar", "&Modificar / Editar...",
             "Permite modificar (editar) el contenido de este registro", QKeySequence("Ctrl+M"));
    mEliminar =
        item(mRegistro, "mEliminar", "&Eliminar", "Elimina el registro que se ve actualmente");
    mImprimir = item(mRegistro, "mImprimir", "&Imprimir", "Permite Imprimir el registro actual",
                     QKeySequence("Ctrl+I"));
    mCompartir = menu(this, "Compartir1", "Compartir",
                      "Opciones de transferencias de registros entre archivos.");
    mEdicion->addMenu(mCompartir);
    mregistroennuevo = item(mCompartir, "mregistroennuevo", "Guardar en archivo nuevo",
                            "Permite guardar el actual registro en un nuevo archivo.");
    maderir = item(mCompartir, "maderir", "Adherir a un archivo existente",
                   "Permite adherir el actual registro a un archivo ya existente. ");
    mguardarvcard = item(mCompartir, "mguardarvcard", "Guardar registro como vCard ...",
                         "Guarda el registro actual en un archivo vCard (.vcf).");

    mBuscar = menu(this, "Buscar1", "&Buscar", "Buscar registros");
    Personas1 = item(mBuscar, "Personas1", "&Personas", "Buscar o ver registros de personas.",
                     QKeySequence("Ctrl+P"));
    Empresas2 = item(mBuscar, "Empresas2", "Empresas", "Buscar o ver registros de empresas",
                     QKeySequence("Ctrl+E"));
    // Browsing by keyboard, with keys the search boxes leave alone.
    mBuscar->addSeparator();
    mSiguiente = item(mBuscar, "mSiguiente", "Registro siguiente", "Muestra el registro siguiente.",
                      QKeySequence(Qt::Key_PageDown));
    mAnterior = item(mBuscar, "mAnterior", "Registro anterior", "Muestra el registro anterior.",
                     QKeySequence(Qt::Key_PageUp));
    mPrimero = item(mBuscar, "mPrimero", "Primer registro", "Muestra el primer registro.",
                    QKeySequence(Qt::ALT | Qt::Key_Home));
    mUltimo = item(mBuscar, "mUltimo", "Último registro", "Muestra el último registro.",
                   QKeySequence(Qt::ALT | Qt::Key_End));

    mIngresar = menu(this, "Ingresar1", "&Ingresar", "Ingresar nuevos registros");
    Persona1 =
        item(mIngresar, "Persona1", "&Persona",
             "Muestra el formulario Ingresar registro de persona.", QKeySequence("Ctrl+Alt+P"));
    empresas1 = item(mIngresar, "empresas1", "&Empresa",
                     "Muestra el formulario Ingresar registro de Organizacion (Empresa).",
                     QKeySequence("Ctrl+Alt+E"));

    mAcciones = menu(this, "Acciones1", "Acciones",
                     "Permite realizar algunas acciones, tales como marcar número, etc.");
    mmarcar = item(mAcciones, "mmarcar", "Marcar número...", "Marcar número telefónico.",
                   QKeySequence("Ctrl+T"));
    menviarcorreo = item(mAcciones, "menviarcorreo", "&Enviar correo...",
                         "Enviar un correo electrónico", QKeySequence("Ctrl+Alt+M"));
    Abrirexploradordeinternet1 =
        item(mAcciones, "Abrirexploradordeinternet1", "&Abrir navegador de internet",
             "Abrir navegador de Internet.", QKeySequence("Ctrl+Alt+I"));
    mAcciones->addSeparator();
    CrearPginaweb1 =
        item(mAcciones, "CrearPginaweb1", "Crear Página web (HTM)",
             "Permite crear una página web (HTM) con los registros del archivo en uso.");
    CreararhivoTXT1 =
        item(mAcciones, "CreararhivoTXT1", "Crear archivo de texto (TXT)",
             "Permite crear un archivo de texto (TXT) con los registros del archivo en uso.");
    mAcciones->addSeparator();
    mduplicados = item(mAcciones, "mduplicados", "Buscar duplicados ...",
                       "Busca los registros que parecen ser el mismo contacto y permite "
                       "combinarlos en uno.",
                       QKeySequence("Ctrl+Shift+D"));

    mOpciones = menu(this, "Opciones1", "Opciones", "Permite cambiar la configuración.");
    mvistarapida = item(mOpciones, "mvistarapida", "&Vista rápida",
                        "Muestra o oculta la tabla de Vista rápida.", QKeySequence("Ctrl+R"));
    mautobuscar = item(mOpciones, "mautobuscar", "&Buscar registro al escribir",
                       "Busca registro automáticamente al escribir", QKeySequence("Ctrl+B"));
    mautobuscar->setCheckable(true);
    mautobuscar->setChecked(true);
    Configuracin1 = item(mOpciones, "Configuracin1", "&Preferencias ...",
                         "Permite cambiar la configuración del programa", QKeySequence("Ctrl+O"));

    mAyuda = menu(this, "Ayuda1", "Ay&uda", "Ayuda, contactos, acerca de ...");
    Contents1 = item(mAyuda, "Contents1", "&Uso de Tevo Riviva 2.0",
                     "Abre la ayuda de Tevo Riviva 2.0", QKeySequence("F1"));
    Hacerunadonacin1 = item(mAyuda, "Hacerunadonacin1", "Hacer una donación ;) ",
                            "Dona dinero para permitir que el programa siga mejorando ;). Para "
                            "las empresas es obligación.",
                            QKeySequence("Ctrl+D"));
    EnviarSugerencias1 = item(mAyuda, "EnviarSugerencias1", "Enviar Su&gerencias.",
                              "Permite enviar sugerecias sobre el programa a Tevo Soft");
    Suscribirse1 =
        item(mAyuda, "Suscribirse1", "&Suscribirse", "Suscripción / Cancelar suscripción.");
    SearchforHelpOn1 = item(mAyuda, "SearchforHelpOn1", "Página web Tevo Riviva 2.0",
                            "Ir a la página web de Tevo Riviva 2, (Noticias, FAQ, etc)");
    mnuevaversion = item(mAyuda, "mnuevaversion", "&Buscar nueva versión.",
                         "Revisa si hay una nueva versión disponible para bajar.");
    mAyuda->addSeparator();
    About1 = item(mAyuda, "About1", "&Acerca de Tevo Riviva 2.0.2", "Acerca de Tevo Riviva 2.0");

    for (QMenu* m : {mArchivo, mEdicion, mBuscar, mIngresar, mAcciones, mOpciones, mAyuda})
        bar->addMenu(m);

    pmregistro = new QMenu(this);
    pmregistro->setObjectName("pmregistro");
    pmcopiar = item(pmregistro, "pmcopiar", "Copiar", "Copia el texto al portapapeles de windows");
    pmCopiartodosloscampos1 = item(pmregistro, "pmCopiartodosloscampos1", "C&opiar todo los campos",
                                   {}, QKeySequence("Ctrl+Alt+C"));
    pmregistro->addSeparator();
    pmEditar = item(pmregistro, "pmEditar", "Editar registro",
                    "Permite editar el registro que se muestra actualmente en pantalla",
                    QKeySequence("Ctrl+M"));
    pmMarcar = item(pmregistro, "pmMarcar", "Marcar número", "Marcar número telefónico.",
                    QKeySequence("Ctrl+T"));
    pmimprimir = item(pmregistro, "pmimprimir", "Imprimir registro ...",
                      "Permite Imprimir el registro actual", QKeySequence("Ctrl+I"));
    // The context menu's shortcuts are those of the main menu; only the main menu's fire.
    for (QAction* a : pmregistro->actions())
        a->setShortcutContext(Qt::WidgetShortcut);
    platform::letMenuShortcutsThroughBoxes(this);
}

void TForm1::connectCommands() {
    connect(SpeedButton7, &QToolButton::clicked, this, &TForm1::SpeedButton7Click);
    connect(SpeedButton6, &QToolButton::clicked, this, &TForm1::SpeedButton6Click);
    connect(Personas1, &QAction::triggered, this, &TForm1::SpeedButton7Click);
    connect(Empresas2, &QAction::triggered, this, &TForm1::SpeedButton6Click);
    connect(barra, &QScrollBar::valueChanged, this, &TForm1::barraChange);
    connect(mSiguiente, &QAction::triggered, this, [this] { browse(barra->value() + 1); });
    connect(mAnterior, &QAction::triggered, this, [this] { browse(barra->value() - 1); });
    connect(mPrimero, &QAction::triggered, this, [this] { browse(barra->minimum()); });
    connect(mUltimo, &QAction::triggered, this, [this] { browse(barra->maximum()); });
    connect(New1, &QAction::triggered, this, &TForm1::New1Click);
    connect(Deshacer1, &QAction::triggered, this, &TForm1::Deshacer1Click);
    connect(Rehacer1, &QAction::triggered, this, &TForm1::Rehacer1Click);
    connect(Exit1, &QAction::triggered, this, &TForm1::Exit1Click);
    connect(beliminar, &QPushButton::clicked, this, &TForm1::bEliminarClick);
    connect(mEliminar, &QAction::triggered, this, &TForm1::bEliminarClick);
    connect(Persona1, &QAction::triggered, this, &TForm1::Persona1Click);
    connect(empresas1, &QAction::triggered, this, &TForm1::empresas1Click);
    connect(bnuevo, &QPushButton::clicked, this, &TForm1::bNuevo2Click);
    connect(mNuevo, &QAction::triggered, this, &TForm1::bNuevo2Click);
    connect(bmodificar, &QPushButton::clicked, this, &TForm1::bmodificarClick);
    connect(mModificar, &QAction::triggered, this, &TForm1::bmodificarClick);
    connect(pmEditar, &QAction::triggered, this, &TForm1::bmodificarClick);
    connect(ExportarTevoAgenda11, &QAction::triggered, this, &TForm1::ExportarTevoAgenda11Click);
    connect(SaveAs1, &QAction::triggered, this, &TForm1::SaveAs1Click);
    connect(maderir, &QAction::triggered, this, &TForm1::maderirClick);
    connect(mregistroennuevo, &QAction::triggered, this, &TForm1::mregistroennuevoClick);
    connect(ImportarvCard1, &QAction::triggered, this, &TForm1::ImportarvCard1Click);
    connect(ExportarvCard1, &QAction::triggered, this, &TForm1::ExportarvCard1Click);
    connect(mguardarvcard, &QAction::triggered, this, &TForm1::mguardarvcardClick);
    connect(mduplicados, &QAction::triggered, this, &TForm1::mduplicadosClick);
    connect(ImportarCSV1, &QAction::triggered, this, &TForm1::ImportarCSV1Click);
    connect(ExportarCSV1, &QAction::triggered, this, &TForm1::ExportarCSV1Click);
    connect(Sincronizar1, &QAction::triggered, this, &TForm1::Sincronizar1Click);
    for (QLineEdit* field : displayFields()) {
        field->installEventFilter(this);
        connect(field, &QLineEdit::customContextMenuRequested, this,
                [this, field](const QPoint& at) {
                    Edit5ContextPopup(field);
                    pmregistro->popup(field->mapToGlobal(at));
                });
    }
    connectCommCommands();
    connectOutputCommands();
}

std::array<QLineEdit*, core::kSlotCount> TForm1::displayFields() const {
    return {Edit3, Edit4, Edit5, Edit6, Edit7, Edit8, Edit9, Edit10, Edit11};
}

std::array<QLabel*, core::kSlotCount> TForm1::displayLabels() const {
    return {Label4, Label5, Label6, Label7, Label8, Label9, Label10, Label11, Label12};
}

void TForm1::closeEvent(QCloseEvent* event) {
    FormClose();
    event->accept();
}

void TForm1::Exit1Click() {
    close();
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    if (auto* field = qobject_cast<QLineEdit*>(watched); field && displayFieldEvent(field, event))
        return true;
    // The mouse wheel over the record browses the file, as over the scroll bar itself.
    if (event->type() == QEvent::Wheel && barra->isEnabled()) {
        QApplication::sendEvent(barra, event);
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}
