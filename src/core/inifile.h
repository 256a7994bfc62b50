// The settings file "inicio.ini": key=value lines in Windows-1252, CR LF line ends, section and
// key names matched without regard to case. Each call reads or writes the file anew, key by key,
// unless the file is held; other sections, keys and comments are kept.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace core {

namespace fs = std::filesystem;

class IniFile {
  public:
    explicit IniFile(fs::path path);
    ~IniFile();

    const fs::path& path() const { return path_; }

    std::string readString(const std::string& section, const std::string& key,
                           const std::string& fallback) const;
    // A missing value, or one that is not a decimal number, reads as the fallback.
    int readInteger(const std::string& section, const std::string& key, int fallback) const;
    // True when its integer value is non-zero.
    bool readBool(const std::string& section, const std::string& key, bool fallback) const;

    // A value that cannot be written throws IoError naming the settings file (or its folder,
    // when the folder refused a new file); the file is then as it was. Only a regular file is
    // read: with anything else under the name (a folder, a pipe) every value reads as its
    // fallback, and a write is refused with EACCES. A symbolic link is read through, but never
    // written through: the first write replaces the link by a regular file of the same name and
    // leaves the file it led to as it was.
    void writeString(const std::string& section, const std::string& key, const std::string& value);
    void writeInteger(const std::string& section, const std::string& key, int value);
    void writeBool(const std::string& section, const std::string& key, bool value);

    // Reads the file once; until commit(), reads and writes work on that copy, so a block of
    // settings costs one read and reaches the disk as one replacement: all of it or nothing.
    void hold();
    // Writes the held copy back in one replacement when anything was written, and lets go.
    void commit();

  private:
    class Settings;
    static std::unique_ptr<Settings> load(const fs::path& path);
    std::optional<std::string> lookup(const std::string& section, const std::string& key) const;
    std::optional<int> lookupInteger(const std::string& section, const std::string& key) const;
    void save(const Settings& settings);

    fs::path path_;
    std::unique_ptr<Settings> held_;
    bool dirty_ = false;
};

} // namespace core
