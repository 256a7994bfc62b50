// The program's main window over the files of a folder, with the desktop's real seams and
// nobody at the screen, for timing what a key typed into box 1 runs: from the key's event,
// through the window's own handlers, to the record shown (read and put into the fields; the
// painting is left to the next frame).
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace bench {

namespace fs = std::filesystem;

class TypingWindow {
  public:
    // The folder is the program directory: its persona1.dat and empresa1.dat are opened, the
    // settings live in its subfolder config.
    explicit TypingWindow(const fs::path& folder);
    ~TypingWindow();
    TypingWindow(const TypingWindow&) = delete;
    TypingWindow& operator=(const TypingWindow&) = delete;

    // Empties both boxes, then types the text (Windows-1252) into box 1 a key at a time; the
    // seconds of each key, from its event to the record shown, as a clock on the wall and as
    // this thread's processor time (which a busy machine does not stretch).
    //
    // With a pause, the window's event loop runs for that many milliseconds between keys, as
    // it does while a person types; `longestWait` then takes the longest the loop was busy in
    // one go (a key typed then would wait that long before its own handling starts).
    struct Key {
        double wall, cpu;
    };
    std::vector<Key> type(const std::string& text, int pauseMs = 0, double* longestWait = nullptr);
    std::int64_t shown() const; // the record in view
    bool found() const;         // whether the last search found a record

  private:
    struct Parts;
    Parts* parts_;
};

} // namespace bench
