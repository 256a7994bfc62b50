// The main menu, the button row and the display fields' context menu: captions, shortcuts and
// hints as the user finds them.
#include "support/mainwindow_fixture.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>

using namespace testsupport;

namespace {

struct Item {
    const char* caption;
    const char* shortcut;
    const char* hint; // nullptr: not checked
};

void expectMenu(QMenu* menu, const std::vector<Item>& items) {
    std::vector<QAction*> actions;
    for (QAction* a : menu->actions())
        if (!a->isSeparator())
            actions.push_back(a);
    ASSERT_EQ(actions.size(), items.size()) << menu->title().toStdString();
    for (std::size_t i = 0; i < items.size(); ++i) {
        EXPECT_EQ(actions[i]->text(), QString(items[i].caption));
        EXPECT_EQ(actions[i]->shortcut(), QKeySequence(items[i].shortcut)) << items[i].caption;
        if (items[i].hint) {
            EXPECT_EQ(actions[i]->statusTip(), QString(items[i].hint)) << items[i].caption;
        }
    }
}

} // namespace

TEST_F(MainWindowTest, MainMenuCaptionsShortcutsAndHints) {
    ordinaryStart(personsNamed({"ANA"}));
    TForm1& w = start();
    QStringList titles;
    for (QAction* a : w.menuBar()->actions())
        titles << a->text();
    EXPECT_EQ(titles, QStringList({"&Archivo", "&Edición", "&Buscar", "&Ingresar", "Acciones",
                                   "Opciones", "Ay&uda"}));
    EXPECT_EQ(w.mArchivo->menuAction()->statusTip(),
              "Operaciones con archivos, Nuevo, Importar, Guardar como, Imprimir, Salir.");
    EXPECT_EQ(w.mAcciones->menuAction()->statusTip(),
              "Permite realizar algunas acciones, tales como marcar número, etc.");
    expectMenu(w.mArchivo, {{"&Nuevo", "", "Crea un nuevo archivo"},
                            {"&Abrir", "", nullptr},
                            {"&Importar desde Tevo Riviva 1", "",
                             "Importar archivo creado en Tevo Riviva 1.0 a esta versión."},
                            {"Importar contactos (vCard) ...", "",
                             "Agrega al archivo actual los contactos de un archivo vCard (.vcf) "
                             "de un teléfono o programa de correo."},
                            {"Exportar a vCard ...", "",
                             "Guarda todos los registros del archivo actual en un archivo vCard "
                             "(.vcf) para teléfonos y programas de correo."},
                            {"Importar contactos (CSV) ...", "",
                             "Agrega al archivo actual los contactos de una tabla CSV (.csv) de "
                             "una hoja de cálculo o del correo web."},
                            {"Exportar a CSV ...", "",
                             "Guarda todos los registros del archivo actual en una tabla CSV "
                             "(.csv) para hojas de cálculo y el correo web."},
                            {"Sincroni&zar", "Ctrl+Alt+S",
                             "Envía y recibe los cambios de los contactos con el servidor de "
                             "contactos (CardDAV) elegido en Preferencias."},
                            {"Guardar C&omo ...", "",
                             "Permite guardar el archivo actual con otro nombre. Vea la ayuda para "
                             "mas información."},
                            {"&Salir   (ALT+F4)", "", nullptr}});
    expectMenu(w.mEdicion,
               {{"Deshacer", "Ctrl+Z", "Deshace el último cambio del archivo que se ve."},
                {"Rehacer", "Ctrl+Y", "Vuelve a hacer el cambio deshecho."},
                {"Copiar todos los campos", "Ctrl+Alt+C", nullptr},
                {"Pegar", "", nullptr},
                {"&Registro", "", nullptr},
                {"Compartir", "", nullptr}});
    expectMenu(w.mRegistro, {{"&Nuevo...", "", "Crea un nuevo registro del mismo tipo del actual"},
                             {"&Modificar / Editar...", "Ctrl+M", nullptr},
                             {"&Eliminar", "", "Elimina el registro que se ve actualmente"},
                             {"&Imprimir", "Ctrl+I", "Permite Imprimir el registro actual"}});
    EXPECT_EQ(w.mCompartir->menuAction()->statusTip(),
              "Opciones de transferencias de registros entre archivos.");
    expectMenu(w.mCompartir, {{"Guardar en archivo nuevo", "",
                               "Permite guardar el actual registro en un nuevo archivo."},
                              {"Adherir a un archivo existente", "",
                               "Permite adherir el actual registro a un archivo ya existente. "},
                              {"Guardar registro como vCard ...", "",
                               "Guarda el registro actual en un archivo vCard (.vcf)."}});
    expectMenu(w.mBuscar, {{"&Personas", "Ctrl+P", "Buscar o ver registros de personas."},
                           {"Empresas", "Ctrl+E", "Buscar o ver registros de empresas"},
                           {"Registro siguiente", "PgDown", "Muestra el registro siguiente."},
                           {"Registro anterior", "PgUp", "Muestra el registro anterior."},
                           {"Primer registro", "Alt+Home", "Muestra el primer registro."},
                           {"Último registro", "Alt+End", "Muestra el último registro."}});
    expectMenu(w.mIngresar,
               {{"&Persona", "Ctrl+Alt+P", "Muestra el formulario Ingresar registro de persona."},
                {"&Empresa", "Ctrl+Alt+E",
                 "Muestra el formulario Ingresar registro de Organizacion (Empresa)."}});
    expectMenu(w.mAcciones,
               {{"Marcar número...", "Ctrl+T", "Marcar número telefónico."},
                {"&Enviar correo...", "Ctrl+Alt+M", "Enviar un correo electrónico"},
                {"&Abrir navegador de internet", "Ctrl+Alt+I", "Abrir navegador de Internet."},
                {"Crear Página web (HTM)", "",
                 "Permite crear una página web (HTM) con los registros del archivo en uso."},
                {"Crear archivo de texto (TXT)", "",
                 "Permite crear un archivo de texto (TXT) con los registros del archivo en uso."},
                {"Buscar duplicados ...", "Ctrl+Shift+D",
                 "Busca los registros que parecen ser el mismo contacto y permite combinarlos en "
                 "uno."}});
    expectMenu(w.mOpciones,
               {{"&Vista rápida", "Ctrl+R", "Muestra o oculta la tabla de Vista rápida."},
                {"&Buscar registro al escribir", "Ctrl+B", nullptr},
                {"&Preferencias ...", "Ctrl+O", "Permite cambiar la configuración del programa"}});
    EXPECT_TRUE(w.mautobuscar->isCheckable());
    expectMenu(
        w.mAyuda,
        {{"&Uso de Tevo Riviva 2.0", "F1", "Abre la ayuda de Tevo Riviva 2.0"},
         {"Hacer una donación ;) ", "Ctrl+D",
          "Dona dinero para permitir que el programa siga mejorando ;). Para las "
          "empresas es obligación."},
         {"Enviar Su&gerencias.", "", "Permite enviar sugerecias sobre el programa a Tevo Soft"},
         {"&Suscribirse", "", "Suscripción / Cancelar suscripción."},
         {"Página web Tevo Riviva 2.0", "",
          "Ir a la página web de Tevo Riviva 2, (Noticias, FAQ, etc)"},
         {"&Buscar nueva versión.", "", "Revisa si hay una nueva versión disponible para bajar."},
         {"&Acerca de Tevo Riviva 2.0.2", "", "Acerca de Tevo Riviva 2.0"}});
    expectMenu(w.pmregistro,
               {{"Copiar", "", "Copia el texto al portapapeles de windows"},
                {"C&opiar todo los campos", "Ctrl+Alt+C", nullptr},
                {"Editar registro", "Ctrl+M",
                 "Permite editar el registro que se muestra actualmente en pantalla"},
                {"Marcar número", "Ctrl+T", "Marcar número telefónico."},
                {"Imprimir registro ...", "Ctrl+I", "Permite Imprimir el registro actual"}});
}

TEST_F(MainWindowTest, ButtonRowCaptionsAndHints) {
    ordinaryStart(personsNamed({"ANA"}));
    TForm1& w = start();
    struct B {
        QPushButton* button;
        const char* caption;
        const char* hint;
    } buttons[] = {
        {w.bimprimir, "Impr...", "Abre formulario para imprimir registro."},
        {w.bnuevo, "Nuevo", "Permite ingresar un nuevo registro al archivo"},
        {w.bmodificar, "Editar", "Permite modificar (editar) el contenido de este registro"},
        {w.beliminar, "Eliminar", "Elimina el registro que se ve en este momento."},
        {w.elboton, "Buscar", nullptr},
        {w.bmarcar, "Marcar", "Abre el cuadro de diálogos Marcar número telefónico"},
    };
    for (const auto& b : buttons) {
        EXPECT_EQ(b.button->text(), QString(b.caption));
        if (b.hint) {
            EXPECT_EQ(b.button->toolTip(), QString(b.hint));
        }
    }
    EXPECT_EQ(w.visorreg->toolTip(), "Muestra la posición del registro dentro del archivo");
    EXPECT_EQ(w.imgpersonas->toolTip(),
              "Usted está actualmente trabajando con un archivo de Personas");
    EXPECT_EQ(w.imgempresas->toolTip(),
              "Usted está actualmente trabajando con el archivo de empresas (Organizaciones)");
}

TEST_F(MainWindowTest, EveryMenuShortcutActsWithTheCursorInASearchBox) {
    ordinaryStart(personsNamed({"ANA"}), companiesNamed({"ACME"}));
    TForm1& w = start();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    // No box keeps a key of the menus for an editing binding of its own.
    int shortcuts = 0;
    for (QAction* action : w.findChildren<QAction*>()) {
        // A disabled item leaves its key to the box: Ctrl+Z with nothing to undo in the file
        // undoes the typing.
        if (action->shortcut().isEmpty() || action->shortcutContext() == Qt::WidgetShortcut ||
            !action->isEnabled())
            continue;
        ++shortcuts;
        const QKeyCombination key = action->shortcut()[0];
        for (QLineEdit* box : {static_cast<QLineEdit*>(w.cuadro1), w.Edit3}) {
            QKeyEvent override(QEvent::ShortcutOverride, key.key(), key.keyboardModifiers());
            QApplication::sendEvent(box, &override);
            EXPECT_FALSE(override.isAccepted()) << box->objectName().toStdString() << " keeps "
                                                << action->shortcut().toString().toStdString();
        }
    }
    EXPECT_GE(shortcuts, 10);
    // Ctrl+E from box 1, where the box would take it as "end of line".
    w.cuadro1->setFocus();
    QTest::keyClick(w.cuadro1, Qt::Key_E, Qt::ControlModifier);
    EXPECT_EQ(w.windowTitle(), "Tevo Riviva 2 -> Buscar Empresas");
    QTest::keyClick(w.cuadro1, Qt::Key_P, Qt::ControlModifier);
    EXPECT_EQ(w.windowTitle(), "Tevo Riviva 2 -> Buscar Personas");
    // Typing and the box's own keys stay the box's.
    QTest::keyClicks(w.cuadro1, "an");
    QTest::keyClick(w.cuadro1, Qt::Key_Home);
    EXPECT_EQ(w.cuadro1->text(), "AN");
    EXPECT_EQ(w.cuadro1->cursorPosition(), 0);
}
