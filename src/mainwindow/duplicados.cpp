#include "mainwindow/duplicados.h"

#include "comm/openbronswer.h"
#include "core/changelabel.h"
#include "core/rewrite.h"
#include "platform/appfolders.h"
#include "platform/text.h"
#include "platform/widgets.h"
#include "records/escritura.h"
#include "records/labels.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollArea>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <algorithm>

using platform::fromQ;
using platform::Prompter;
using platform::toQ;

const QString TForm9::kWindowHint = "Elija un grupo, revise sus registros y elija en cada campo el "
                                    "texto que conserva el registro combinado.";

namespace {

constexpr int kNotes = core::person::Notes;
constexpr int kFieldWidth = 170;

QString linksText(unsigned links) {
    QStringList parts;
    if (links & core::LinkName)
        parts << "nombre";
    if (links & core::LinkPhone)
        parts << "teléfono";
    if (links & core::LinkEmail)
        parts << "correo electrónico";
    if (links & core::LinkWeb)
        parts << "sitio web";
    return parts.join(", ");
}

// A text of several lines shown on one.
QString oneLine(const std::string& text) {
    QString shown = toQ(text);
    shown.replace("\r\n", " | ");
    return shown;
}

std::vector<std::uint64_t> sortedFingerprints(const core::DuplicateGroup& group) {
    std::vector<std::uint64_t> f = group.fingerprints;
    std::sort(f.begin(), f.end());
    return f;
}

} // namespace

TForm9::TForm9(platform::Services services, QWidget* mainWindow, const QString& file, bool persons,
               const QString& programDir)
    : QDialog(mainWindow, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                              Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      services_(services), file_(file), persons_(persons), programDir_(programDir) {
    setObjectName("Form9");
    setWindowTitle("Buscar duplicados");
    setFixedSize(760, 548);
    setStatusTip(kWindowHint);

    etiquetagrupos = platform::placedLabel(this, "etiquetagrupos", {}, {10, 8, 740, 18});
    listagrupos = new QListWidget(this);
    listagrupos->setObjectName("listagrupos");
    listagrupos->setGeometry(10, 28, 740, 108);
    listagrupos->setStatusTip("Los grupos de registros que parecen ser el mismo contacto, y qué "
                              "tienen en común.");
    etiquetagrupos->setBuddy(listagrupos);
    listagrupos->setAccessibleName("Grupos de posibles duplicados");

    etiquetaregistros = platform::placedLabel(
        this, "etiquetaregistros", "Registro combinado y registros del grupo:", {10, 142, 740, 18});
    registros = new QScrollArea(this);
    registros->setObjectName("registros");
    registros->setGeometry(10, 162, 740, 286);
    registros->setFocusPolicy(Qt::NoFocus);
    auto* inside = new QWidget;
    grid_ = new QGridLayout(inside);
    grid_->setSpacing(4);
    grid_->setSizeConstraint(QLayout::SetMinAndMaxSize);
    auto* header = new QLabel("<b>Registro combinado</b>", inside);
    header->setTextFormat(Qt::RichText);
    grid_->addWidget(header, 0, 1);
    for (int slot = 0; slot < core::kSlotCount; ++slot) {
        auto* caption = new QLabel(fieldName(slot) + ":", inside);
        auto* choice = new QComboBox(inside);
        choice->setObjectName(QString("combinado%1").arg(slot + 1));
        choice->setFixedWidth(220);
        choice->setAccessibleName(fieldName(slot) + " del registro combinado");
        choice->setStatusTip("Elija el texto que conserva el registro combinado en este campo.");
        caption->setBuddy(choice);
        grid_->addWidget(caption, slot + 1, 0);
        grid_->addWidget(choice, slot + 1, 1);
        connect(choice, qOverload<int>(&QComboBox::currentIndexChanged), this,
                &TForm9::choiceChanged);
        combinado[slot] = choice;
    }
    registros->setWidget(inside);
    registros->setWidgetResizable(false);

    aviso = platform::placedLabel(this, "aviso", {}, {10, 452, 740, 18});
    QPalette red = aviso->palette();
    red.setColor(QPalette::WindowText, Qt::darkRed);
    aviso->setPalette(red);
    aviso->setTextFormat(Qt::PlainText);

    bcombinar = platform::hintedButton(
        this, "bcombinar", "C&ombinar",
        "Guarda el registro combinado y elimina los registros del grupo.", {10, 478, 110, 28});
    bnoson = platform::hintedButton(this, "bnoson", "&No son duplicados",
                                    "Deja los registros del grupo como están y pasa al siguiente.",
                                    {126, 478, 140, 28});
    bcerrar = platform::hintedButton(
        this, "bcerrar", "&Cerrar",
        "Presione este botón para cerrar esta ventana y regresar al programa.",
        {534, 478, 104, 28});
    bayuda = platform::hintedButton(this, "bayuda", "A&yuda",
                                    "Presione este botón para abrir la ayuda sobre este cuadro.",
                                    {644, 478, 106, 28});
    for (QPushButton* b : {bcombinar, bnoson, bcerrar, bayuda}) {
        b->setAutoDefault(false);
        b->setAccessibleName(QString(b->text()).remove('&'));
    }
    connect(bcombinar, &QPushButton::clicked, this, &TForm9::bcombinarClick);
    connect(bnoson, &QPushButton::clicked, this, &TForm9::bnosonClick);
    connect(bcerrar, &QPushButton::clicked, this, &TForm9::bcerrarClick);
    connect(bayuda, &QPushButton::clicked, this, &TForm9::bayudaClick);
    connect(listagrupos, &QListWidget::currentRowChanged, this, &TForm9::showGroup);

    QWidget* previous = listagrupos;
    for (QWidget* next : combinado) {
        setTabOrder(previous, next);
        previous = next;
    }
    for (QWidget* next : {bcombinar, bnoson, bcerrar, bayuda}) {
        setTabOrder(previous, next);
        previous = next;
    }

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName("StatusBar1");
    StatusBar1->setSizeGripEnabled(false);
    StatusBar1->setGeometry(0, 528, 760, 20);
    platform::tipWholeMessage(StatusBar1);
    StatusBar1->showMessage(kWindowHint);
}

QString TForm9::fieldName(int slot) const {
    QString name =
        QString::fromUtf8((persons_ ? records::kPersonLabels : records::kCompanyLabels)[slot]);
    name.chop(1); // the colon
    return name;
}

bool TForm9::event(QEvent* event) {
    // The status bar shows the hint of the control under the mouse pointer, or the window's.
    if (event->type() == QEvent::StatusTip) {
        const QString tip = static_cast<QStatusTipEvent*>(event)->tip();
        StatusBar1->showMessage(tip.isEmpty() ? kWindowHint : tip);
        return true;
    }
    return QDialog::event(event);
}

bool TForm9::FormShow() {
    findGroups();
    if (groups_.empty()) {
        services_.prompter->messageBox("No se encontraron registros duplicados en el archivo " +
                                           file_ + ".",
                                       "Buscar duplicados", Prompter::Icon::Information);
        return false;
    }
    listagrupos->setFocus();
    return true;
}

bool TForm9::skipped(const core::DuplicateGroup& group) const {
    return std::find(skipped_.begin(), skipped_.end(), sortedFingerprints(group)) != skipped_.end();
}

void TForm9::findGroups() {
    groups_ = core::findDuplicates(platform::toPath(file_), persons_);
    groups_.erase(std::remove_if(groups_.begin(), groups_.end(),
                                 [this](const core::DuplicateGroup& g) { return skipped(g); }),
                  groups_.end());
    fillList();
}

void TForm9::fillList() {
    const int row = std::max(0, listagrupos->currentRow());
    const QSignalBlocker quiet(listagrupos);
    listagrupos->clear();
    const std::vector<std::string> names = groups_.empty()
                                               ? std::vector<std::string>{}
                                               : core::groupNames(platform::toPath(file_), groups_);
    for (std::size_t i = 0; i < groups_.size(); ++i)
        listagrupos->addItem(QString("%1  —  %2 registros; coinciden en: %3")
                                 .arg(toQ(names[i]))
                                 .arg(groups_[i].records.size())
                                 .arg(linksText(groups_[i].links)));
    if (groups_.empty()) {
        etiquetagrupos->setText("No quedan grupos de posibles duplicados.");
        clearRecords();
        for (QPushButton* b : {bcombinar, bnoson})
            b->setEnabled(false);
        bcerrar->setFocus();
        return;
    }
    etiquetagrupos->setText(QString("&Grupos de posibles duplicados: %1").arg(groups_.size()));
    listagrupos->setCurrentRow(std::min(row, listagrupos->count() - 1));
    showGroup(listagrupos->currentRow());
}

void TForm9::clearRecords() {
    for (QWidget* w : columns_)
        delete w;
    columns_.clear();
    shown_.clear();
    for (QComboBox* choice : combinado) {
        const QSignalBlocker quiet(choice);
        choice->clear();
        choice->setEnabled(false);
    }
    aviso->clear();
}

void TForm9::showGroup(int row) {
    clearRecords();
    if (row < 0 || static_cast<std::size_t>(row) >= groups_.size())
        return;
    const std::optional<std::vector<core::Record>> records =
        core::readGroup(platform::toPath(file_), groups_[static_cast<std::size_t>(row)]);
    if (!records) {
        fileChanged();
        return;
    }
    shown_ = *records;
    QWidget* inside = registros->widget();
    for (std::size_t i = 0; i < shown_.size(); ++i) {
        const int column = static_cast<int>(i) + 2;
        const std::int64_t number = groups_[static_cast<std::size_t>(row)].records[i];
        auto* header = new QLabel(QString("Registro %1").arg(number + 1), inside);
        grid_->addWidget(header, 0, column);
        columns_.push_back(header);
        for (int slot = 0; slot < core::kSlotCount; ++slot) {
            auto* text = new QLineEdit(oneLine(shown_[i].texts[slot]), inside);
            text->setReadOnly(true);
            text->setFocusPolicy(Qt::ClickFocus); // the choices hold every text for the keyboard
            text->setFixedWidth(kFieldWidth);
            text->setCursorPosition(0);
            text->setAccessibleName(
                QString("Registro %1, %2").arg(number + 1).arg(fieldName(slot)));
            grid_->addWidget(text, slot + 1, column);
            columns_.push_back(text);
        }
    }

    const core::MergeProposal proposal = core::proposeMerge(shown_);
    joinedNotes_ = proposal.merged.texts[kNotes];
    notesCut_ = proposal.notesCut;
    for (int slot = 0; slot < core::kSlotCount; ++slot) {
        QComboBox* choice = combinado[slot];
        const QSignalBlocker quiet(choice);
        std::vector<std::string> offered;
        if (slot == kNotes && !joinedNotes_.empty())
            offered.push_back(joinedNotes_);
        for (const core::Record& r : shown_)
            if (!r.texts[slot].empty() &&
                std::find(offered.begin(), offered.end(), r.texts[slot]) == offered.end())
                offered.push_back(r.texts[slot]);
        for (const std::string& text : offered)
            choice->addItem(oneLine(text), QByteArray::fromStdString(text));
        if (slot != core::person::Name || offered.empty())
            choice->addItem("(vacío)", QByteArray());
        const auto at = std::find(offered.begin(), offered.end(), proposal.merged.texts[slot]) -
                        offered.begin();
        choice->setCurrentIndex(offered.empty() ? 0 : static_cast<int>(at));
        choice->setEnabled(true);
    }
    for (QPushButton* b : {bcombinar, bnoson})
        b->setEnabled(true);
    choiceChanged();
}

void TForm9::choiceChanged() {
    const bool cutChosen =
        notesCut_ && combinado[kNotes]->currentData().toByteArray().toStdString() == joinedNotes_;
    aviso->setText(cutChosen ? QString("Las notas unidas pasan de %1 caracteres: el registro "
                                       "combinado las guardará cortadas.")
                                   .arg(core::kSlots[kNotes].capacity)
                             : QString());
}

core::Record TForm9::mergedRecord() const {
    core::Record merged;
    merged.tag = persons_ ? core::kTagPerson : core::kTagCompany;
    for (int slot = 0; slot < core::kSlotCount; ++slot)
        merged.texts[slot] = combinado[slot]->currentData().toByteArray().toStdString();
    return merged;
}

void TForm9::fileChanged() {
    services_.prompter->messageDialog(
        "El archivo " + file_ +
            " fue cambiado desde otra ventana del programa después de buscar los duplicados. No "
            "se ha combinado ningún registro; los grupos se buscan de nuevo.",
        Prompter::Icon::Warning, Prompter::OK);
    findGroups();
}

void TForm9::bcombinarClick() {
    const int row = listagrupos->currentRow();
    if (row < 0 || shown_.empty())
        return;
    const core::Record merged = mergedRecord();
    if (services_.prompter->messageDialog(
            QString("Los %1 registros del grupo se reemplazarán por el registro combinado. "
                    "¿Desea continuar?")
                .arg(shown_.size()),
            Prompter::Icon::Confirmation, Prompter::Yes | Prompter::No) != Prompter::Yes)
        return;
    core::RewriteResult result;
    {
        const core::ChangeLabel label("combinar " + std::to_string(shown_.size()) +
                                      " registros de " + merged.texts[core::person::Name]);
        result = core::mergeRecords(platform::toPath(file_),
                                    groups_[static_cast<std::size_t>(row)].records, shown_, merged);
    }
    if (result.failure == core::RewriteFailure::Changed) {
        fileChanged();
        return;
    }
    records::reportRewriteFailure(services_, file_, result.failure, merged.tag);
    if (result.position < 0)
        return;
    ++merges_;
    StatusBar1->showMessage(QString("Se combinaron %1 registros en uno: %2.")
                                .arg(shown_.size())
                                .arg(toQ(merged.texts[core::person::Name])));
    core::renumberAfterMerge(groups_, static_cast<std::size_t>(row), result.position);
    fillList();
}

void TForm9::bnosonClick() {
    const int row = listagrupos->currentRow();
    if (row < 0)
        return;
    skipped_.push_back(sortedFingerprints(groups_[static_cast<std::size_t>(row)]));
    groups_.erase(groups_.begin() + row);
    fillList();
}

void TForm9::bcerrarClick() {
    close();
}

void TForm9::bayudaClick() {
    comm::openbronswer(services_, platform::helpTarget(programDir_, "duplicados.htm"));
}
