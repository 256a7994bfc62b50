#include "mainwindow/preferen.h"

#include "comm/openbronswer.h"
#include "core/datafile.h"
#include "core/fileio.h"
#include "core/inifile.h"
#include "core/ioerror.h"
#include "mainwindow/zuzovi2.h"
#include "platform/appfolders.h"
#include "platform/cpedit.h"
#include "platform/text.h"
#include "platform/widgets.h"
#include "records/archivos.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QMouseEvent>
#include <QRadioButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTabWidget>

using platform::fromQ;
using platform::placedLabel;
using platform::Prompter;
using platform::toPath;
using platform::toQ;

namespace {

const char* const kWarning =
    "Advertencia: Debe reiniciar el programa para que los cambios surgan efecto";
const char* const kServiceAddress = "mensajes@tevosoft.example";
const char* const kSampleWebMail = "http://correo.tevosoft.example/";

void hint(QWidget* w, const QString& text) {
    w->setToolTip(text);
    w->setStatusTip(text);
}

// A label that reads as a link and runs `onClick` when clicked.
class LinkLabel : public QLabel {
  public:
    LinkLabel(QWidget* parent, const QString& name, const QString& text, QRect geometry,
              std::function<void()> onClick)
        : QLabel(text, parent), onClick_(std::move(onClick)) {
        setObjectName(name);
        setGeometry(geometry);
        setCursor(Qt::PointingHandCursor);
        QFont f = font();
        f.setUnderline(true);
        setFont(f);
        QPalette p = palette();
        p.setColor(QPalette::WindowText, Qt::blue);
        setPalette(p);
    }

  protected:
    void mouseReleaseEvent(QMouseEvent* e) override {
        if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint()))
            onClick_();
    }

  private:
    std::function<void()> onClick_;
};

QLabel* warning(QWidget* page, int top) {
    QLabel* l = placedLabel(page, {}, kWarning, {10, top, 600, 16});
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, QColor(0xB0, 0, 0));
    l->setPalette(p);
    return l;
}

// A label that shows a file name exactly as it is spelt.
QLabel* pathLabel(QWidget* page, const QString& name, QRect geometry, const QString& tip) {
    QLabel* l = placedLabel(page, name, {}, geometry);
    l->setTextFormat(Qt::PlainText);
    l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    hint(l, tip);
    return l;
}

QGroupBox* helpGroup(QWidget* page, QRect geometry, const QStringList& lines) {
    auto* group = new QGroupBox("Ayuda", page);
    group->setGeometry(geometry);
    for (int i = 0; i < lines.size(); ++i)
        placedLabel(group, {}, lines[i], {10, 22 + i * 15, geometry.width() - 20, 15})
            ->setTextFormat(Qt::PlainText);
    return group;
}

} // namespace

TForm2::TForm2(TForm1* mainWindow, int page)
    : QDialog(mainWindow, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                              Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      main_(mainWindow), services_(mainWindow->services()) {
    setObjectName("Form2");
    setWindowTitle("Preferencias de Tevo Riviva 2.0");
    setFixedSize(640, 470);

    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName("PageControl1");
    PageControl1->setGeometry(8, 8, 624, 400);
    hint(PageControl1, "Pase el Mouse encima de algun elemento para obtener información.");
    const char* titles[] = {"Archivos", "Correo electrónico", "Página web", "Vista rápida",
                            "Sincronización"};
    void (TForm2::*builders[])(QWidget*) = {&TForm2::buildArchivos, &TForm2::buildCorreo,
                                            &TForm2::buildPaginaWeb, &TForm2::buildVistaRapida,
                                            &TForm2::buildSincronizacion};
    for (int i = 0; i < 5; ++i) {
        auto* tab = new QWidget;
        (this->*builders[i])(tab);
        PageControl1->addTab(tab, titles[i]);
    }
    PageControl1->setCurrentIndex(page);

    BitBtn1 =
        platform::hintedButton(this, "BitBtn1", "&Ayuda", "Muestra la ayuda.", {8, 416, 100, 26});
    BitBtn3 = platform::hintedButton(this, "BitBtn3", "&Cancelar",
                                     "Cierra sin guardar los cambios.", {424, 416, 100, 26});
    botonguardar = platform::hintedButton(this, "botonguardar", "&Guardar", "Guarda los cambios.",
                                          {532, 416, 100, 26});
    botonguardar->setDefault(true);
    connect(BitBtn1, &QPushButton::clicked, this, &TForm2::BitBtn1Click);
    connect(BitBtn3, &QPushButton::clicked, this, &TForm2::BitBtn3Click);
    connect(botonguardar, &QPushButton::clicked, this, &TForm2::botonguardarClick);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName("StatusBar1");
    StatusBar1->setSizeGripEnabled(false);
    StatusBar1->setGeometry(0, 450, 640, 20);
    platform::tipWholeMessage(StatusBar1);
}

void TForm2::buildArchivos(QWidget* page) {
    placedLabel(page, "Label2", "Ubicación del archivo del tipo Personas utilizado actualmente.",
                {10, 8, 600, 16});
    rutapersona1 = pathLabel(page, "rutapersona1", {10, 26, 600, 20},
                             "Se muestra la ruta del archivo que actualmente se ocupa para "
                             "guardar registros de personas.");
    Button1 = platform::hintedButton(
        page, "Button1", "Abrir / Cambiar archivo",
        "Presione para elegir un archivo de trabajo para los registros de Personas.",
        {10, 50, 170, 24});
    NuevoP =
        platform::hintedButton(page, "NuevoP", "Crear nuevo archivo",
                               "Presione para crear un nuevo archivo vacío.", {186, 50, 150, 24});
    placedLabel(page, "Label3", "Ubicación del archivo del tipo Empresa utilizado actualmente.",
                {10, 86, 600, 16});
    rutaempresa1 = pathLabel(page, "rutaempresa1", {10, 104, 600, 20},
                             "Se muestra la ruta del archivo que actualmente se ocupa para "
                             "guardar registros de organizaciones (empresas).");
    Button3 = platform::hintedButton(page, "Button3", "Abrir / Cambiar archivo",
                                     "Presione para elegir un archivo de trabajo para los "
                                     "registros de Instituciones (Empresas)",
                                     {10, 128, 170, 24});
    NuevoE =
        platform::hintedButton(page, "NuevoE", "Crear nuevo archivo",
                               "Presione para crear un nuevo archivo vacío.", {186, 128, 150, 24});
    placedLabel(page, "Label4", "Directorio de la aplicación:", {10, 166, 150, 16});
    dir_exe = pathLabel(page, "dir_exe", {162, 164, 448, 20}, {});
    warning(page, 192);
    QGroupBox* help = helpGroup(
        page, {10, 214, 600, 110},
        {"<> Para seleccionar un archivo ya creado de Personas o Empresas, haga clic en el",
         "botón \"Elegir / Cambiar archivo\" respectivamente.",
         "<> Para trabajar con un Nuevo Archivo (vacío, sin registros), presione el botón "
         "\"Crear ",
         "nuevo archivo\"."});
    Label1 = new LinkLabel(help, "Label1", "Mas información ...", {10, 88, 200, 16},
                           [this] { Label1Click(); });

    connect(Button1, &QPushButton::clicked, this, &TForm2::Button1Click);
    connect(Button3, &QPushButton::clicked, this, &TForm2::Button3Click);
    connect(NuevoP, &QPushButton::clicked, this, &TForm2::NuevoPClick);
    connect(NuevoE, &QPushButton::clicked, this, &TForm2::NuevoPClick);
}

void TForm2::buildCorreo(QWidget* page) {
    RadioButton1 = new QRadioButton(
        "Usar cliente de correo utilizado por defecto por el PC para enviar e-mail (correo)", page);
    RadioButton1->setGeometry(10, 10, 600, 20);
    hint(RadioButton1, "Usa cliente de correo predeterminado por Windows, ejemplo: Outlook "
                       "Express (*)");
    RadioButton2 = new QRadioButton(
        "Usar servicio de correo e. proporcionado mediante de una página web", page);
    RadioButton2->setGeometry(10, 38, 600, 20);
    hint(RadioButton2, "Marque si usted tiene una cuenta de correo en la cual ocupa una página "
                       "web para manipularla. Ej: Hotmail, etc.");
    placedLabel(page, "Label5", "Url:", {32, 64, 30, 20});
    url = new platform::CpLineEdit(false, 255, page);
    url->setObjectName("url");
    url->setGeometry(64, 64, 340, 20);
    url->setText("http://");
    hint(url, "Escriba la dirección de la página web para revisar correo");
    placedLabel(page, "Label6", QString("por ejem: ") + kSampleWebMail, {64, 86, 340, 14});
    RadioButton3 = new QRadioButton(
        QString("Usar servicio gratuito de envio de mensajes Tevo Soft. ") + kServiceAddress, page);
    RadioButton3->setGeometry(10, 112, 600, 20);
    hint(RadioButton3, "Para las personas que no poseen cuanta de correo, esta solo sirve para "
                       "Enviar y no para recibir.");
    placedLabel(page, "Label7", "para los que no posen correo electrónico. ", {30, 134, 240, 16});
    Label11 = new LinkLabel(page, "Label11", "Abrir página - mas info", {272, 134, 200, 16},
                            [this] { Label11Click(); });
    RadioButton4 = new QRadioButton("Desabilitar esta caracteristica", page);
    RadioButton4->setGeometry(10, 160, 600, 20);
    hint(RadioButton4, "No podra enviar correo electrónico desde Tevo Riviva 2.0");
    warning(page, 192);
    RadioButton1->setChecked(true);

    QRadioButton* radios[] = {RadioButton1, RadioButton2, RadioButton3, RadioButton4};
    void (TForm2::*handlers[])() = {&TForm2::RadioButton1Click, &TForm2::RadioButton2Click,
                                    &TForm2::RadioButton3Click, &TForm2::RadioButton4Click};
    for (int i = 0; i < 4; ++i) {
        radios[i]->setObjectName(QString("RadioButton%1").arg(i + 1));
        connect(radios[i], &QRadioButton::clicked, this, handlers[i]);
    }
    // Only the user's edits choose web mail; FormShow filling the box does not.
    connect(url, &QLineEdit::textEdited, this, &TForm2::urlChange);
}

void TForm2::buildPaginaWeb(QWidget* page) {
    placedLabel(page, "Label8", "Tamaño de fuente", {10, 14, 130, 20});
    tfuente = new QSpinBox(page);
    tfuente->setObjectName("tfuente");
    tfuente->setGeometry(144, 12, 60, 22);
    tfuente->setRange(2, 4);
    // Leaving the box pulls what it holds into 2 ... 4; an emptied box thus becomes 2.
    tfuente->setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
    hint(tfuente, "Seleccione el tamaño de la fuente de la página web.");
    placedLabel(page, "Label9", "Color Texto - Fondo", {10, 46, 130, 20});
    colores = new QComboBox(page);
    colores->setObjectName("colores");
    colores->setGeometry(144, 44, 160, 22);
    colores->addItems({"Por defecto", "Negro - blanco", "Azul - blanco"});
    hint(colores, "Seleccione los colores de la página web.");
    placedLabel(page, "Label10",
                "Nota: Estas opciones permiten configurar la página web que se crea,",
                {10, 84, 600, 16});
    placedLabel(page, "Label12", " en el menú Acciones", {10, 100, 600, 16});
    warning(page, 192);
}

void TForm2::buildVistaRapida(QWidget* page) {
    placedLabel(page, "Label13",
                "Aqui puede asignar los registros a los botones de la barra lateral \"Vista "
                "rápida\".",
                {10, 4, 600, 16});
    placedLabel(page, "Label14", "Complete los datos. Lea abajo para mas información. ",
                {10, 20, 600, 16});
    for (int i = 0; i < 11; ++i) {
        const int column = i < 4 ? 0 : i < 8 ? 1 : 2;
        const int row = i < 4 ? i : i < 8 ? i - 4 : i - 8;
        const int x = 10 + column * 202, y = 42 + row * 50;
        QLabel* number = placedLabel(page, {}, QString::number(i + 1), {x, y, 16, 20});
        hint(number, "Muestra el orden de los botones en Vista rápida. El 1 es el de mas arriba.");
        r[i] = new platform::CpLineEdit(false, 16, page);
        r[i]->setObjectName(QString("r%1").arg(i + 1));
        r[i]->setGeometry(x + 18, y, 172, 20);
        QPalette p = r[i]->palette();
        p.setColor(QPalette::Base, i < 8 ? QColor(Qt::yellow) : QColor(0xFF, 0x60, 0x60));
        r[i]->setPalette(p);
        hint(r[i], "Texto que se mostrará en Vista rápida");
        se[i] = new platform::CpLineEdit(true, 255, page);
        se[i]->setObjectName(QString("se%1").arg(i + 1));
        se[i]->setGeometry(x + 18, y + 22, 150, 20);
        hint(se[i], "Texto que se buscará en el archivo al hacer clic en el botón");
        c[i] = new QCheckBox(page);
        c[i]->setObjectName(QString("c%1").arg(i + 1));
        c[i]->setGeometry(x + 172, y + 22, 20, 20);
        hint(c[i], "Marque si el texto que busca esta en archivo de Instituciones.");
    }
    QGroupBox* help = helpGroup(
        page, {10, 246, 600, 112},
        {"En el cuadro de color ingrese el texto que aparecera en la barra lateral, por ejemplo, "
         "un apodo.",
         "En el cuadro blanco, ingrese el texto que se buscara en el archivo, aqui puede ir, por "
         "ejemplo",
         "el nombre completo de la persona.",
         "Marque la casilla, si la información que se buscará esta en archivo de "
         "Organizaciones"});
    Label19 = new LinkLabel(help, "Label19", "Mas información ...", {10, 88, 200, 16},
                            [this] { Label19Click(); });
}

void TForm2::buildSincronizacion(QWidget* page) {
    placedLabel(page, "Label20",
                "Sincroniza los contactos con un servidor de contactos (CardDAV), el mismo que "
                "usan",
                {10, 8, 600, 16});
    placedLabel(page, "Label21",
                "su teléfono y sus otros equipos: Archivo > Sincronizar (Ctrl+Alt+S).",
                {10, 24, 600, 16});
    const auto box = [&](const char* name, const QString& label, int top, const QString& tip) {
        placedLabel(page, {}, label, {10, top + 2, 170, 16});
        auto* edit = new platform::CpLineEdit(false, 255, page);
        edit->setObjectName(name);
        edit->setGeometry(184, top, 426, 20);
        edit->setAccessibleName(label);
        hint(edit, tip);
        return edit;
    };
    servidor = box("servidor", "Dirección del servidor:", 52,
                   "Dirección del servidor de contactos, por ejemplo "
                   "https://contactos.example/ana/");
    usuario = box("usuario", "Usuario:", 80, "Nombre de usuario en el servidor de contactos.");
    libpersonas = box("libpersonas", "Libreta para Personas:", 108,
                      "Nombre o dirección de la libreta de direcciones del servidor para el "
                      "archivo de Personas; vacío: no se sincroniza.");
    libempresas = box("libempresas", "Libreta para Empresas:", 136,
                      "Nombre o dirección de la libreta de direcciones del servidor para el "
                      "archivo de Organizaciones (Empresas); vacío: no se sincroniza.");
    placedLabel(page, {}, "Contraseña:", {10, 166, 170, 16});
    clave = new QLineEdit(page);
    clave->setObjectName("clave");
    clave->setGeometry(184, 164, 200, 20);
    clave->setEchoMode(QLineEdit::Password);
    clave->setAccessibleName("Contraseña");
    hint(clave, "Se guarda en el almacén de contraseñas del escritorio, nunca en inicio.ini. "
                "Vacío: se pide al sincronizar.");
    helpGroup(page, {10, 214, 600, 96},
              {"<> Una libreta que no existe en el servidor se crea en la primera sincronización.",
               "<> Un contacto cambiado aquí y en el servidor se conserva dos veces: revise ambos.",
               "<> Sin almacén de contraseñas, la contraseña se pide una vez por sesión."});
}

QString TForm2::statusText() const {
    return StatusBar1->currentMessage();
}

bool TForm2::event(QEvent* event) {
    // The status line shows the hint of the control under the mouse pointer.
    if (event->type() == QEvent::StatusTip) {
        QString tip = static_cast<QStatusTipEvent*>(event)->tip();
        if (!tip.isEmpty())
            StatusBar1->showMessage(tip);
        return true;
    }
    return QDialog::event(event);
}

void TForm2::setVisible(bool visible) {
    if (visible && !isVisible())
        FormShow();
    QDialog::setVisible(visible);
}

void TForm2::FormShow() {
    savedWidth_ = main_->width();
    platform::centreOver(this, main_);
    dir_exe->setText(main_->obtenercurrentdir());
    rutapersona1->setText(main_->getrutap());
    rutaempresa1->setText(main_->getrutae());

    core::IniFile ini(toPath(main_->settingsPath()));
    pendingMethod_ = toQ(ini.readString("config", "tipocorreo", "api"));
    const char* methods[] = {"api", "web", "tevo", "no"};
    QRadioButton* radios[] = {RadioButton1, RadioButton2, RadioButton3, RadioButton4};
    RadioButton1->setChecked(true); // for a method of no radio button, too
    for (int i = 0; i < 4; ++i)
        if (pendingMethod_ == methods[i])
            radios[i]->setChecked(true);
    url->setText(toQ(ini.readString("config", "urlcorreo", "http://")));
    tfuente->setValue(ini.readInteger("config", "tfuente", 3)); // pulled into 2 ... 4
    int scheme = ini.readInteger("config", "colores", 0);
    colores->setCurrentIndex(scheme >= 0 && scheme <= 2 ? scheme : -1);
    for (int i = 0; i < 11; ++i) {
        const std::string section = "vr" + std::to_string(i + 1);
        r[i]->setText(toQ(ini.readString(section, "name", "No asignado")));
        se[i]->setText(toQ(ini.readString(section, "seek", "")));
        c[i]->setChecked(ini.readBool(section, "type", false));
    }
    servidor->setText(toQ(ini.readString("sinc", "servidor", "")));
    usuario->setText(toQ(ini.readString("sinc", "usuario", "")));
    libpersonas->setText(toQ(ini.readString("sinc", "personas", "")));
    libempresas->setText(toQ(ini.readString("sinc", "empresas", "")));
    clave->clear();
}

void TForm2::Button1Click() {
    chooseFile(true);
}

void TForm2::Button3Click() {
    chooseFile(false);
}

void TForm2::chooseFile(bool persons) {
    services_.fileDialogs->open.filter = "Archivo Tevo|*.dat";
    auto chosen = services_.fileDialogs->runOpen(this);
    if (!chosen)
        return;
    const QString name = *chosen;
    const auto path = toPath(name);
    if (!core::fileio::exists(path)) {
        services_.prompter->messageDialog("El archivo " + name + " No existe",
                                          Prompter::Icon::Error, Prompter::Yes);
        return;
    }
    if (!(persons ? core::esdepersonas(path) : core::esdeempresas(path))) {
        services_.prompter->messageDialog(
            "El archivo " + name +
                (persons ? " No es del tipo Tevo Riviva Personas"
                         : " No es del tipo Tevo Riviva Organizaciones (Empresas)") +
                " o esta protegido contra escritura. o esta siendo utilizado por otra aplicación.",
            Prompter::Icon::Error, Prompter::Yes);
        return;
    }
    // An empty file passes as either kind, but one file cannot hold both: each view would
    // show the other's records.
    QLabel* other = persons ? rutaempresa1 : rutapersona1;
    if (core::sameFile(path, toPath(other->text()))) {
        services_.prompter->messageDialog(
            "El archivo " + name +
                (persons ? " ya esta elegido como archivo de Organizaciones (Empresas)."
                         : " ya esta elegido como archivo de Personas.") +
                " Elija otro archivo o cree uno nuevo.",
            Prompter::Icon::Error, Prompter::Yes);
        return;
    }
    (persons ? rutapersona1 : rutaempresa1)->setText(name);
}

void TForm2::NuevoPClick() {
    // The new file is chosen afterwards with "Abrir / Cambiar archivo".
    records::newfile(services_, this);
}

void TForm2::RadioButton1Click() {
    pendingMethod_ = "api";
}
void TForm2::RadioButton2Click() {
    pendingMethod_ = "web";
}
void TForm2::RadioButton3Click() {
    pendingMethod_ = "tevo";
}
void TForm2::RadioButton4Click() {
    pendingMethod_ = "no";
}

void TForm2::urlChange() {
    RadioButton2->setChecked(true);
    RadioButton2Click();
}

void TForm2::botonguardarClick() {
    move(main_->x() + 4, main_->y() + 35);
    try {
        save();
    } catch (const core::IoError&) {
        // Nothing was written; the dialog goes, the reload does not run.
        accept();
        throw;
    }
    main_->refreshAfterChange(savedWidth_);
    accept();
}

void TForm2::save() {
    // One replacement of the file for the whole dialog: all of it is saved, or none.
    core::IniFile ini(toPath(main_->settingsPath()));
    ini.hold();
    ini.writeString("archivo", "persona", fromQ(rutapersona1->text()));
    ini.writeString("archivo", "empresa", fromQ(rutaempresa1->text()));
    ini.writeString("config", "urlcorreo", fromQ(url->text()));
    ini.writeString("config", "tipocorreo", fromQ(pendingMethod_));
    // The box keeps its last number while its text is none; such a text counts as 2.
    bool isNumber = false;
    tfuente->cleanText().toInt(&isNumber);
    ini.writeInteger("config", "tfuente", isNumber ? tfuente->value() : 2);
    ini.writeInteger("config", "colores", colores->currentIndex());
    auto section = [](int i) { return "vr" + std::to_string(i + 1); };
    for (int i = 0; i < 11; ++i)
        ini.writeString(section(i), "name", fromQ(r[i]->text()));
    for (int i = 0; i < 11; ++i)
        ini.writeString(section(i), "seek", fromQ(se[i]->text()));
    for (int i = 0; i < 11; ++i)
        ini.writeBool(section(i), "type", c[i]->isChecked());
    ini.writeString("sinc", "servidor", fromQ(servidor->text().trimmed()));
    ini.writeString("sinc", "usuario", fromQ(usuario->text().trimmed()));
    ini.writeString("sinc", "personas", fromQ(libpersonas->text().trimmed()));
    ini.writeString("sinc", "empresas", fromQ(libempresas->text().trimmed()));
    ini.commit();
    if (!clave->text().isEmpty())
        main_->rememberSyncPassword(usuario->text().trimmed() + "@" + servidor->text().trimmed(),
                                    clave->text());
}

void TForm2::BitBtn3Click() {
    reject();
}

void TForm2::openHelp(const char* page) {
    comm::openbronswer(services_, platform::helpTarget(main_->obtenercurrentdir(), page));
}

void TForm2::BitBtn1Click() {
    openHelp("index.htm");
}
void TForm2::Label1Click() {
    openHelp("archivo.htm");
}
void TForm2::Label11Click() {
    openHelp("action.htm");
}
void TForm2::Label19Click() {
    openHelp("buscar.htm");
}
