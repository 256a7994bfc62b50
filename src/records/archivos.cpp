#include "records/archivos.h"

#include "core/changelabel.h"
#include "core/datafile.h"
#include "core/fileio.h"
#include "platform/text.h"

#include <filesystem>

namespace records {

using platform::Prompter;

using platform::toPath;

void initFileDialogs(platform::FileDialogs& dialogs) {
    dialogs.open.title = "Importar archivo desde Tevo Riviva 1";
    dialogs.open.filter = "Archivo de personas, version 1|vivazo01.dat|Archivo de empresas, "
                          "versión 1|dodidi02.dat";
    dialogs.open.defaultExt = "*.dat";
    dialogs.open.fileName.clear();
    dialogs.save.title = "Guardar nuevo archivo de Tevo Riviva 2";
    dialogs.save.filter = "Archivo de Tevo Riviva 2 DAT|*.dat";
    dialogs.save.fileName = "*.dat";
    dialogs.save.defaultExt = "dat";
}

QString withDataExtension(const QString& chosen) {
    int slash = std::max(chosen.lastIndexOf('/'), chosen.lastIndexOf('\\'));
    int dot = chosen.lastIndexOf('.');
    QString ext = dot > slash ? chosen.mid(dot) : QString();
    if (ext == ".dat" || ext == ".DAT")
        return chosen;
    return chosen + ".dat";
}

bool sobreescribir(platform::Services& services, const QString& fileName) {
    auto path = toPath(fileName);
    if (!core::fileio::exists(path))
        return true;
    if (core::fileio::isReadOnly(path))
        services.prompter->messageDialog(
            "El archivo " + fileName +
                " es de Solo Lectura. Para utilizarlo, debe quitar la marca de \"Solo Lectura\" o "
                "sobre escribirlo (borrarlo).",
            Prompter::Icon::Error, Prompter::Yes);
    return services.prompter->messageDialog(
               "El archivo " + fileName + " ya existe ¿Desea sobre escribir el archivo?",
               Prompter::Icon::Warning, Prompter::Yes | Prompter::No) == Prompter::Yes;
}

bool isOneOf(const QString& fileName, const QStringList& files) {
    for (const QString& file : files)
        if (core::fileio::sameFile(toPath(fileName), toPath(file)))
            return true;
    return false;
}

QString inUseText(const QString& fileName) {
    return "El archivo " + fileName +
           " está en uso como archivo de trabajo y no se puede reemplazar. Debe especificar un "
           "nuevo archivo";
}

QString chooseNewFile(platform::Services& services, QWidget* owner, const QStringList& keep) {
    services.fileDialogs->save.title = "Nuevo Archivo Tevo Riviva.";
    auto chosen = services.fileDialogs->runSave(owner);
    if (!chosen)
        return {};
    QString name = withDataExtension(*chosen);
    // Creating the file would empty it before anything was read from it.
    if (isOneOf(name, keep)) {
        services.prompter->messageBox(inUseText(name), "No se creó archivo nuevo",
                                      Prompter::Icon::Error, Prompter::OK);
        return {};
    }
    if (!sobreescribir(services, name)) {
        services.prompter->messageDialog("No se creó archivo nuevo", Prompter::Icon::Information,
                                         Prompter::Yes);
        return {};
    }
    return name;
}

QString newfile(platform::Services& services, QWidget* owner, const QStringList& keep) {
    const QString name = chooseNewFile(services, owner, keep);
    if (!name.isEmpty()) {
        // A file it replaces can be had back with "Deshacer" when that file is in view.
        const core::ChangeLabel label("crear archivo nuevo");
        core::createEmptyDataFile(toPath(name));
    }
    return name;
}

} // namespace records
