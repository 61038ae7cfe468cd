// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "terminal_device.h"

/// A terminal screen as xterm keeps one, for tests: what is written to it lands in cells, a line
/// wraps at the margin (the cursor waits in the last column until the next character comes), a
/// wide character that does not fit there starts the next row, and the cursor moves as the few
/// control sequences the program writes say (\b \r \n \t, ESC [ n A/B/C/D, ESC [ K, ESC [ J).
/// Rows never scroll away. It measures characters as a UTF-8 locale does.
class FakeScreen : public TerminalDevice {
public:
    /// `width` columns wide; 0 for a terminal that cannot tell, whose rows never end.
    explicit FakeScreen(int width = 0);

    void show(std::string_view text) override;
    int columns(char32_t character) const override;
    int width() const override { return width_; }
    std::size_t read(char* /*buffer*/, std::size_t /*capacity*/, int /*milliseconds*/) override {
        return 0;
    }
    bool typingForgotten() override { return false; }
    LineSettings lineSettings() const override { return LineSettings(); }

    /// As xterm does: rows cut or padded to the new width, the cursor kept in its row.
    void resize(int width);

    /// What the screen shows from `row` and `column` on: rows joined by line feeds, cells never
    /// written or erased as blanks, without the blanks that end a row or the empty rows that end
    /// the screen.
    std::string textFrom(std::size_t row, std::size_t column) const;

    std::size_t row() const { return row_; }
    std::size_t column() const { return column_; }

private:
    struct Cell {
        std::string text;  ///< Empty for a cell never written or erased.
        bool rightHalf = false;
    };

    void put(std::string_view character, int columns);
    void control(char final, std::size_t count);
    Cell& at(std::size_t row, std::size_t column);

    int width_;
    std::vector<std::vector<Cell>> rows_;
    std::size_t row_ = 0;
    std::size_t column_ = 0;
    bool wrapPending_ = false;
};
