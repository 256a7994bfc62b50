// The duplicates window: the groups of probable duplicates of the file in view, one group's
// records side by side, and per field the text the merged record keeps.
#pragma once

#include "core/duplicates.h"
#include "platform/services.h"

#include <QDialog>
#include <array>
#include <vector>

class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QScrollArea;
class QStatusBar;

class TForm9 : public QDialog {
    Q_OBJECT
  public:
    TForm9(platform::Services services, QWidget* mainWindow, const QString& file, bool persons,
           const QString& programDir);

    // Finds the groups; false (the person told) when there are none.
    bool FormShow();
    void bcombinarClick();
    void bnosonClick();
    void bcerrarClick();
    void bayudaClick();
    // How many merges were written while the window was open.
    int mergesWritten() const { return merges_; }

    QLabel* etiquetagrupos;
    QListWidget* listagrupos;
    QLabel* etiquetaregistros;
    QScrollArea* registros;
    std::array<QComboBox*, core::kSlotCount> combinado{};
    QLabel* aviso;
    QPushButton *bcombinar, *bnoson, *bcerrar, *bayuda;
    QStatusBar* StatusBar1;

    static const QString kWindowHint;

  protected:
    bool event(QEvent* event) override;

  private:
    void findGroups();
    void fillList();
    void showGroup(int row);
    void clearRecords();
    void choiceChanged();
    // The record the choices make.
    core::Record mergedRecord() const;
    // The file changed under the window: say so and find the groups again.
    void fileChanged();
    bool skipped(const core::DuplicateGroup& group) const;
    // The field's caption without its colon.
    QString fieldName(int slot) const;

    platform::Services services_;
    QString file_;
    bool persons_;
    QString programDir_;
    std::vector<core::DuplicateGroup> groups_;
    std::vector<std::vector<std::uint64_t>> skipped_; // fingerprints, sorted, of skipped groups
    std::vector<core::Record> shown_;                 // the records of the group on view
    std::string joinedNotes_;
    bool notesCut_ = false;
    QGridLayout* grid_ = nullptr;
    std::vector<QWidget*> columns_; // the headers and fields of the group's records
    int merges_ = 0;
};
