// SPDX-License-Identifier: MIT
#include "line_renderer.h"

#include <algorithm>
#include <string_view>
#include <utility>

#include "line_text.h"

namespace {

constexpr std::size_t kTabStop = 8;

// A control sequence that moves the cursor `count` cells in `direction` (A, B, C or D).
std::string cursorMotion(std::size_t count, char direction) {
    return "\x1b[" + (count > 1 ? std::to_string(count) : std::string()) + direction;
}

}  // namespace

void LineRenderer::draw(const std::string& line, std::size_t cursor, std::size_t changedFrom,
                        const LineSettings& settings, int width, std::string& output) {
    if (!settings.echo) {
        return;
    }
    const std::uint32_t newWidth = width > 0 ? static_cast<std::uint32_t>(width) : 0;
    if (newWidth != width_) {
        // Rows are found where they were before the change: a terminal keeps them, cutting or
        // padding each to the new width, but it may have moved the cursor into the new margin.
        if (!shown_.empty()) {
            output += '\r';
            cursor_.column = 0;
            moveTo({0, newWidth > 0 ? std::min(startColumn_, newWidth - 1) : startColumn_}, output);
            output += "\x1b[J";
        }
        width_ = newWidth;
        restart(width_ > 0 && startColumn_ >= width_ ? width_ - 1 : startColumn_);
    }
    if (settings.echoControl != echoControl_) {
        echoControl_ = settings.echoControl;
        changedFrom = 0;
    }
    const std::size_t kept = firstToLayOut(changedFrom);
    const Place start = kept == 0 ? Place{0, startColumn_} : after(shown_[kept - 1]);
    const std::size_t startByte = kept == 0 ? 0 : shown_[kept - 1].byte + shown_[kept - 1].length;
    std::vector<Glyph>& tail = laidOut_;
    layOut(line, startByte, start, settings, tail);
    std::size_t first = 0;
    while (first < tail.size() && kept + first < shown_.size() &&
           same(shown_[kept + first], tail[first], line)) {
        ++first;
    }
    const Place oldEnd = shown_.empty() ? Place{0, startColumn_} : after(shown_.back());
    const Place newEnd = tail.empty() ? start : after(tail.back());
    const Place wanted = placeOf(cursor, kept, tail, newEnd);
    const bool truncated = first == tail.size() && kept + first < shown_.size();
    if (truncated && cursor_ == oldEnd && wanted == newEnd && oldEnd.row == newEnd.row) {
        // Rubbed out at the end, as a terminal's own echo does it.
        for (std::size_t column = newEnd.column; column < oldEnd.column; ++column) {
            output += "\b \b";
        }
        cursor_ = newEnd;
    } else if (first < tail.size() || truncated) {
        if (kept + first + 1 == shown_.size() && first < tail.size() && cursor_ == oldEnd &&
            extends(shown_[kept + first], tail[first], line)) {
            // A mark that combines with the last character shown: written as typed.
            output.append(line, tail[first].byte + shown_[kept + first].length,
                          tail[first].length - shown_[kept + first].length);
            ++first;
        }
        moveTo(first == 0 ? start : after(tail[first - 1]), output);
        write(tail, first, line, oldEnd, output);
        if (cursor_ < oldEnd) {
            output += oldEnd.row > cursor_.row ? "\x1b[J" : "\x1b[K";
        }
    }
    moveTo(wanted, output);
    shown_.resize(kept);
    shown_.insert(shown_.end(), tail.begin(), tail.end());
    shownLine_.replace(startByte, std::string::npos, line, startByte, std::string::npos);
}

bool LineRenderer::atRowStart() const {
    return cursor_.column == 0 && cursor_.row > 0;
}

void LineRenderer::restart(std::size_t column) {
    shown_.clear();
    shownLine_.clear();
    startColumn_ = static_cast<std::uint32_t>(width_ > 0 ? column % width_ : column);
    cursor_ = {0, startColumn_};
}

// The glyphs before the one that shows the first byte changed are as they were, but for the one
// right before it, which a mark typed after it joins. A control character's two glyphs go
// together.
std::size_t LineRenderer::firstToLayOut(std::size_t changedFrom) const {
    std::size_t first = shown_.size();
    while (first > 0 && shown_[first - 1].byte >= changedFrom) {
        --first;
    }
    first -= first > 0 ? 1 : 0;
    while (first > 0 && shown_[first].kind == Glyph::Kind::ControlLetter) {
        --first;
    }
    return first;
}

// Where the glyph that shows `byte` stands, among the first `kept` glyphs shown and then `tail`;
// `end` for the line's end.
LineRenderer::Place LineRenderer::placeOf(std::size_t byte, std::size_t kept,
                                          const std::vector<Glyph>& tail, Place end) const {
    const auto before = [](const Glyph& glyph, std::size_t at) { return glyph.byte < at; };
    const auto keptEnd = shown_.begin() + static_cast<std::ptrdiff_t>(kept);
    const auto shown = std::lower_bound(shown_.begin(), keptEnd, byte, before);
    if (shown != keptEnd) {
        return shown->place;
    }
    const auto laidOut = std::lower_bound(tail.begin(), tail.end(), byte, before);
    return laidOut != tail.end() ? laidOut->place : end;
}

void LineRenderer::layOut(const std::string& line, std::size_t from, Place place,
                          const LineSettings& settings, std::vector<Glyph>& glyphs) const {
    glyphs.clear();
    for (std::size_t at = from; at < line.size();) {
        // Marks that combine go with the character before them, whether they are shown or not.
        Glyph glyph;
        glyph.byte = static_cast<std::uint32_t>(at);
        glyph.length = static_cast<std::uint32_t>(characterEnd(line, at, device_) - at);
        if (line[at] == '\t') {
            glyph.kind = Glyph::Kind::Tab;
            glyph.width = static_cast<std::uint8_t>(kTabStop - place.column % kTabStop);
            // Past the last tab stop, a terminal's tab stops at the margin.
            if (width_ > 0 && place.column + glyph.width > width_) {
                glyph.width = static_cast<std::uint8_t>(width_ - place.column);
            }
        } else if (isControl(line[at]) && settings.echoControl) {
            glyphs.push_back({glyph.byte, 0, Glyph::Kind::Caret, 1, place});
            place = after(glyphs.back());
            glyph.kind = Glyph::Kind::ControlLetter;
            glyph.width = 1;
        } else if (isControl(line[at])) {
            glyph.kind = Glyph::Kind::Control;
        } else {
            glyph.width = static_cast<std::uint8_t>(device_.columns(characterAt(line, at)));
            if (width_ > 0 && place.column > 0 && place.column + glyph.width > width_) {
                place = {place.row + 1, 0};
            }
        }
        glyph.place = place;
        glyphs.push_back(glyph);
        place = after(glyph);
        at += glyph.length;
    }
}

LineRenderer::Place LineRenderer::after(const Glyph& glyph) const {
    Place place{glyph.place.row, glyph.place.column + glyph.width};
    if (width_ > 0 && place.column >= width_) {
        place = {place.row + 1, 0};
    }
    return place;
}

bool LineRenderer::same(const Glyph& shown, const Glyph& next, const std::string& line) const {
    return shown.kind == next.kind && shown.width == next.width && shown.place == next.place &&
           shown.length == next.length &&
           line.compare(next.byte, next.length, shownLine_, shown.byte, shown.length) == 0;
}

// A glyph that ends at the margin has the cursor on the next row, away from it.
bool LineRenderer::extends(const Glyph& shown, const Glyph& next, const std::string& line) const {
    return shown.kind == Glyph::Kind::Text && next.kind == Glyph::Kind::Text && shown.width > 0 &&
           after(shown).row == shown.place.row && shown.width == next.width &&
           shown.place == next.place && next.length > shown.length &&
           line.compare(next.byte, shown.length, shownLine_, shown.byte, shown.length) == 0;
}

// Tabs are written as blanks but where they move over cells known to be blank, as typed ones
// are; a tab never moves past the margin, where a blank would wrap, nor out of a row's last
// column where the terminal waits to wrap.
void LineRenderer::write(const std::vector<Glyph>& glyphs, std::size_t first,
                         const std::string& line, Place blankFrom, std::string& output) {
    bool wrapPending = false;
    for (std::size_t index = first; index < glyphs.size(); ++index) {
        const Glyph& glyph = glyphs[index];
        if (!(glyph.place == cursor_)) {
            // A wide character that did not fit: the terminal starts the next row with it, and
            // the last cell of this one is left empty.
            output += "\x1b[K";
        }
        switch (glyph.kind) {
            case Glyph::Kind::Text:
                // A mark with no character before it in the line would join one outside it.
                output.append(line, glyph.byte, glyph.width > 0 ? glyph.length : 0);
                break;
            case Glyph::Kind::Control:
                output += line[glyph.byte];
                break;
            case Glyph::Kind::Tab: {
                const bool blank = !(glyph.place < blankFrom) && !wrapPending;
                const bool beforeMargin = width_ == 0 || glyph.place.column + glyph.width < width_;
                output += blank && beforeMargin ? std::string("\t") : std::string(glyph.width, ' ');
                break;
            }
            case Glyph::Kind::Caret:
                output += '^';
                break;
            case Glyph::Kind::ControlLetter:
                output += static_cast<char>(static_cast<unsigned char>(line[glyph.byte]) ^ 0x40);
                break;
        }
        cursor_ = after(glyph);
        wrapPending = glyph.width > 0 ? cursor_.row > glyph.place.row : wrapPending;
    }
    if (first < glyphs.size() && cursor_.column == 0 && cursor_.row > 0) {
        // Out of the last column, where the terminal waits to wrap: the next row is the line's.
        output += " \r";
    }
}

void LineRenderer::moveTo(Place place, std::string& output) {
    if (place.row < cursor_.row) {
        output += cursorMotion(cursor_.row - place.row, 'A');
    } else if (place.row > cursor_.row) {
        output += cursorMotion(place.row - cursor_.row, 'B');
    }
    if (place.column < cursor_.column) {
        const std::size_t count = cursor_.column - place.column;
        output += count <= 3 ? std::string(count, '\b') : cursorMotion(count, 'D');
    } else if (place.column > cursor_.column) {
        output += cursorMotion(place.column - cursor_.column, 'C');
    }
    cursor_ = place;
}
