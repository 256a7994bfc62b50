// The preferences dialog: working files, mail method, web page style and quick-view slots.
// It writes the settings only on "&Guardar" and then reloads the main window.
#pragma once

#include "platform/services.h"

#include <QDialog>
#include <array>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QStatusBar;
class QTabWidget;
class TForm1;

namespace platform {
class CpLineEdit;
}

class TForm2 : public QDialog {
    Q_OBJECT
  public:
    enum Page {
        kPageArchivos = 0,
        kPageCorreo = 1,
        kPagePaginaWeb = 2,
        kPageVistaRapida = 3,
        kPageSincronizacion = 4
    };

    TForm2(TForm1* mainWindow, int page);

    void FormShow();
    void Button1Click();
    void Button3Click();
    void NuevoPClick();
    void RadioButton1Click();
    void RadioButton2Click();
    void RadioButton3Click();
    void RadioButton4Click();
    void urlChange();
    void botonguardarClick();
    void BitBtn3Click();
    void BitBtn1Click();
    void Label1Click();
    void Label19Click();
    void Label11Click();

    // The mail method "&Guardar" writes: the radio button's, or what the settings held.
    QString pendingMethod() const { return pendingMethod_; }
    QString statusText() const;

    QTabWidget* PageControl1;
    // "Archivos"
    QLabel *rutapersona1, *rutaempresa1, *dir_exe;
    QPushButton *Button1, *Button3, *NuevoP, *NuevoE;
    QLabel* Label1; // "Mas información ..."
    // "Correo electrónico"
    QRadioButton *RadioButton1, *RadioButton2, *RadioButton3, *RadioButton4;
    platform::CpLineEdit* url;
    QLabel* Label11; // "Abrir página - mas info"
    // "Página web"
    QSpinBox* tfuente;
    QComboBox* colores;
    // "Vista rápida"
    std::array<platform::CpLineEdit*, 11> r{}, se{};
    std::array<QCheckBox*, 11> c{};
    QLabel* Label19; // "Mas información ..."
    // "Sincronización": the CardDAV server, the user and the address books of the two files;
    // the password goes to the secret store, never to the settings file.
    platform::CpLineEdit *servidor, *usuario, *libpersonas, *libempresas;
    QLineEdit* clave;
    QPushButton *BitBtn1, *BitBtn3, *botonguardar; // Ayuda, Cancelar, Guardar
    QStatusBar* StatusBar1;

  protected:
    void setVisible(bool visible) override;
    bool event(QEvent* event) override;

  private:
    void buildArchivos(QWidget* page);
    void buildCorreo(QWidget* page);
    void buildPaginaWeb(QWidget* page);
    void buildVistaRapida(QWidget* page);
    void buildSincronizacion(QWidget* page);
    void chooseFile(bool persons);
    void openHelp(const char* page);
    void save();

    TForm1* main_;
    platform::Services services_;
    QString pendingMethod_ = "api";
    int savedWidth_ = 0;
};
