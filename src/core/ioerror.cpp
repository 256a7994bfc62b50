#include "core/ioerror.h"

#include <cerrno>

namespace core {

namespace {
std::string message(int errnum, const std::string& context) {
    std::string text = IoError::describe(errnum);
    if (!context.empty())
        text += ": " + context;
    return text;
}
} // namespace

IoError::IoError(int errnum, const std::string& context)
    : std::runtime_error(message(errnum, context)), errnum_(errnum), context_(context) {}

std::string IoError::describe(int errnum) {
    switch (errnum) {
    case ENOENT:
        return "File not found";
    case EACCES:
    case EPERM:
    case EROFS:
        return "File access denied";
    case ENOSPC:
        return "Disk full";
    default:
        return "I/O error " + std::to_string(errnum);
    }
}

} // namespace core
