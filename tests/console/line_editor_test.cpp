// SPDX-License-Identifier: MIT
// The values line's editing model: every row of line_edits.txt, keys in, line and cursor out.
// The keyboard cases show a few of the keys through the whole program, as terminals send them.
#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <string>

#include "fake_screen.h"
#include "key_sequence.h"
#include "line_editor.h"
#include "table_rows.h"

namespace {

// The bytes a terminal sends for the keys as the table writes them.
std::string pressed(const std::string& keys) {
    static const std::map<std::string, std::string> named = {
        {"Left", "\x1b[D"},    {"Right", "\x1b[C"},     {"Up", "\x1b[A"},
        {"Down", "\x1b[B"},    {"Home", "\x1b[H"},      {"End", "\x1b[F"},
        {"Delete", "\x1b[3~"}, {"C-Left", "\x1b[1;5D"}, {"C-Right", "\x1b[1;5C"},
        {"Enter", "\n"},       {"Esc", "\x1b"}};
    std::string bytes;
    const std::regex key("<([^>]+)>|.");
    for (std::sregex_iterator at(keys.begin(), keys.end(), key), end; at != end; ++at) {
        const std::string name = (*at)[1];
        if (named.count(name) != 0) {
            bytes += named.at(name);
        } else if (name.size() == 3) {
            bytes += name[0] == 'C' ? std::string(1, static_cast<char>(name[2] & 0x1F))
                                    : std::string("\x1b") + name[2];
        } else {
            bytes += at->str();
        }
    }
    return bytes;
}

TEST(LineEditorTest, EveryRow_LeavesTheLineAndCursorItSays) {
    const FakeScreen screen;
    std::string handedOver;
    for (const auto& row : tableRows(LINE_EDITS_FILE)) {
        LineEditor editor(screen);
        const std::string keys = pressed(row[0]);
        for (std::string_view rest = keys; !rest.empty();) {
            const std::string_view key = rest.substr(0, keyLength(rest));
            rest.remove_prefix(key.size());
            const Edit edit = editFor(key, LineSettings());
            if (edit == Edit::Insert) {
                editor.insert(key);
            } else if (edit == Edit::HandOver) {
                editor.handOver(true, handedOver);
            } else {
                editor.apply(edit);
            }
        }
        const std::string expected = row.size() > 1 ? row[1] : "|";
        EXPECT_EQ(
            editor.line().substr(0, editor.cursor()) + "|" + editor.line().substr(editor.cursor()),
            expected)
            << row[0];
    }
}

TEST(LineEditorTest, OnlyTheNewestLinesAreKept) {
    const FakeScreen screen;
    LineEditor editor(screen);
    std::string handedOver;
    for (std::size_t line = 0; line <= LineEditor::kHistoryLines; ++line) {
        editor.insert(std::to_string(line));
        editor.handOver(true, handedOver);
    }
    for (std::size_t line = 0; line <= LineEditor::kHistoryLines; ++line) {
        editor.apply(Edit::Older);
    }
    EXPECT_EQ(editor.line(), "1");
}

}  // namespace
