// SPDX-License-Identifier: MIT
#pragma once

#include <algorithm>
#include <clocale>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "key_sequence.h"
#include "line_text.h"
#include "terminal_device.h"

/// A terminal screen as xterm keeps one, for tests: what is written to it lands in cells, a line
/// wraps at the margin (the cursor waits in the last column until the next character comes), a
/// wide character that does not fit there starts the next row, and the cursor moves as the few
/// control sequences the program writes say (\b \r \n \t, ESC [ n A/B/C/D, ESC [ K, ESC [ J).
/// Rows never scroll away. It measures characters as a UTF-8 locale does.
class FakeScreen : public TerminalDevice {
public:
    /// `width` columns wide; 0 for a terminal that cannot tell, whose rows never end. Characters
    /// are measured as a UTF-8 terminal measures them, whatever locale the tests run in.
    explicit FakeScreen(int width = 0) : width_(width) { std::setlocale(LC_CTYPE, "C.UTF-8"); }

    void show(std::string_view text) override {
        for (std::string_view rest = text; !rest.empty();) {
            const char byte = rest[0];
            std::size_t length = 1;
            if (byte == '\x1b') {
                length = keyLength(rest);
                const std::string_view count = rest.substr(2, length - 3);
                control(rest[length - 1], count.empty() ? 1 : std::stoul(std::string(count)));
            } else if (byte == '\b' || byte == '\r' || byte == '\n' || byte == '\t') {
                wrapPending_ = false;
                const std::size_t tabStop = (column_ / 8 + 1) * 8;
                column_ = byte == '\b' ? column_ - (column_ > 0 ? 1 : 0)
                          : byte == '\t'
                              ? (width_ > 0 ? std::min<std::size_t>(tabStop, width_ - 1) : tabStop)
                              : 0;
                row_ += byte == '\n' ? 1 : 0;
            } else if (!isControl(byte)) {
                length = characterLength(rest);
                put(rest.substr(0, length), columns(characterAt(rest, 0)));
            }
            rest.remove_prefix(length);
        }
    }

    int columns(char32_t character) const override { return columnsInLocale(character); }
    int width() const override { return width_; }
    std::size_t read(char* /*buffer*/, std::size_t /*capacity*/, int /*milliseconds*/) override {
        return 0;
    }
    bool typingForgotten() override { return false; }
    LineSettings lineSettings() const override { return LineSettings(); }

    /// As xterm does: rows cut or padded to the new width, the cursor kept in its row.
    void resize(int width) {
        width_ = width;
        for (std::vector<Cell>& cells : rows_) {
            cells.resize(std::min<std::size_t>(cells.size(), width));
        }
        column_ = std::min<std::size_t>(column_, width - 1);
        wrapPending_ = false;
    }

    /// What the screen shows from `row` and `column` on: rows joined by line feeds, cells never
    /// written or erased as blanks, without the blanks that end a row or the empty rows that end
    /// the screen.
    std::string textFrom(std::size_t row, std::size_t column) const {
        std::string text;
        for (std::size_t index = row; index < rows_.size(); ++index) {
            std::string shown;
            for (std::size_t cell = index == row ? column : 0; cell < rows_[index].size(); ++cell) {
                const Cell& at = rows_[index][cell];
                shown += at.text.empty() && !at.rightHalf ? " " : at.text;
            }
            text += shown.erase(shown.find_last_not_of(' ') + 1) + '\n';
        }
        return text.erase(text.find_last_not_of('\n') + 1);
    }

    std::size_t row() const { return row_; }
    std::size_t column() const { return column_; }

private:
    struct Cell {
        std::string text;  ///< Empty for a cell never written or erased.
        bool rightHalf = false;
    };

    // A mark that combines goes with the character before the cursor; with none, it is lost.
    void put(std::string_view character, int columns) {
        if (columns == 0) {
            if (column_ > 0 || wrapPending_) {
                std::size_t column = wrapPending_ ? column_ : column_ - 1;
                column -= column > 0 && at(row_, column).rightHalf ? 1 : 0;
                at(row_, column).text += character;
            }
            return;
        }
        if (wrapPending_ || (width_ > 0 && column_ + columns > static_cast<std::size_t>(width_))) {
            ++row_;
            column_ = 0;
        }
        at(row_, column_) = {std::string(character), false};
        if (columns == 2) {
            at(row_, column_ + 1) = {"", true};
        }
        column_ += columns;
        wrapPending_ = width_ > 0 && column_ == static_cast<std::size_t>(width_);
        column_ -= wrapPending_ ? 1 : 0;
    }

    void control(char final, std::size_t count) {
        wrapPending_ = false;
        const std::size_t right = width_ > 0 ? width_ - 1 : column_ + count;
        switch (final) {
            case 'A':
                row_ -= std::min(row_, count);
                break;
            case 'B':
                row_ += count;
                break;
            case 'C':
                column_ = std::min(column_ + count, right);
                break;
            case 'D':
                column_ -= std::min(column_, count);
                break;
            case 'J':
                rows_.resize(std::min(rows_.size(), row_ + 1));
                [[fallthrough]];
            case 'K':
                if (row_ < rows_.size() && column_ < rows_[row_].size()) {
                    rows_[row_].resize(column_);
                }
                break;
        }
    }

    Cell& at(std::size_t row, std::size_t column) {
        if (rows_.size() <= row) {
            rows_.resize(row + 1);
        }
        if (rows_[row].size() <= column) {
            rows_[row].resize(column + 1);
        }
        return rows_[row][column];
    }

    int width_;
    std::vector<std::vector<Cell>> rows_;
    std::size_t row_ = 0;
    std::size_t column_ = 0;
    bool wrapPending_ = false;
};
