// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "terminal_device.h"

/// The values line as the terminal shows it. Each `draw` compares the line with what is shown
/// and writes only what changed: from the first character that differs to the end of the line,
/// then what is left of the old line is cleared and the cursor put in its place. Only the line
/// from its first changed byte is laid out again, so typing at the end costs the same however
/// long the line. Typing at the end writes the key as a terminal's echo does; rubbing out at the
/// end writes "\b \b" per column. A line wider than the terminal wraps as the terminal wraps
/// it: a wide character that does not fit in the last column starts the next row, and the
/// cursor never rests in a row's last column past its end (a terminal would leave it there,
/// waiting to wrap). Control characters are ^X, tabs reach the next tab stop. When the terminal
/// cannot tell its width, the line never wraps.
///
/// Known limit: rows that have scrolled off the top of the screen cannot be reached again, so a
/// line taller than the screen is drawn right only while edited at its end.
class LineRenderer {
public:
    /// `device` measures characters.
    explicit LineRenderer(const TerminalDevice& device) : device_(device) {}

    /// Appends to `output` what makes the terminal show `line` with the cursor before its byte
    /// `cursor`, as `settings` say (nothing without echo), on a terminal `width` columns wide (0
    /// when unknown). The bytes before `changedFrom` are those last drawn. After a change of
    /// width, the line is drawn afresh where it starts.
    void draw(const std::string& line, std::size_t cursor, std::size_t changedFrom,
              const LineSettings& settings, int width, std::string& output);

    /// A new line starts at `column` of the cursor's row, nothing of it shown yet.
    void restart(std::size_t column);

    /// The column the cursor is in.
    std::size_t column() const { return cursor_.column; }

    /// Whether the cursor is at the start of a row the line wrapped onto, where a line end need
    /// not move it again.
    bool atRowStart() const;

private:
    /// Where a cell of the screen is, the line's first row being row 0.
    struct Place {
        std::uint32_t row = 0;
        std::uint32_t column = 0;
        bool operator==(const Place& other) const {
            return row == other.row && column == other.column;
        }
        bool operator<(const Place& other) const {
            return row < other.row || (row == other.row && column < other.column);
        }
    };
    /// How one character of the line is shown.
    struct Glyph {
        /// Text is written as it is, a control character as it is (Control) or as a caret and a
        /// letter, a tab as a tab or blanks.
        enum class Kind : std::uint8_t { Text, Tab, Control, Caret, ControlLetter };
        std::uint32_t byte = 0;    ///< Where its bytes start in the line.
        std::uint32_t length = 0;  ///< How many bytes of the line it shows; a caret shows none.
        Kind kind = Kind::Text;
        std::uint8_t width = 0;  ///< Columns, 0 to 8.
        Place place;
    };

    void layOut(const std::string& line, std::size_t from, Place place,
                const LineSettings& settings, std::vector<Glyph>& glyphs) const;
    std::size_t firstToLayOut(std::size_t changedFrom) const;
    Place placeOf(std::size_t byte, std::size_t kept, const std::vector<Glyph>& tail,
                  Place end) const;
    Place after(const Glyph& glyph) const;
    bool same(const Glyph& shown, const Glyph& next, const std::string& line) const;
    bool extends(const Glyph& shown, const Glyph& next, const std::string& line) const;
    void write(const std::vector<Glyph>& glyphs, std::size_t first, const std::string& line,
               Place blankFrom, std::string& output);
    void moveTo(Place place, std::string& output);

    const TerminalDevice& device_;
    std::uint32_t width_ = 0;        ///< Of the terminal as last drawn; 0 when unknown.
    std::uint32_t startColumn_ = 0;  ///< Where the line starts in its first row.
    std::string shownLine_;          ///< The line as shown.
    std::vector<Glyph> shown_;       ///< How it is shown.
    std::vector<Glyph> laidOut_;     ///< How it is to be shown from the first change, kept between
                                     ///< draws so that a draw allocates nothing.
    bool echoControl_ = true;        ///< As the person's settings were when it was drawn.
    Place cursor_;                   ///< Where the terminal's cursor is.
};
