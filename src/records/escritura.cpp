#include "records/escritura.h"

#include "platform/text.h"

namespace records {

using platform::Prompter;

void reportWrongKind(platform::Services& services, bool persons) {
    if (persons)
        services.prompter->messageBox(
            "El archivo seleccionado no es válido para ingresar registro. (no es de tipo personas)",
            "Error, No se ingreso registro al archivo (Código 108)");
    else
        services.prompter->messageBox("El archivo seleccionado no es valido para ingresar "
                                      "registro porque no es un archivo de Organizaciones.",
                                      "Error, No se ingreso registro al archivo (Código 109)");
}

void reportRewriteFailure(platform::Services& services, const QString& file,
                          core::RewriteFailure failure, std::int32_t kind) {
    switch (failure) {
    case core::RewriteFailure::None:
        return;
    case core::RewriteFailure::CloseTemp:
        services.prompter->messageDialog(
            "Error de acceso a archivo en función ingresa datos. Código: 101",
            Prompter::Icon::Error, Prompter::OK);
        return;
    case core::RewriteFailure::CloseData:
        services.prompter->messageDialog(
            "Error de acceso a archivo en función ingresa datos. Código: 102",
            Prompter::Icon::Error, Prompter::OK);
        return;
    case core::RewriteFailure::Rename:
        services.prompter->showMessage(
            "Error, no se pudo ingresar registro [Rename error] (Código:104) " + file);
        return;
    case core::RewriteFailure::Changed:
        services.prompter->messageDialog(
            "El archivo " + file +
                " fue cambiado desde otra ventana del programa después de mostrar este "
                "registro. No se ha realizado ningún cambio; revise el registro que se muestra "
                "ahora y vuelva a intentarlo.",
            Prompter::Icon::Warning, Prompter::OK);
        return;
    case core::RewriteFailure::WrongKind:
        reportWrongKind(services, kind != core::kTagCompany);
        return;
    }
}

namespace {
std::int64_t finish(platform::Services& services, const QString& file,
                    const core::RewriteResult& result, std::int32_t kind) {
    reportRewriteFailure(services, file, result.failure, kind);
    return result.position;
}
} // namespace

std::string changeLabel(const std::string& verb, const core::Record& record) {
    const std::string& name = record.texts[0];
    return verb + " " + (name.empty() ? std::string("un registro sin nombre") : name);
}

std::int64_t ingresardatos(platform::Services& services, const QString& file,
                           const core::Record& record, std::int64_t position) {
    std::array<std::string, 8> others;
    for (int i = 1; i < core::kSlotCount; ++i)
        others[i - 1] = record.texts[i];
    return finish(
        services, file,
        core::ingresardatos(platform::toPath(file), record.texts[0], others, record.tag, position),
        record.tag);
}

std::int64_t modificar(platform::Services& services, const QString& file, std::int64_t n,
                       const core::Record& edited) {
    return finish(services, file, core::modificar(platform::toPath(file), n, edited), edited.tag);
}

std::int64_t eliminar(platform::Services& services, const QString& file, std::int64_t n,
                      const core::Record& shown) {
    return finish(services, file, core::eliminar(platform::toPath(file), n, &shown), shown.tag);
}

std::int64_t modificar(platform::Services& services, const QString& file, std::int64_t n,
                       const core::Record& edited, const core::Record& shown) {
    return finish(services, file, core::modificar(platform::toPath(file), n, edited, &shown),
                  edited.tag);
}

} // namespace records
