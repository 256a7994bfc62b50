// A single-line box that only takes what Windows-1252 can hold, optionally upper-casing each
// character as it is typed or pasted.
#pragma once

#include <QLineEdit>
#include <QValidator>

namespace platform {

class Cp1252Validator : public QValidator {
    Q_OBJECT
  public:
    Cp1252Validator(bool upperCase, QObject* parent) : QValidator(parent), upper_(upperCase) {}
    State validate(QString& input, int& pos) const override;

  signals:
    // A character was refused because the code page cannot hold it.
    void refused() const;

  private:
    bool upper_;
};

class CpLineEdit : public QLineEdit {
    Q_OBJECT
  public:
    CpLineEdit(bool upperCase, int maxLength, QWidget* parent = nullptr);

    // What the status bar says when a character is refused.
    static QString refusedText();

  signals:
    void refused();
};

} // namespace platform
