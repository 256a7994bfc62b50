#include "records/ingreso.h"

#include "comm/openbronswer.h"
#include "core/changelabel.h"
#include "mainwindow/zuzovi2.h"
#include "platform/appfolders.h"
#include "platform/application.h"
#include "platform/cpedit.h"
#include "platform/text.h"
#include "platform/widgets.h"
#include "records/escritura.h"
#include "records/labels.h"

#include <QFontMetrics>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QStatusBar>
#include <QStatusTipEvent>

using platform::Prompter;

namespace {

// Every row takes as many characters as its slot holds.
int maxLength(int row) {
    return static_cast<int>(core::kSlots[row].capacity);
}

} // namespace

TForm4::TForm4(TForm1* mainWindow)
    : QDialog(mainWindow, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                              Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      main_(mainWindow), services_(mainWindow->services()), person_(mainWindow->getdopersona()),
      isNew_(mainWindow->getisinput()), background_(":/img/fondo_ingreso.jpg") {
    setObjectName("Form4");
    setFixedSize(397, 334);

    imgpersona = new QLabel(this);
    imgpersona->setObjectName("imgpersona");
    imgpersona->setPixmap(QPixmap(":/img/icon_persona.jpg"));
    imgpersona->setGeometry(8, 3, 44, 44);
    imgpersona->setScaledContents(true);
    imgempresa = new QLabel(this);
    imgempresa->setObjectName("imgempresa");
    imgempresa->setPixmap(QPixmap(":/img/icon_empresa.jpg"));
    imgempresa->setGeometry(8, 3, 44, 44);
    imgempresa->setScaledContents(true);
    titulo = new QLabel(this);
    titulo->setObjectName("titulo");
    titulo->setGeometry(58, 8, 334, 34);
    QFont big = titulo->font();
    big.setPointSizeF(11 * platform::fontFit());
    big.setBold(true);
    titulo->setFont(big);
    QPalette white = titulo->palette();
    white.setColor(QPalette::WindowText, Qt::white);
    titulo->setPalette(white);

    QLabel** labelSlots[] = {&Label1, &Label2, &Label3, &Label4, &Label5,
                             &Label6, &Label7, &Label8, &Label9};
    platform::CpLineEdit** fieldSlots[] = {&Edit3, &Edit4, &Edit5,  &Edit6, &Edit7,
                                           &Edit8, &Edit9, &Edit10, &Edit11};
    const QString hint = "Aquí debe escribir el contenido de los campos.";
    for (int i = 0; i < core::kSlotCount; ++i) {
        const int y = 56 + i * 24;
        auto* label = new QLabel(this);
        label->setObjectName(QString("Label%1").arg(i + 1));
        label->setGeometry(8, y, 140, 20);
        *labelSlots[i] = label;
        auto* field = new platform::CpLineEdit(i < 4, maxLength(i), this);
        field->setObjectName(QString("Edit%1").arg(i + 3));
        field->setGeometry(150, y, 238, 20);
        field->setToolTip(hint);
        field->setStatusTip(hint);
        connect(field, &QLineEdit::textChanged, this, &TForm4::Edit3Change);
        connect(field, &platform::CpLineEdit::refused, this,
                [this] { setStatus(platform::CpLineEdit::refusedText()); });
        label->setBuddy(field); // the field's name, also for screen readers
        *fieldSlots[i] = field;
    }
    Label10 = new QLabel("(*) No es necesario que complete todos los campos.", this);
    Label10->setObjectName("Label10");
    Label10->setGeometry(8, 272, 380, 16);

    botonim = platform::hintedButton(
        this, "botonim", "OK", "Presione este botón para guardar los cambios. ", {8, 290, 90, 24});
    BitBtn2 =
        platform::hintedButton(this, "BitBtn2", "Cerrar", "Cerrar ventana.", {104, 290, 90, 24});
    BitBtn3 = platform::hintedButton(this, "BitBtn3", "Limpiar",
                                     "Presione este botón para limpiar el formulario.",
                                     {200, 290, 90, 24});
    BitBtn1 =
        platform::hintedButton(this, "BitBtn1", " Ayuda", "Muestra la ayuda.", {296, 290, 92, 24});
    botonim->setDefault(true);
    botonim->setEnabled(false);
    connect(botonim, &QPushButton::clicked, this, &TForm4::botonimClick);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
    connect(BitBtn3, &QPushButton::clicked, this, &TForm4::BitBtn3Click);
    connect(BitBtn1, &QPushButton::clicked, this, &TForm4::BitBtn1Click);

    QWidget* previous = Edit3;
    for (QWidget* next :
         std::initializer_list<QWidget*>{Edit4, Edit5, Edit6, Edit7, Edit8, Edit9, Edit10, Edit11,
                                         botonim, BitBtn2, BitBtn3, BitBtn1}) {
        setTabOrder(previous, next);
        previous = next;
    }

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName("StatusBar1");
    StatusBar1->setSizeGripEnabled(false);
    StatusBar1->setGeometry(0, 316, 397, 18);
    platform::tipWholeMessage(StatusBar1);
    StatusBar1->setAutoFillBackground(true);
    setStatus("Modificar / Nuevo");
}

std::array<platform::CpLineEdit*, core::kSlotCount> TForm4::fields() const {
    return {Edit3, Edit4, Edit5, Edit6, Edit7, Edit8, Edit9, Edit10, Edit11};
}

std::array<QLabel*, core::kSlotCount> TForm4::labels() const {
    return {Label1, Label2, Label3, Label4, Label5, Label6, Label7, Label8, Label9};
}

void TForm4::setStatus(const QString& text) {
    // The bar is as wide as the fixed dialog, less the 18 pixels of margin the status bar keeps
    // around its message: a longer text is drawn in smaller type rather than cut.
    QFont type = font();
    const int room = StatusBar1->width() - 18;
    while (QFontMetrics(type).horizontalAdvance(text) > room && type.pointSizeF() > 6)
        type.setPointSizeF(type.pointSizeF() - 0.5);
    StatusBar1->setFont(type);
    StatusBar1->showMessage(text);
}

QString TForm4::statusText() const {
    return StatusBar1->currentMessage();
}

bool TForm4::event(QEvent* event) {
    // The status bar shows the hint of the control under the mouse pointer.
    if (event->type() == QEvent::StatusTip) {
        QString tip = static_cast<QStatusTipEvent*>(event)->tip();
        if (!tip.isEmpty())
            setStatus(tip);
        return true;
    }
    return QDialog::event(event);
}

void TForm4::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawPixmap(rect(), background_);
}

void TForm4::FormShow() {
    savedWidth_ = main_->width();
    main_->saveinifile();
    platform::centreOver(this, main_);
    if (person_)
        showpersonas();
    else
        showempresas();
    if (isNew_) {
        setStatus("Complete los campos, luego presione OK.");
        titulo->setText(person_ ? "Ingresar persona" : "Ingresar organización");
        setWindowTitle(person_ ? "< Ingresar datos de persona >"
                               : "< Ingresar datos de Organización >");
        return;
    }
    // Filling the fields counts as a change: OK is enabled unless all nine texts are empty.
    auto texts = main_->displayedTexts();
    auto boxes = fields();
    for (int i = 0; i < core::kSlotCount; ++i)
        boxes[i]->setText(texts[i].left(maxLength(i)));
    titulo->setText(person_ ? "Modificar persona" : "Modificar organización");
    setWindowTitle(person_ ? " < Modificar datos de Persona >"
                           : "< Modificar datos de Organización >");
    setStatus("Edite los campos que desee cambiar, luego presione OK.");
}

void TForm4::showpersonas() {
    showKind(true);
}

void TForm4::showempresas() {
    showKind(false);
}

void TForm4::showKind(bool person) {
    imgpersona->setVisible(person);
    imgempresa->setVisible(!person);
    auto boxes = labels();
    for (int i = 0; i < core::kSlotCount; ++i)
        boxes[i]->setText(person ? records::kPersonLabels[i] : records::kCompanyLabels[i]);
}

void TForm4::Edit3Change() {
    botonim->setEnabled(true);
    botonim->setDefault(true);
    BitBtn2->setDefault(false);
    setStatus("Presione OK para guardar los cambios.");
}

void TForm4::BitBtn3Click() {
    for (auto* field : fields())
        field->clear();
    botonim->setEnabled(false);
    // The form starts over: typing goes on in the first field.
    Edit3->setFocus();
}

void TForm4::BitBtn1Click() {
    comm::openbronswer(services_, platform::helpTarget(main_->obtenercurrentdir(), "registro.htm"));
}

core::Record TForm4::recordFromFields() const {
    core::Record record;
    auto boxes = fields();
    for (int i = 0; i < core::kSlotCount; ++i)
        record.texts[i] = platform::fromQ(boxes[i]->text());
    record.tag = person_ ? core::kTagPerson : core::kTagCompany;
    return record;
}

void TForm4::keepAfterFailedWrite() {
    // The file was kept as it was and the user has been told why; the texts stay for another
    // try instead of being reported as saved.
    botonim->setEnabled(true);
    setStatus("No se guardó el registro. Presione OK para intentarlo de nuevo.");
}

void TForm4::botonimClick() {
    core::Record record = recordFromFields();
    bool allEmpty = true;
    for (const auto& text : record.texts)
        allEmpty = allEmpty && text.empty();
    if (allEmpty) {
        services_.prompter->messageBox("Todos los campos se encuentran vacíos, no se puede crear "
                                       "o modificar el registro.",
                                       "Cuidado !", Prompter::Icon::None, Prompter::OK);
        setStatus("Para poder guardar un registro, debe tener por lo menos un campo no vacío");
        botonim->setEnabled(false);
        return;
    }
    QString file = person_ ? main_->getrutap() : main_->getrutae();
    if (isNew_) {
        QString question =
            QString(person_ ? "Se guardará este registro en el actual archivo de Personas "
                            : "Se guardará este registro en el actual archivo de Empresas ") +
            file + " ¿Desea continuar?";
        if (services_.prompter->messageDialog(question, Prompter::Icon::Information,
                                              Prompter::Yes | Prompter::No) != Prompter::Yes)
            return;
        const core::ChangeLabel label(records::changeLabel("agregar", record));
        if (records::ingresardatos(services_, file, record, -1) == core::kRewriteFailed) {
            keepAfterFailedWrite();
            return;
        }
        botonim->setEnabled(false);
        BitBtn2->setDefault(true);
        main_->refreshAfterChange(savedWidth_);
        setStatus("Se acaba de guardar un registro. Para cerrar, presione \"Cerrar\".");
        return;
    }
    if (services_.prompter->messageDialog("¿Esta seguro que desea modificar los datos de este "
                                          "registro ?",
                                          Prompter::Icon::Information,
                                          Prompter::Yes | Prompter::No) != Prompter::Yes)
        return;
    // A record that another window changed meanwhile is left alone and the person told; the
    // dialog then closes as after a save, and the reload shows the file as it is now.
    const core::ChangeLabel label(records::changeLabel("modificar", main_->shownRecord()));
    if (records::modificar(services_, file, main_->getcurrentview(), record,
                           main_->shownRecord()) == core::kRewriteFailed) {
        keepAfterFailedWrite();
        return;
    }
    accept();
    main_->refreshAfterChange(savedWidth_);
}
