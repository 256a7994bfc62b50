// The record on view as labelled lines: the lines a record adds to the print sheet and the
// text the clipboard receives. Both are built from what the display fields show.
#pragma once

#include "core/record.h"

#include <array>
#include <string>
#include <vector>

namespace core {

// The print sheet's three options.
struct SheetOptions {
    bool number = true;    // the record number (or "N/R") alone on the first line
    bool type = false;     // "< Tipo: Persona >" or "< Tipo: Organización >"
    bool blankLine = true; // an empty line after the record
};

using ShownTexts = std::array<std::string, kSlotCount>;

// `shown` holds the display fields' texts in slot order, `number` the record number as shown.
std::vector<std::string> sheetLines(const ShownTexts& shown, const std::string& number,
                                    bool persons, const SheetOptions& options);

// The number, the name and the filled fields, each line ended by CR LF.
std::string clipboardText(const ShownTexts& shown, const std::string& number, bool persons);

} // namespace core
