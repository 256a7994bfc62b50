// Places a text on printed pages the way the print sheet is printed: pieces cut at a character
// where the line is full, tabs to multiples of eight average characters, form feeds. All
// measures are device units from the top-left corner of the printable area.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace core {

// The printer's font, as the layout needs it.
class TextMeasurer {
  public:
    virtual ~TextMeasurer() = default;
    virtual int width(std::u32string_view text) const = 0;
    // The height of a drawn piece.
    virtual int height(std::u32string_view text) const = 0;
    // The font's character height, which an empty line takes.
    virtual int charHeight() const = 0;
    virtual int averageCharWidth() const = 0;
};

struct PlacedText {
    int page; // 0-based
    int x, y;
    std::u32string text;
    bool operator==(const PlacedText& o) const {
        return page == o.page && x == o.x && y == o.y && text == o.text;
    }
};

struct PrintLayout {
    std::vector<PlacedText> pieces;
    int pages = 1; // including pages a form feed leaves empty
};

// Line feeds end lines; a carriage return only ends the current piece.
PrintLayout layoutText(std::u32string_view text, int pageWidth, int pageHeight,
                       const TextMeasurer& measurer);

} // namespace core
