// Laying the print sheet out on pages, against a font of fixed-width characters.
#include "core/printlayout.h"

#include <gtest/gtest.h>

using namespace core;

namespace {

// Every character is `advance` wide (a "W" three times as wide) and 12 high.
class FixedFont : public TextMeasurer {
  public:
    int advance = 10;
    int width(std::u32string_view text) const override {
        int w = 0;
        for (char32_t c : text)
            w += c == U'W' ? 3 * advance : advance;
        return w;
    }
    int height(std::u32string_view) const override { return 12; }
    int charHeight() const override { return 12; }
    int averageCharWidth() const override { return advance; }
};

std::vector<PlacedText> on(std::initializer_list<PlacedText> pieces) {
    return pieces;
}

} // namespace

TEST(PrintLayout, LongLinesTabsAndFormFeeds) {
    FixedFont font;
    // A line wider than the page is cut at a character, not at a word; lines are 12 + 2 high.
    auto layout = layoutText(U"abcd efghij\nxy\n", 95, 1000, font);
    EXPECT_EQ(layout.pieces, on({{0, 0, 0, U"abcd efgh"}, {0, 0, 14, U"ij"}, {0, 0, 28, U"xy"}}));

    // Tabs go to multiples of eight average characters; a carriage return alone only ends a
    // piece; a form feed starts a page.
    layout = layoutText(U"a\tb\rc\n\tW\fd", 1000, 1000, font);
    EXPECT_EQ(layout.pieces, on({{0, 0, 0, U"a"},
                                 {0, 80, 0, U"b"},
                                 {0, 90, 0, U"c"},
                                 {0, 80, 14, U"W"},
                                 {1, 0, 0, U"d"}}));
    EXPECT_EQ(layout.pages, 2);

    // A tab past the page's width starts a new line.
    layout = layoutText(U"abcdefgh\tX", 85, 1000, font);
    EXPECT_EQ(layout.pieces, on({{0, 0, 0, U"abcdefgh"}, {0, 0, 14, U"X"}}));
}

TEST(PrintLayout, EndsWhenACharacterIsWiderThanTheLine) {
    FixedFont font;
    // "W" is 30 wide on a 25-wide page: one character a line, never an endless loop.
    auto layout = layoutText(U"WaW\n", 25, 1000, font);
    EXPECT_EQ(layout.pieces, on({{0, 0, 0, U"W"}, {0, 0, 14, U"a"}, {0, 0, 28, U"W"}}));
    // A "W" too wide for what is left of a line goes to the next one, even where it would fit
    // there; a piece that fills the line exactly stays whole.
    layout = layoutText(U"abW\nabcW\n", 40, 1000, font);
    EXPECT_EQ(layout.pieces,
              on({{0, 0, 0, U"ab"}, {0, 0, 14, U"W"}, {0, 0, 28, U"abc"}, {0, 0, 42, U"W"}}));
    layout = layoutText(U"abcd\n", 40, 1000, font);
    EXPECT_EQ(layout.pieces, on({{0, 0, 0, U"abcd"}}));
    // The same where the rest of the line begins behind a tab or a lone carriage return.
    layout = layoutText(U"a\tW\n", 100, 1000, font);
    EXPECT_EQ(layout.pieces, on({{0, 0, 0, U"a"}, {0, 0, 14, U"W"}}));
    layout = layoutText(U"abc\rW\n", 40, 1000, font);
    EXPECT_EQ(layout.pieces, on({{0, 0, 0, U"abc"}, {0, 0, 14, U"W"}}));
    // A printer reporting no width and a font of no average width.
    font.advance = 0;
    layout = layoutText(U"\t\tab\n", 0, 1000, font);
    EXPECT_EQ(layout.pieces.size(), 1u);
}

TEST(PrintLayout, NoLineReachesBelowThePageAfterEmptyLines) {
    FixedFont font;
    // 50 high: a text line takes 14, an empty one 12. After "a" and two empty lines "b" would
    // end at 52; empty lines themselves move to the next page when they do not fit either.
    auto layout = layoutText(U"a\n\n\nb\nc\n\n\n\n\n\n\nd\n", 1000, 50, font);
    EXPECT_EQ(layout.pieces,
              on({{0, 0, 0, U"a"}, {1, 0, 0, U"b"}, {1, 0, 14, U"c"}, {3, 0, 12, U"d"}}));
    EXPECT_EQ(layout.pages, 4);
}
