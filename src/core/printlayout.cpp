#include "core/printlayout.h"

#include <algorithm>

namespace core {

namespace {

class Layouter {
  public:
    Layouter(int width, int height, const TextMeasurer& m)
        : width_(width), height_(height), m_(m) {}

    void piece(std::u32string_view s) {
        while (!s.empty()) {
            const int w = m_.width(s);
            if (x_ + w <= width_) {
                draw(s, w);
                return;
            }
            std::size_t k = fitting(s, width_ - x_);
            // A character wider than the whole line still takes a line of its own; otherwise
            // the rest would never get shorter.
            if (k == 0 && x_ == 0)
                k = 1;
            if (k > 0)
                draw(s.substr(0, k), m_.width(s.substr(0, k)));
            endLine();
            s.remove_prefix(k);
        }
    }

    void endLine() {
        if (lineHeight_ == 0) {
            const int h = m_.charHeight();
            breakBefore(h);
            y_ += h;
        } else {
            y_ += lineHeight_;
        }
        x_ = 0;
        lineHeight_ = 0;
    }

    void tab() {
        const int w = std::max(1, 8 * m_.averageCharWidth());
        x_ += w - ((x_ + w + 1) % w) + 1;
        if (x_ > width_)
            endLine();
    }

    void formFeed() {
        newPage();
        x_ = 0;
    }

    PrintLayout result() { return std::move(layout_); }

  private:
    // The longest beginning of s that is at most `room` wide.
    std::size_t fitting(std::u32string_view s, int room) const {
        std::size_t low = 0, high = s.size(); // width(low chars) fits, width(high) does not
        while (high - low > 1) {
            const std::size_t mid = (low + high) / 2;
            if (m_.width(s.substr(0, mid)) <= room)
                low = mid;
            else
                high = mid;
        }
        return low;
    }

    void draw(std::u32string_view s, int w) {
        const int h = m_.height(s);
        const int lineHeight = h > lineHeight_ ? h + 2 : lineHeight_;
        // The first piece fixes the line's height: a line that would reach below the page
        // goes on the next one.
        if (lineHeight_ == 0)
            breakBefore(lineHeight);
        layout_.pieces.push_back({layout_.pages - 1, x_, y_, std::u32string(s)});
        x_ += w;
        lineHeight_ = lineHeight;
    }

    void breakBefore(int lineHeight) {
        if (y_ > 0 && y_ + lineHeight > height_)
            newPage();
    }

    void newPage() {
        ++layout_.pages;
        y_ = 0;
        lineHeight_ = 0;
    }

    const int width_, height_;
    const TextMeasurer& m_;
    int x_ = 0, y_ = 0, lineHeight_ = 0;
    PrintLayout layout_;
};

} // namespace

PrintLayout layoutText(std::u32string_view text, int pageWidth, int pageHeight,
                       const TextMeasurer& measurer) {
    Layouter out(pageWidth, pageHeight, measurer);
    std::size_t start = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        const char32_t c = i < text.size() ? text[i] : U'\r';
        if (c != U'\n' && c != U'\r' && c != U'\t' && c != U'\f')
            continue;
        out.piece(text.substr(start, i - start));
        start = i + 1;
        if (c == U'\n')
            out.endLine();
        else if (c == U'\t')
            out.tab();
        else if (c == U'\f')
            out.formFeed();
    }
    return out.result();
}

} // namespace core
