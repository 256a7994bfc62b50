// The main window's output commands: the text list, the web page, the print sheet, the
// clipboard and the display fields' context menu.
#include "mainwindow/zuzovi2.h"

#include "core/recordtext.h"
#include "output/exporta.h"
#include "output/imprime.h"
#include "platform/cpedit.h"
#include "platform/text.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>

using platform::fromQ;

namespace {

core::ShownTexts shownTexts(const std::array<QString, core::kSlotCount>& texts) {
    core::ShownTexts shown;
    for (int i = 0; i < core::kSlotCount; ++i)
        shown[i] = fromQ(texts[i]);
    return shown;
}

} // namespace

void TForm1::connectOutputCommands() {
    exports_ = new output::ExportFiles(this);
    connect(CreararhivoTXT1, &QAction::triggered, this, &TForm1::CreararhivoTXT1Click);
    connect(CrearPginaweb1, &QAction::triggered, this, &TForm1::CrearPginaweb1Click);
    connect(bimprimir, &QPushButton::clicked, this, &TForm1::mImprimirClick);
    for (QAction* a : {mImprimir, pmimprimir})
        connect(a, &QAction::triggered, this, &TForm1::mImprimirClick);
    for (QAction* a : {mcopiar1, pmCopiartodosloscampos1})
        connect(a, &QAction::triggered, this, &TForm1::mcopiar1Click);
    connect(pmcopiar, &QAction::triggered, this, &TForm1::pmcopiarClick);
    connect(Pegar1, &QAction::triggered, this, &TForm1::Pegar1Click);
    connect(pmregistro, &QMenu::aboutToShow, this, &TForm1::pmregistroPopup);
    connect(mEdicion, &QMenu::aboutToShow, this, &TForm1::EditMenuClick);
}

void TForm1::CreararhivoTXT1Click() {
    output::exportTextList(services_, *exports_, programDir_, currentFile(), persons_);
}

void TForm1::CrearPginaweb1Click() {
    const core::PageStyle style{fromQ(webStyle_.fontSize), fromQ(webStyle_.background),
                                fromQ(webStyle_.labelColour), fromQ(webStyle_.valueColour)};
    output::exportWebPage(services_, *exports_, programDir_, currentFile(), persons_, style);
}

void TForm1::mImprimirClick() {
    if (!form3_) {
        form3_ = new TForm3(services_, programDir_, this);
    }
    form3_->show();
    form3_->raise();
    form3_->addRecord(shownTexts(displayedTexts()), fromQ(visorreg->text()), persons_);
}

void TForm1::mcopiar1Click() {
    const std::string text =
        core::clipboardText(shownTexts(displayedTexts()), fromQ(visorreg->text()), persons_);
    QGuiApplication::clipboard()->setText(platform::toQ(text));
}

void TForm1::pmcopiarClick() {
    // As a text box's own copy: nothing selected leaves the clipboard as it was.
    if (rememberedField_)
        rememberedField_->copy();
}

void TForm1::Edit5ContextPopup(QLineEdit* field) {
    rememberedField_ = field;
}

void TForm1::pmregistroPopup() {
    pmcopiar->setEnabled(rememberedField_ && !rememberedField_->text().isEmpty());
    pmEditar->setEnabled(bmodificar->isEnabled());
    pmimprimir->setEnabled(bimprimir->isEnabled());
    pmMarcar->setEnabled(bmarcar->isEnabled());
}

void TForm1::EditMenuClick() {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    Pegar1->setEnabled(data && data->hasText());
}

void TForm1::Pegar1Click() {
    // The box's own paste: upper case, its length limit and the code page check, and the
    // change handler runs as for typing.
    cuadro1->paste();
}

TForm3* TForm1::printSheet() const {
    return form3_;
}
