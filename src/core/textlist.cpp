// The text list: a heading, then one block per record with its number, its name and each
// filled field behind a 12-character label.
#include "core/exportfile.h"
#include "core/exports.h"

#include <array>
#include <cstring>

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

// The labels padded to 16 bytes: each goes into the list with one copy of a fixed size, and
// the 4 bytes beyond it are covered by the text that follows.
struct Label {
    char bytes[16] = {};
};
constexpr std::size_t kLabelWidth = 12;
// Every label is kLabelWidth wide, or the list would not compile.
constexpr std::array<Label, kSlotCount - 1> padded(const std::string_view (&labels)[8]) {
    std::array<Label, kSlotCount - 1> out{};
    for (std::size_t i = 0; i < out.size(); ++i) {
        if (labels[i].size() != kLabelWidth)
            throw "a label of another width";
        for (std::size_t k = 0; k < kLabelWidth; ++k)
            out[i].bytes[k] = labels[i][k];
    }
    return out;
}
constexpr auto kPersonPadded = padded(kPersonLabels);
constexpr auto kCompanyPadded = padded(kCompanyLabels);
constexpr std::string_view kNameLabel = " Nombre: ";

// The record number in decimal and the name's label behind it, counted up in place rather than
// converted anew for each record.
class Counter {
  public:
    Counter() {
        for (std::size_t k = 0; k < kNameLabel.size(); ++k)
            digits_[kWidth + k] = kNameLabel[k];
    }
    std::string_view next() {
        int i = kWidth - 1;
        for (; i >= first_ && digits_[i] == '9'; --i)
            digits_[i] = '0';
        if (i < first_)
            digits_[first_ = i] = '1';
        else
            ++digits_[i];
        return {digits_ + first_, kWidth - first_ + kNameLabel.size()};
    }

  private:
    static constexpr int kWidth = 20;
    char digits_[kWidth + kNameLabel.size()] = {};
    int first_ = kWidth;
};

// The most one record's block takes: the number and the name line, eight labelled lines, the
// blank line, and the padding of the last label.
constexpr std::size_t kLongestBlock = [] {
    std::size_t n = 20 + kNameLabel.size() + kSlots[0].capacity + 2 + 2 + 16;
    for (int slot = 1; slot < kSlotCount; ++slot)
        n += kLabelWidth + kSlots[slot].capacity + 2;
    return n;
}();

// One record's block, written straight into the room the output holds for it; returns its end.
char* writeBlock(char* out, std::string_view number, const unsigned char* record,
                 const std::array<Label, kSlotCount - 1>& labels) {
    const auto put = [&out](std::string_view text) {
        exportfile::copyShort(out, text.data(), text.size());
        out += text.size();
    };
    const auto endLine = [&out] {
        std::memcpy(out, "\r\n", 2);
        out += 2;
    };
    put(number);
    put(exportfile::slotText(record, 0));
    endLine();
    // A field of blanks is written; only an empty one is left out.
    for (int slot = 1; slot < kSlotCount; ++slot) {
        const std::string_view text = exportfile::slotText(record, slot);
        if (text.empty())
            continue;
        std::memcpy(out, labels[slot - 1].bytes, sizeof labels[slot - 1].bytes);
        out += kLabelWidth;
        put(text);
        endLine();
    }
    endLine();
    return out;
}

} // namespace

void writeTextList(const fs::path& dataFile, bool persons, const fs::path& out) {
    fileio::File file = fileio::createTruncate(out);
    exportfile::RecordReader records(dataFile);
    exportfile::OutputBuffer lines(file);
    lines.line(persons ? "Archivo TXT de Personas. Tevo Riviva 2.0"
                       : "Archivo TXT de Empresas. Tevo Riviva 2.0");
    lines.line("Presione F3 para buscar.");
    lines.endLine();
    const auto& labels = persons ? kPersonPadded : kCompanyPadded;
    Counter number;
    while (const unsigned char* r = records.next()) {
        lines.used(writeBlock(lines.room(kLongestBlock), number.next(), r, labels));
        lines.writeIfFull();
    }
    records.close();
    lines.flush();
    file.close();
}

} // namespace core
