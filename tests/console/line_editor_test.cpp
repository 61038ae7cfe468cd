// SPDX-License-Identifier: MIT
// The values line's editing model: every row of line_edits.txt, keys in, line and cursor out.
// The keyboard cases show a few of the keys through the whole program, as terminals send them.
#include <gtest/gtest.h>

#include <string>

#include "fake_screen.h"
#include "key_sequence.h"
#include "line_editor.h"
#include "table_rows.h"

namespace {

TEST(LineEditorTest, EveryRow_LeavesTheLineAndCursorItSays) {
    const FakeScreen screen;
    std::string handedOver;
    for (const auto& row : tableRows(TABLES "console/line_edits.txt")) {
        LineEditor editor(screen);
        for (std::string_view rest = row[0]; !rest.empty();) {
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
