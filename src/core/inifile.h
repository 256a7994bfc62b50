// The settings file "inicio.ini": key=value lines in Windows-1252, CR LF line ends, section and
// key names matched without regard to case. Each call reads or writes the file anew, key by key;
// other sections, keys and comments are kept.
#pragma once

#include <filesystem>
#include <string>

namespace core {

namespace fs = std::filesystem;

class IniFile {
  public:
    explicit IniFile(fs::path path) : path_(std::move(path)) {}

    const fs::path& path() const { return path_; }

    std::string readString(const std::string& section, const std::string& key,
                           const std::string& fallback) const;
    // A missing value, or one that is not a decimal number, reads as the fallback.
    int readInteger(const std::string& section, const std::string& key, int fallback) const;
    // True when its integer value is non-zero.
    bool readBool(const std::string& section, const std::string& key, bool fallback) const;

    // A value that cannot be written throws IoError naming the settings file (or its folder,
    // when the folder refused a new file); the file is then as it was. A symbolic link is
    // written through to its target. Only a regular file is read: anything else under the name
    // is reported like an unreadable file.
    void writeString(const std::string& section, const std::string& key, const std::string& value);
    void writeInteger(const std::string& section, const std::string& key, int value);
    void writeBool(const std::string& section, const std::string& key, bool value);

  private:
    fs::path path_;
};

} // namespace core
