// SPDX-License-Identifier: MIT
#include "line_editor.h"

#include <utility>

#include "key_sequence.h"
#include "line_text.h"

namespace {

// Each key as the terminals in use send it: xterm and most others (CSI and SS3, the latter in
// application mode and PuTTY's Ctrl with an arrow), the Linux console (`ESC [ 1 ~`), rxvt
// (`ESC [ 7 ~`, `ESC O d` for Ctrl-Left, Escape before an arrow for Alt).
struct Sequence {
    std::string_view bytes;
    Edit edit;
};
constexpr Sequence kSequences[] = {
    {"\x1b[D", Edit::Left},
    {"\x1bOD", Edit::Left},
    {"\x1b[C", Edit::Right},
    {"\x1bOC", Edit::Right},
    {"\x1b[A", Edit::Older},
    {"\x1bOA", Edit::Older},
    {"\x1b[B", Edit::Newer},
    {"\x1bOB", Edit::Newer},
    {"\x1b[H", Edit::Home},
    {"\x1bOH", Edit::Home},
    {"\x1b[1~", Edit::Home},
    {"\x1b[7~", Edit::Home},
    {"\x1b[F", Edit::End},
    {"\x1bOF", Edit::End},
    {"\x1b[4~", Edit::End},
    {"\x1b[8~", Edit::End},
    {"\x1b[3~", Edit::Delete},
    {"\x1b[1;5D", Edit::WordLeft},
    {"\x1b[1;3D", Edit::WordLeft},
    {"\x1bOd", Edit::WordLeft},
    {"\x1b\x1b[D", Edit::WordLeft},
    {"\x1b\x62", Edit::WordLeft},  // Alt-B
    {"\x1b[1;5C", Edit::WordRight},
    {"\x1b[1;3C", Edit::WordRight},
    {"\x1bOc", Edit::WordRight},
    {"\x1b\x1b[C", Edit::WordRight},
    {"\x1b\x66", Edit::WordRight},      // Alt-F
    {"\x1b\x64", Edit::CutWordAfter},   // Alt-D
    {"\x1b\x7f", Edit::CutWord},        // Alt-Backspace
    {"\x1b[3;5~", Edit::CutWordAfter},  // Ctrl-Delete
};

// The control keys of a shell's line editor that a terminal's own line editing leaves free.
struct ControlKey {
    char byte;
    Edit edit;
};
constexpr ControlKey kControlKeys[] = {
    {'\x01', Edit::Home},  {'\x02', Edit::Left},     {'\x05', Edit::End},
    {'\x06', Edit::Right}, {'\x0b', Edit::CutToEnd}, {'\x0e', Edit::Newer},
    {'\x10', Edit::Older}, {'\x19', Edit::Yank},     {'\x1b', Edit::Escape},
};

}  // namespace

Edit editFor(std::string_view key, const LineSettings& settings) {
    if (key.size() > 1) {
        for (const Sequence& sequence : kSequences) {
            if (key == sequence.bytes) {
                return sequence.edit;
            }
        }
        return isEscapeKey(key) ? Edit::Nothing : Edit::Insert;
    }
    const int code = static_cast<unsigned char>(key[0]);
    const std::pair<int, Edit> personsKeys[] = {
        {'\n', Edit::HandOver},
        {settings.lineEnd, Edit::HandOver},
        {settings.lineEnd2, Edit::HandOver},
        {settings.endOfInput, Edit::EndOfInput},
        {settings.erase, Edit::Erase},
        {settings.kill, Edit::CutToStart},
        {settings.wordErase, Edit::CutWord},
        {settings.reprint, Edit::Reprint},
        {settings.literalNext, Edit::LiteralNext},
    };
    for (const auto& [personsKey, edit] : personsKeys) {
        if (code == personsKey) {
            return edit;
        }
    }
    for (const ControlKey& control : kControlKeys) {
        if (key[0] == control.byte) {
            return control.edit;
        }
    }
    return Edit::Insert;
}

void LineEditor::insert(std::string_view text) {
    cutGoesOn_ = false;
    changed(cursor_);
    line_.insert(cursor_, text);
    cursor_ += text.size();
}

void LineEditor::apply(Edit edit) {
    const bool cutGoesOn =
        std::exchange(cutGoesOn_, false) && (edit == Edit::CutToEnd || edit == Edit::CutToStart ||
                                             edit == Edit::CutWord || edit == Edit::CutWordAfter);
    switch (edit) {
        case Edit::Left:
            cursor_ = characterBefore(cursor_);
            break;
        case Edit::Right:
            cursor_ = cursor_ < line_.size() ? characterEnd(line_, cursor_, device_) : cursor_;
            break;
        case Edit::WordLeft:
            cursor_ = wordStart();
            break;
        case Edit::WordRight:
            cursor_ = wordEnd();
            break;
        case Edit::Home:
            cursor_ = 0;
            break;
        case Edit::End:
            cursor_ = line_.size();
            break;
        case Edit::Delete:
            if (cursor_ < line_.size()) {
                changed(cursor_);
                line_.erase(cursor_, characterEnd(line_, cursor_, device_) - cursor_);
            }
            break;
        case Edit::Erase: {
            const std::size_t start = characterBefore(cursor_);
            changed(start);
            line_.erase(start, cursor_ - start);
            cursor_ = start;
            break;
        }
        case Edit::CutToEnd:
            cut(cursor_, line_.size(), cutGoesOn);
            break;
        case Edit::CutToStart:
            cut(0, cursor_, cutGoesOn);
            break;
        case Edit::CutWord:
            cut(wordStart(), cursor_, cutGoesOn);
            break;
        case Edit::CutWordAfter:
            cut(cursor_, wordEnd(), cutGoesOn);
            break;
        case Edit::Yank:
            insert(cut_);
            break;
        case Edit::Older:
            if (shownLine_ > 0) {
                recall(shownLine_ - 1);
            }
            break;
        case Edit::Newer:
            if (shownLine_ < history_.size()) {
                recall(shownLine_ + 1);
            }
            break;
        case Edit::Escape:
            forget();
            break;
        default:
            break;
    }
}

// The line's own storage is kept for the next one: a long paste goes through it part by part.
void LineEditor::handOver(bool remember, std::string& into) {
    const bool blank = line_.find_first_not_of(" \t") == std::string::npos;
    if (remember && !blank && (history_.empty() || history_.back() != line_)) {
        history_.push_back(line_);
        if (history_.size() > kHistoryLines) {
            history_.pop_front();
        }
    }
    into += line_;
    forget();
}

void LineEditor::forget() {
    changed(0);
    line_.clear();
    typing_.clear();
    cursor_ = 0;
    shownLine_ = history_.size();
}

// Characters are measured from the start of the line: UTF-8 cannot be read backwards safely
// where bytes that start no character stand among the others.
std::size_t LineEditor::characterBefore(std::size_t at) const {
    std::size_t start = 0;
    for (std::size_t next = 0; next < at; next = characterEnd(line_, next, device_)) {
        start = next;
    }
    return start;
}

// Blanks are single bytes that no UTF-8 character holds, so a word's start is a character's.
std::size_t LineEditor::wordStart() const {
    std::size_t start = cursor_;
    while (start > 0 && isBlank(line_[start - 1])) {
        --start;
    }
    while (start > 0 && !isBlank(line_[start - 1])) {
        --start;
    }
    return start;
}

std::size_t LineEditor::wordEnd() const {
    std::size_t end = cursor_;
    while (end < line_.size() && isBlank(line_[end])) {
        ++end;
    }
    while (end < line_.size() && !isBlank(line_[end])) {
        ++end;
    }
    return end;
}

// Cuts one right after another are put back together, in the order they stood in the line.
void LineEditor::cut(std::size_t from, std::size_t to, bool addToLast) {
    cutGoesOn_ = true;
    if (from == to) {
        return;
    }
    changed(from);
    const std::string text = line_.substr(from, to - from);
    cut_ = !addToLast ? text : from < cursor_ ? text + cut_ : cut_ + text;
    line_.erase(from, to - from);
    cursor_ = from;
}

// The line being typed is kept while older lines are shown, and comes back below the newest.
void LineEditor::recall(std::size_t index) {
    if (shownLine_ == history_.size()) {
        typing_ = line_;
    }
    shownLine_ = index;
    changed(0);
    line_ = index == history_.size() ? typing_ : history_[index];
    cursor_ = line_.size();
}

std::size_t LineEditor::takeChangedFrom() {
    return std::exchange(changedFrom_, std::string::npos);
}

void LineEditor::changed(std::size_t from) {
    changedFrom_ = from < changedFrom_ ? from : changedFrom_;
}
