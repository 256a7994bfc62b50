// The main window: start-up and reload, the settings, the two views, the record display and
// the commands of the menus and the button row.
#pragma once

#include "core/record.h"
#include "core/search.h"
#include "mainwindow/unit5.h"
#include "platform/services.h"

#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace core {
struct CardLosses;
}

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QScrollBar;
class QTimer;
class QToolButton;
class TForm3;

namespace platform {
class CpLineEdit;
}
namespace core {
class IniFile;
}
namespace output {
class ExportFiles;
}

struct QuickViewSlot {
    QString caption;
    std::string seek;
    bool companies = false;
};

struct WebStyle {
    QString fontSize, background, labelColour, valueColour;
};

class TForm1 : public QMainWindow {
    Q_OBJECT
  public:
    // The program directory ends with a separator. Construction runs FormCreate and FormShow.
    TForm1(platform::Services services, const QString& programDir, QWidget* parent = nullptr);
    ~TForm1() override;

    // Start-up and reload.
    void FormCreate();
    void FormShow();
    void saveinifile();
    void Exit1Click();
    bool terminateRequested() const { return terminate_; }

    QString obtenercurrentdir() const { return programDir_; }
    QString getrutap() const { return rutap_; }
    QString getrutae() const { return rutae_; }
    QString settingsPath() const { return programDir_ + "inicio.ini"; }

    // Views and display.
    void tipovista(bool persons);
    void SpeedButton7Click() { tipovista(true); }
    void SpeedButton6Click() { tipovista(false); }
    void barraChange();
    void mostrar(std::int64_t n, const core::Record& record); // record n, read by the caller
    void limpiaredits();
    void vertodos();
    void noregistro();
    void siregistro();
    std::int64_t getcurrentview() const { return current_; }
    bool getisinput() const { return isInput_; }
    bool getdopersona() const { return doPersona_; }
    bool currentViewIsPersons() const { return persons_; }
    QString currentFile() const { return persons_ ? rutap_ : rutae_; }
    // The nine texts the display fields show, in slot order.
    std::array<QString, core::kSlotCount> displayedTexts() const;
    // The record in view as it was read: a change of record n is made only while the file
    // still holds it there.
    const core::Record& shownRecord() const { return shown_; }

    // Record commands.
    void New1Click();
    void bEliminarClick();
    void Persona1Click();
    void empresas1Click();
    void bNuevo2Click();
    void bmodificarClick();

    // Search (zuzovi2_search.cpp).
    void buscar();
    void Escribe();
    void elbotonClick();
    void cuadro1KeyDown(int key);
    void mautobuscarClick();
    bool continuing() const { return siguiente_; }

    // Quick-view bar (zuzovi2_quickview.cpp); slots count from 1.
    void vrClick(int i) { vistarapida(i); }
    void vistarapida(int i);
    void mostrarfastcallClick();
    void Opciones1Click();
    void vr4MouseMove();
    void Timer1Timer();

    // The preferences dialog, on its "Archivos" or "Vista rápida" page.
    void Configuracin1Click();
    void Abrir1Click();
    void Asignareventoalhacerclic1Click();

    // File operations: the import of version-1 files and the copying of records and files.
    void ExportarTevoAgenda11Click();
    void SaveAs1Click();
    void maderirClick();
    void mregistroennuevoClick();

    // Contacts in and out through vCard files (fileops/contactos.cpp).
    void ImportarvCard1Click();
    void ExportarvCard1Click();
    void mguardarvcardClick();
    QAction *ImportarvCard1, *ExportarvCard1, *mguardarvcard;
    // Contacts in and out through CSV tables (fileops/contactoscsv.cpp).
    void ImportarCSV1Click();
    void ExportarCSV1Click();
    QAction *ImportarCSV1, *ExportarCSV1;

    // Undo and redo of the last change of the file in view (mainwindow/zuzovi2_undo.cpp).
    void Deshacer1Click();
    void Rehacer1Click();
    // Names the change each item would take back or make again, or disables it; says in the
    // status bar when the last change could not keep the version it replaced.
    void actualizarDeshacer();
    QAction *Deshacer1, *Rehacer1;

    // Finding and merging duplicates of the file in view (mainwindow/duplicados.cpp).
    void mduplicadosClick();
    QAction* mduplicados;

    // Two-way sync of both working files with their address books on a CardDAV server
    // (fileops/sincronizar.cpp).
    void Sincronizar1Click();
    QAction* Sincronizar1;
    // The sync password for "user@server": kept in the desktop's secret store, or for this
    // session only where none runs.
    void rememberSyncPassword(const QString& key, const QString& password);
    // Asks the user for the password of the account; empty when cancelled. Tests replace it.
    std::function<std::optional<QString>(const QString& account)> askSyncPassword;

    // The reload after a change: FormShow, then the width remembered before.
    void refreshAfterChange(int savedWidth);
    // Sets the window's width (the window is not resizable by the user).
    void setWindowWidth(int width);
    // The width with the quick-view bar cut off: three quarters of the full window.
    void narrowForHiddenBar();

    platform::Services& services() { return services_; }
    const QuickViewSlot& quickViewSlot(int i) const { return slots_.at(i - 1); }
    const WebStyle& webStyle() const { return webStyle_; }
    QString mailMethod() const { return mailMethod_; }
    QString webMailAddress() const { return webMailAddress_; }
    bool quickViewVisible() const { return quickViewVisible_; }
    bool personsUnusable() const { return personsUnusable_; }
    bool companiesUnusable() const { return companiesUnusable_; }
    TForm5* problemWindow() const { return form5_; }

    // The status bar's text while no command has put one there.
    inline static const QString kInitialStatus = "Tevo Riviva 2.0.2";

    // Components, under their own names.
    QLineEdit *Edit3, *Edit4, *Edit5, *Edit6, *Edit7, *Edit8, *Edit9, *Edit10, *Edit11;
    QLabel *Label4, *Label5, *Label6, *Label7, *Label8, *Label9, *Label10, *Label11, *Label12;
    QLabel *Label1, *Label2, *Label3, *Label13, *StatusBar1;
    platform::CpLineEdit *cuadro1, *cuadro2;
    QPushButton* elboton;
    QScrollBar* barra;
    QLabel *visorreg, *resultado, *found, *nofound, *imgpersonas, *imgempresas, *tmoveup;
    QToolButton *SpeedButton7, *SpeedButton6;
    QPushButton *bimprimir, *bmarcar, *bnuevo, *bmodificar, *beliminar, *mostrarfastcall;
    std::array<QPushButton*, 11> vr{};
    std::array<QLabel*, 11> textvr{};
    QTimer* Timer1;
    QMenu* mvrap;
    QAction* Asignareventoalhacerclic1;
    QMenu *mArchivo, *mEdicion, *mRegistro, *mCompartir, *mBuscar, *mIngresar, *mAcciones,
        *mOpciones, *mAyuda;
    QAction *New1, *Abrir1, *ExportarTevoAgenda11, *SaveAs1, *Exit1;
    QAction *mcopiar1, *Pegar1, *mNuevo, *mModificar, *mEliminar, *mImprimir;
    QAction *mregistroennuevo, *maderir;
    QAction *Personas1, *Empresas2, *Persona1, *empresas1;
    QAction *mSiguiente, *mAnterior, *mPrimero, *mUltimo;
    QAction *mmarcar, *menviarcorreo, *Abrirexploradordeinternet1, *CrearPginaweb1,
        *CreararhivoTXT1;
    QAction *mvistarapida, *mautobuscar, *Configuracin1;
    QAction *Contents1, *mnuevaversion, *About1;
    // The display fields' context menu.
    QMenu* pmregistro;
    QAction *pmcopiar, *pmCopiartodosloscampos1, *pmEditar, *pmMarcar, *pmimprimir;

    std::array<QLineEdit*, core::kSlotCount> displayFields() const;
    // Shows the record at scroll-bar position `position`, kept within the file; nothing while
    // the scroll bar is disabled (no records, no working files).
    void browse(int position);
    std::array<QLabel*, core::kSlotCount> displayLabels() const;

    // E-mail, web sites and the help commands.
    void sendmail(const QString& address);
    static bool ValidEmail(const QString& text);
    bool isLinkField(const QLineEdit* field) const;
    void Edit8Click(QLineEdit* field);
    void Edit3MouseMove(QLineEdit* field);
    void menviarcorreoClick();
    void Abrirexploradordeinternet1Click();
    void Contents1Click();
    void Hacerunadonacin1Click();
    void EnviarSugerencias1Click();
    void Suscribirse1Click();
    void SearchforHelpOn1Click();
    void mnuevaversionClick();
    void About1Click();
    QAction *Hacerunadonacin1, *EnviarSugerencias1, *Suscribirse1, *SearchforHelpOn1;

    // Output: the text list, the web page, the print sheet and the clipboard.
    void CreararhivoTXT1Click();
    void CrearPginaweb1Click();
    void mImprimirClick();
    TForm3* printSheet() const;
    void mcopiar1Click();
    void pmcopiarClick();
    void Edit5ContextPopup(QLineEdit* field);
    void pmregistroPopup();
    void EditMenuClick();
    void Pegar1Click();

  public slots:
    // Opens the dialer on the record in view (button "Marcar", the menu, the context menu).
    void mmarcarClick();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void buildUi();
    void buildDisplayArea(QWidget* area);
    void buildQuickViewBar(QWidget* area);
    void buildMenus();
    void connectCommands();
    void connectCommCommands();
    void connectOutputCommands();
    // Clicks, hints and plain-text tooltips of the display fields; true when consumed.
    bool displayFieldEvent(QLineEdit* field, QEvent* event);
    void connectSearch();
    void connectQuickView();
    void openPreferences(int page);
    void applyLinkStyle(QLineEdit* field, bool link);
    void checkDataFile(const QString& file, bool persons, bool& unusable);
    void enterNoWorkingFiles();
    void leaveNoWorkingFiles();
    // The controls and commands that need both working files.
    void enableWorkingFileCommands(bool enabled);
    void readSettings(core::IniFile& ini);
    // Moves the window to the stored position ("ventana" left and top) or the screen's centre;
    // a stored position not wholly on a screen is pulled back onto the nearest one.
    void placeWindow(const core::IniFile& ini);
    // Where a window whose frame's top-left corner is at `at` is wholly on a screen.
    QPoint onScreen(QPoint at) const;
    // Set while a position pulled onto the screen waits for the frame's true size.
    bool recheckOnScreen_ = false;
    void openEntryDialog(bool person, bool isNew);
    void FormClose();
    // The save dialog set for a .vcf file; the name chosen, with ".vcf" when it had none.
    std::optional<QString> askVcfFile(const QString& title, const QString& suggested);
    // The same for any export file: its filter and extension.
    std::optional<QString> askExportFile(const QString& title, const QString& suggested,
                                         const QString& filter, const QString& ext);
    // The file to import into the working file of the view, asked for once that file can take
    // it: a read-only one throws, one of the other kind is reported and nothing is asked.
    std::optional<QString> askImportFile(const QString& title, const QString& filter);
    // The end of every import of contacts: the question, the records the file lacks added in
    // one rewrite, and the summary (with `notes` after it). `format` names the file's kind.
    void addImportedContacts(std::vector<core::Record>&& records, const core::CardLosses& losses,
                             const QString& source, const QString& format,
                             const QString& notes = {});

    platform::Services services_;
    QString programDir_;
    QString rutap_, rutae_;
    bool persons_ = true;
    std::int64_t current_ = 0;
    bool isInput_ = true;
    bool doPersona_ = true;
    bool personsUnusable_ = false;
    bool companiesUnusable_ = false;
    // Something that is no file (a folder, a pipe) holds the settings file's name: the settings
    // are read as their defaults and the window block is not written.
    bool settingsBlocked_ = false;
    bool quickViewVisible_ = false;
    bool noWorkingFiles_ = false;
    bool terminate_ = false;
    bool siguiente_ = false;         // the next search continues after the record in view
    bool fillingBoxes_ = false;      // the quick-view bar fills the boxes and searches once itself
    core::SearchMemory typed_;       // what the searches from record 0 learned while typing
    QTimer* readingAhead_ = nullptr; // while the program waits, the search reads on
    void readAhead();
    core::Record personBuffer_, companyBuffer_;
    core::Record shown_;
    std::array<QuickViewSlot, 11> slots_{};
    WebStyle webStyle_;
    QString mailMethod_, webMailAddress_;
    QPointer<TForm5> form5_;
    QPointer<TForm3> form3_;
    QLineEdit* rememberedField_ = nullptr; // where the context menu was opened last
    output::ExportFiles* exports_ = nullptr;
    std::optional<QString> syncPassword(const QString& key);
    QHash<QString, QString> sessionPasswords_; // where no secret store runs
    QString refusedPassword_;                  // the account whose password the server refused
    std::uint64_t undoId_ = 0, redoId_ = 0;    // the changes the Edición menu offers
    void moverCambio(bool back);
};
