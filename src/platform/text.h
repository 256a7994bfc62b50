// The one place where Windows-1252 bytes become QString and back.
#pragma once

#include <QString>
#include <filesystem>
#include <optional>
#include <string>

namespace platform {

QString toQ(const std::string& bytes);
// Every character must be one Windows-1252 holds; the UI refuses the others as they are typed.
std::string fromQ(const QString& text);
// File names are not record texts: they go to the file system in its own encoding.
std::filesystem::path toPath(const QString& fileName);

// Whether every character of the text has a Windows-1252 byte.
bool fitsCp1252(const QString& text);
// The text with each character upper-cased by the code page's rule.
QString upperCp1252(const QString& text);

} // namespace platform
