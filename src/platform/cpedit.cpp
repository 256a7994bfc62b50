#include "platform/cpedit.h"

#include "platform/text.h"

namespace platform {

QValidator::State Cp1252Validator::validate(QString& input, int&) const {
    if (!fitsCp1252(input)) {
        emit refused();
        return Invalid;
    }
    if (upper_)
        input = upperCp1252(input);
    return Acceptable;
}

CpLineEdit::CpLineEdit(bool upperCase, int maxLength, QWidget* parent) : QLineEdit(parent) {
    auto* validator = new Cp1252Validator(upperCase, this);
    connect(validator, &Cp1252Validator::refused, this, &CpLineEdit::refused);
    setValidator(validator);
    setMaxLength(maxLength);
}

QString CpLineEdit::refusedText() {
    return "Ese carácter no se puede guardar en los archivos de Tevo Riviva 2.";
}

} // namespace platform
