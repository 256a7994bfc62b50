// The text list: a heading, then one block per record with its number, its name and each
// filled field behind a 12-character label.
#include "core/exportfile.h"
#include "core/exports.h"

namespace core {

namespace {

// Labels of slots 1 to 8, in slot order (Windows-1252).
constexpr const char* kPersonLabels[] = {"Tel. fijo : ",
                                         "Tel. movil: ",
                                         "Otro telef: ",
                                         "Direcci\xF3"
                                         "n : ",
                                         "E-Mail    : ",
                                         "E-Mail 2  : ",
                                         "P\xE1"
                                         "gina web: ",
                                         "Inf adicio: "};
constexpr const char* kCompanyLabels[] = {"Rubro/giro: ",
                                          "Num. telef: ",
                                          "Num Fax   : ",
                                          "Sitio web : ",
                                          "E-Mail    : ",
                                          "Contactos : ",
                                          "Direcci\xF3"
                                          "n : ",
                                          "Inf adicio: "};

} // namespace

void writeTextList(const fs::path& dataFile, bool persons, const fs::path& out) {
    fileio::File file = fileio::createTruncate(out);
    exportfile::RecordReader records(dataFile);
    exportfile::LineWriter lines(file);
    lines.line(persons ? "Archivo TXT de Personas. Tevo Riviva 2.0"
                       : "Archivo TXT de Empresas. Tevo Riviva 2.0");
    lines.line("Presione F3 para buscar.");
    lines.line("");
    const char* const* labels = persons ? kPersonLabels : kCompanyLabels;
    Record r;
    while (records.next(r)) {
        lines.line(std::to_string(records.number()) + " Nombre: " + r.texts[0]);
        // A field of blanks is written; only an empty one is left out.
        for (int slot = 1; slot < kSlotCount; ++slot)
            if (!r.texts[slot].empty())
                lines.line(labels[slot - 1] + r.texts[slot]);
        lines.line("");
    }
    records.close();
    lines.flush();
    file.close();
}

} // namespace core
