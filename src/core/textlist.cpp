// The text list: a heading, then one block per record with its number, its name and each
// filled field behind a 12-character label.
#include "core/exportfile.h"
#include "core/exports.h"

namespace core {

namespace {

// Labels of slots 1 to 8, in slot order (Windows-1252).
constexpr std::string_view kPersonLabels[] = {"Tel. fijo : ",
                                              "Tel. movil: ",
                                              "Otro telef: ",
                                              "Direcci\xF3"
                                              "n : ",
                                              "E-Mail    : ",
                                              "E-Mail 2  : ",
                                              "P\xE1"
                                              "gina web: ",
                                              "Inf adicio: "};
constexpr std::string_view kCompanyLabels[] = {"Rubro/giro: ",
                                               "Num. telef: ",
                                               "Num Fax   : ",
                                               "Sitio web : ",
                                               "E-Mail    : ",
                                               "Contactos : ",
                                               "Direcci\xF3"
                                               "n : ",
                                               "Inf adicio: "};

// The record number in decimal, counted up in place rather than converted anew for each record.
class Counter {
  public:
    std::string_view next() {
        int i = kWidth - 1;
        for (; i >= first_ && digits_[i] == '9'; --i)
            digits_[i] = '0';
        if (i < first_)
            digits_[first_ = i] = '1';
        else
            ++digits_[i];
        return {digits_ + first_, static_cast<std::size_t>(kWidth - first_)};
    }

  private:
    static constexpr int kWidth = 20;
    char digits_[kWidth] = {};
    int first_ = kWidth;
};

} // namespace

void writeTextList(const fs::path& dataFile, bool persons, const fs::path& out) {
    fileio::File file = fileio::createTruncate(out);
    exportfile::RecordReader records(dataFile);
    exportfile::OutputBuffer lines(file);
    lines.line(persons ? "Archivo TXT de Personas. Tevo Riviva 2.0"
                       : "Archivo TXT de Empresas. Tevo Riviva 2.0");
    lines.line("Presione F3 para buscar.");
    lines.endLine();
    const std::string_view* labels = persons ? kPersonLabels : kCompanyLabels;
    Counter number;
    while (const unsigned char* r = records.next()) {
        lines.append(number.next());
        lines.append(" Nombre: ");
        lines.line(exportfile::slotText(r, 0));
        // A field of blanks is written; only an empty one is left out.
        for (int slot = 1; slot < kSlotCount; ++slot) {
            const std::string_view text = exportfile::slotText(r, slot);
            if (text.empty())
                continue;
            lines.append(labels[slot - 1]);
            lines.line(text);
        }
        lines.endLine();
        lines.writeIfFull();
    }
    records.close();
    lines.flush();
    file.close();
}

} // namespace core
