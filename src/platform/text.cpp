#include "platform/text.h"

#include "core/cp1252.h"

#include <QFile>

namespace platform {

QString toQ(const std::string& bytes) {
    QString out;
    out.reserve(static_cast<int>(bytes.size()));
    for (unsigned char b : bytes)
        out.append(QChar(static_cast<char16_t>(core::cp1252ToUnicode(b))));
    return out;
}

std::string fromQ(const QString& text) {
    std::string out;
    out.reserve(static_cast<size_t>(text.size()));
    for (QChar c : text) {
        int b = core::unicodeToCp1252(c.unicode());
        out.push_back(static_cast<char>(b < 0 ? '?' : b));
    }
    return out;
}

std::filesystem::path toPath(const QString& fileName) {
    return std::filesystem::path(QFile::encodeName(fileName).toStdString());
}

bool fitsCp1252(const QString& text) {
    for (QChar c : text)
        if (c.isSurrogate() || core::unicodeToCp1252(c.unicode()) < 0)
            return false;
    return true;
}

QString upperCp1252(const QString& text) {
    if (!fitsCp1252(text))
        return text;
    return toQ(core::upperCp1252(fromQ(text)));
}

} // namespace platform
