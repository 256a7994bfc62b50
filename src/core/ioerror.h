// The one error type of file and settings input and output; it keeps the system's error number.
#pragma once

#include <stdexcept>
#include <string>

namespace core {

class IoError : public std::runtime_error {
  public:
    // context, when given, names what failed (the settings file, a registry value) after the
    // description.
    explicit IoError(int errnum, const std::string& context = {});

    int errnum() const { return errnum_; }
    const std::string& context() const { return context_; }
    // "File not found", "File access denied", "Disk full" or "I/O error N".
    static std::string describe(int errnum);

  private:
    int errnum_;
    std::string context_;
};

} // namespace core
