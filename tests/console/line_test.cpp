// SPDX-License-Identifier: MIT
// The values line: its editing model, every row of line_edits.txt (keys in, line and cursor
// out), and how it is drawn, every case of line_screens.txt, on a fake screen that behaves as
// xterm does. The keyboard cases show a few keys through the whole program, as terminals send
// them; the fuzzer proves that any edits come to what a fresh drawing shows.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

#include "fake_screen.h"
#include "key_sequence.h"
#include "line_editor.h"
#include "line_renderer.h"
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

TEST(LineRendererTest, EveryCase_WritesAndShowsWhatItSays) {
    std::unique_ptr<FakeScreen> screen;
    std::unique_ptr<LineRenderer> renderer;
    std::string name;
    std::string previous;
    std::string written;
    for (const auto& row : tableRows(TABLES "console/line_screens.txt")) {
        const std::string expected = row.size() > 1 ? row[1] : "";
        if (row[0] == "==") {
            name = "";
            for (const std::string& word : row) {
                name += word + " ";
            }
            screen = std::make_unique<FakeScreen>();
            renderer = std::make_unique<LineRenderer>(*screen);
            previous.clear();
        } else if (row[0] == "width") {
            screen->resize(std::stoi(expected));
        } else if (row[0] == "draw") {
            const std::size_t cursor = expected.find('|');
            const std::string line = expected.substr(0, cursor) + expected.substr(cursor + 1);
            const auto same =
                std::mismatch(previous.begin(), previous.end(), line.begin(), line.end());
            written.clear();
            renderer->draw(line, cursor, static_cast<std::size_t>(same.second - line.begin()),
                           LineSettings(), screen->width(), written);
            screen->show(written);
            previous = line;
        } else if (row[0] == "written") {
            EXPECT_EQ(written, expected) << name;
        } else if (row[0] == "shows") {
            EXPECT_EQ(screen->textFrom(0, 0), expected) << name;
        } else if (row[0] == "cursor") {
            EXPECT_EQ(std::to_string(screen->row()) + " " + std::to_string(screen->column()),
                      expected + " " + row[2])
                << name;
        }
    }
}

}  // namespace
