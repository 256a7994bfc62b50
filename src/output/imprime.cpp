#include "output/imprime.h"

#include "comm/openbronswer.h"
#include "platform/appfolders.h"
#include "platform/text.h"
#include "platform/widgets.h"

#include <QAbstractTextDocumentLayout>
#include <QCheckBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTextBlock>
#include <QTextLayout>

namespace {

constexpr const char* kFirstLine = "Tevo Riviva 2.0";

QCheckBox* option(QWidget* parent, const QString& name, const QString& text, const QString& hint,
                  QPoint at, bool checked) {
    auto* box = new QCheckBox(text, parent);
    box->setObjectName(name);
    box->move(at);
    box->adjustSize();
    box->setToolTip(hint);
    box->setChecked(checked);
    return box;
}

} // namespace

TForm3::TForm3(platform::Services services, const QString& programDir, QWidget* owner)
    : QWidget(owner, Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                         Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                         Qt::WindowCloseButtonHint),
      services_(services), programDir_(programDir) {
    setObjectName("Form3");
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle("Tevo Riviva 2.0.  Imprimir registro (s) >>");
    setFixedSize(483, 470);

    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName("Memo1");
    Memo1->setGeometry(8, 5, 465, 363);
    Memo1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Memo1->setFont(QFont("MS Sans Serif", 8));
    Memo1->setPlainText(kFirstLine);

    Label1 = platform::placedLabel(this, "Label1", "Opciones:", {16, 376, 60, 16});
    inreg = option(this, "inreg", "Incluir número de registro",
                   "Incluye el número (posición  en el archivo) de cada registro en la hoja.",
                   {15, 393}, true);
    itreg = option(this, "itreg", "Incluir tipo de registro.",
                   "Inluye junto a cada registro su tipo. Personas o Instituciones.", {288, 393},
                   false);
    espb = option(this, "espb", "Separar registro con una lina en blanco.",
                  "Separa cada registro en la hoja con una linea en blanco.", {15, 416}, true);

    struct B {
        QPushButton** button;
        const char *name, *caption, *hint;
        int left;
        void (TForm3::*click)();
    } buttons[] = {
        {&SpeedButton2, "SpeedButton2", "&Imprimir", "Abre el cuadro de dialogo Imprimir.", 9,
         &TForm3::SpeedButton2Click},
        {&SpeedButton1, "SpeedButton1", "&Fuentes",
         "Presione para seleccionar el tipo y color de fuente (letras) para imrpimir.", 101,
         &TForm3::SpeedButton1Click},
        {&SpeedButton3, "SpeedButton3", "&Borrar", "Limpia (borra) el contenido de la hoja.", 194,
         &TForm3::SpeedButton3Click},
        {&SpeedButton4, "SpeedButton4", "&Ayuda", "Abre la ayuda.", 287,
         &TForm3::SpeedButton4Click},
        {&SpeedButton5, "SpeedButton5", "&Cerrar", "Cierra la esta ventana.", 380,
         &TForm3::SpeedButton5Click},
    };
    for (const B& b : buttons) {
        auto* button =
            platform::hintedButton(this, b.name, b.caption, b.hint, {b.left, 440, 93, 30});
        button->setFlat(true);
        QFont bold = button->font();
        bold.setBold(true);
        button->setFont(bold);
        connect(button, &QPushButton::clicked, this, b.click);
        *b.button = button;
    }
    FormCreate();
}

void TForm3::FormCreate() {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->geometry();
    move((area.width() - width()) / 2, (area.height() - height()) / 2);
}

void TForm3::addRecord(const core::ShownTexts& shown, const std::string& number, bool persons) {
    const core::SheetOptions options{inreg->isChecked(), itreg->isChecked(), espb->isChecked()};
    for (const std::string& line : core::sheetLines(shown, number, persons, options))
        Memo1->appendPlainText(platform::toQ(line));
}

QStringList TForm3::shownLines() const {
    QStringList lines;
    QTextDocument* document = Memo1->document();
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        // Lays out a block the sheet has not shown yet.
        document->documentLayout()->blockBoundingRect(block);
        const QTextLayout* layout = block.layout();
        if (!layout || layout->lineCount() == 0) {
            lines << block.text();
            continue;
        }
        for (int i = 0; i < layout->lineCount(); ++i) {
            const QTextLine line = layout->lineAt(i);
            lines << block.text().mid(line.textStart(), line.textLength());
        }
    }
    return lines;
}

void TForm3::SpeedButton2Click() {
    auto choice = services_.printing->choosePrinter(this);
    if (!choice)
        return;
    if (choice->collate)
        services_.prompter->messageBox("No se intercalarán las hojas", "opción no válida",
                                       platform::Prompter::Icon::None, platform::Prompter::OK);
    // The copies follow each other in one text flow, without a page break between them.
    QString text;
    const QStringList lines = shownLines();
    for (int copy = 0; copy < choice->copies; ++copy)
        for (const QString& line : lines)
            text += line + '\n';
    services_.printing->printText(text, Memo1->font());
}

void TForm3::SpeedButton1Click() {
    if (auto font = services_.printing->chooseFont(Memo1->font(), this))
        Memo1->setFont(*font);
}

void TForm3::SpeedButton3Click() {
    Memo1->setPlainText(kFirstLine);
}

void TForm3::SpeedButton4Click() {
    comm::openbronswer(services_, platform::helpTarget(programDir_, "registro.htm"));
}

void TForm3::SpeedButton5Click() {
    close();
}

void TForm3::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}
