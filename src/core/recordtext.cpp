#include "core/recordtext.h"

namespace core {

namespace {

// 13-character labels of slots 1 to 8 (Windows-1252).
constexpr const char* kPersonLabels[] = {"Tel. Fijo  : ",
                                         "Tel. M\xF3"
                                         "vil : ",
                                         "Otro Tel.  : ",
                                         "Direcci\xF3"
                                         "n  : ",
                                         "E - Mail 1 : ",
                                         "E - Mail 2 : ",
                                         "Sitio Web  : ",
                                         "Comentarios: "};
constexpr const char* kCompanyLabels[] = {"Rubro      : ",
                                          "Num. Telef.: ",
                                          "N\xFA"
                                          "mero Fax : ",
                                          "Sitio Web  : ",
                                          "E - Mail   : ",
                                          "Contactos  : ",
                                          "Direcci\xF3"
                                          "n  : ",
                                          "Comentarios: "};

} // namespace

std::vector<std::string> sheetLines(const ShownTexts& shown, const std::string& number,
                                    bool persons, const SheetOptions& options) {
    std::vector<std::string> lines;
    if (options.number)
        lines.push_back(number);
    if (options.type)
        lines.push_back(persons ? "< Tipo: Persona >"
                                : "< Tipo: Organizaci\xF3"
                                  "n >");
    lines.push_back("Nombre     : " + shown[0]);
    const char* const* labels = persons ? kPersonLabels : kCompanyLabels;
    // A field of blanks counts as filled.
    for (int slot = 1; slot < kSlotCount; ++slot)
        if (!shown[slot].empty())
            lines.push_back(labels[slot - 1] + shown[slot]);
    if (options.blankLine)
        lines.emplace_back();
    return lines;
}

std::string clipboardText(const ShownTexts& shown, const std::string& number, bool persons) {
    std::string text;
    for (const std::string& line : sheetLines(shown, number, persons, {true, false, false}))
        text += line + "\r\n";
    return text;
}

} // namespace core
