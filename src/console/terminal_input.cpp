// SPDX-License-Identifier: MIT
#include "terminal_input.h"

#include <algorithm>
#include <utility>

#include "key_burst.h"
#include "key_sequence.h"
#include "line_text.h"

namespace {

// The last key of `bytes`, whole or cut short, with what may still come to it.
std::string_view lastKey(std::string_view bytes) {
    std::string_view last = bytes;
    for (std::string_view rest = bytes; !rest.empty(); rest.remove_prefix(keyLength(rest))) {
        last = mayGoOn(rest) ? rest : rest.substr(0, keyLength(rest));
    }
    return last;
}

}  // namespace

TerminalInput::TerminalInput(std::unique_ptr<TerminalDevice> device)
    : device_(std::move(device)),
      settings_(device_->lineSettings()),
      width_(device_->width()),
      editor_(*device_),
      renderer_(*device_) {}

std::size_t TerminalInput::readInput(char* buffer, std::size_t capacity) {
    if (!carried_.empty()) {
        insert(carried_);
        carried_.clear();
        if (std::exchange(endAfterCarried_, false)) {
            handOver(LineEnd::EndOfInput);
            ended_ = true;
        }
    }
    while (lines_.empty() && !ended_) {
        if (arrived_.empty()) {
            awaitInput();
        }
        edit();
    }
    flushScreen();
    const std::size_t count = lines_.copy(buffer, capacity);
    lines_.erase(0, count);
    return count;
}

Key TerminalInput::readKey() {
    // Only values taken back can bring the prompt where the input has ended: they come first.
    if (ended_) {
        endAfterCarried_ = !carried_.empty();
        return endAfterCarried_ ? Key::Other : Key::End;
    }
    if (pastePending() || lineUnfinished_ || holdsValues()) {
        return Key::Other;
    }
    for (;;) {
        KeyBurst burst(settings_.endOfInput);
        bool paste = burst.add(arrived_);
        arrived_.clear();
        while (!paste && receive(burst.bytes().empty() ? TerminalDevice::kForever
                                                       : patienceFor(lastKey(burst.bytes())))) {
            paste = burst.add(arrived_);
            arrived_.clear();
        }
        const KeyBurst::Verdict verdict = paste ? KeyBurst::Verdict::Paste : burst.finish();
        switch (verdict) {
            case KeyBurst::Verdict::Nothing:
                continue;
            case KeyBurst::Verdict::Paste:
                arrived_ = std::move(burst.bytes());
                return Key::Other;
            case KeyBurst::Verdict::Escape:
                return Key::Escape;
            case KeyBurst::Verdict::EndOfInput:
                // Values taken back are read before the end, as they would be in a script.
                endAfterCarried_ = !carried_.empty();
                return endAfterCarried_ ? Key::Other : Key::End;
            case KeyBurst::Verdict::OtherKey:
                return Key::Other;
        }
    }
}

void TerminalInput::endTypedLine() {
    if (settings_.echo && renderer_.column() > 0) {
        screen_ += '\n';
        renderer_.restart(0);
    }
    flushScreen();
}

TakenBack TerminalInput::takeBackValues(std::string_view rest, bool wholeSetFollows) {
    const TakenBack takenBack = lastLineTyped_                        ? TakenBack::AfterKey
                                : lastLinePasted_ && !wholeSetFollows ? TakenBack::AtOnce
                                                                      : TakenBack::No;
    lastLineTyped_ = false;
    // A line typed ends where the person ends it again; the rest of a paste comes again as it
    // was pasted, its line end with it, within the paste that goes on or as one of its own.
    if (takenBack == TakenBack::AfterKey) {
        carried_.assign(rest.substr(0, rest.size() - (rest.back() == '\n' ? 1 : 0)));
    } else if (takenBack == TakenBack::AtOnce) {
        arrived_.insert(
            0, pasting_ ? std::string(rest)
                        : std::string(kPasteStart) + std::string(rest) + std::string(kPasteEnd));
    }
    return takenBack;
}

// What is waiting when the prompt appears is values, as the same bytes are in a script, when it
// holds a whole line (Enter after anything but blanks), typed ahead or the rest of a paste, or
// any character that came in the same unmarked paste as the line just answered. A key pressed
// right after Enter, Enter pressed twice, a control key after a paste, or a key after a marked
// paste's end, holds no such thing.
bool TerminalInput::holdsValues() const {
    bool anyCharacter = false;
    bool anyPrintable = false;
    for (std::string_view rest = arrived_; !rest.empty();) {
        const std::string_view key = rest.substr(0, keyLength(rest));
        if (editFor(key, settings_) == Edit::HandOver && key.size() == 1) {
            if (anyCharacter) {
                return true;
            }
        } else if (!isEscapeKey(key) && !isBlank(key[0])) {
            anyCharacter = true;
            anyPrintable = anyPrintable || !isControl(key[0]);
        }
        rest.remove_prefix(key.size());
    }
    return anyPrintable && lastLineInBurst_;
}

// How long to wait for more of what has come when `rest` is its end. A key whole, and Escape
// alone or twice, not in a paste, wait only as long as a burst's pause: a person may have pressed
// it. A key begun otherwise, a sequence or a character's bytes, and Escape within a paste (from
// which terminals take it out), is sent whole, and waits longer for its rest, which a slow link
// delays.
int TerminalInput::patienceFor(std::string_view rest) const {
    const bool pressed = !pasting_ && (rest == "\x1b" || rest == "\x1b\x1b");
    return mayGoOn(rest) && !pressed ? kSlowLinkMilliseconds : kKeySequenceMilliseconds;
}

// The length of the key at `at`, once the rest of one cut short at the end of what has come, or
// of one that an Escape before another may start, has had a moment to come too.
std::size_t TerminalInput::keyLengthAt(std::size_t& at) {
    std::size_t length = keyLength(std::string_view(arrived_).substr(at));
    while (mayGoOn(std::string_view(arrived_).substr(at))) {
        arrived_.erase(0, at);
        at = 0;
        if (!receive(patienceFor(arrived_))) {
            break;
        }
        length = keyLength(arrived_);
    }
    return std::min(length, arrived_.size() - at);
}

// The rest of a bracketed paste is values however late it comes, up to its end. An Escape
// pressed alone ends it, and is then the key.
bool TerminalInput::pastePending() {
    while (pasting_) {
        if (arrived_.empty()) {
            receive(TerminalDevice::kForever);
        }
        std::size_t at = 0;
        const std::string_view key = std::string_view(arrived_).substr(0, keyLengthAt(at));
        if (key == kPasteEnd || key == "\x1b") {
            endPaste();
            arrived_.erase(0, key == kPasteEnd ? key.size() : 0);
        } else if (!arrived_.empty()) {
            return true;
        }
    }
    return false;
}

// What is shown goes out before any wait, so the person sees everything typed so far.
bool TerminalInput::receive(int milliseconds) {
    flushScreen();
    char chunk[kEditableBytes];
    const std::size_t count = device_->read(chunk, sizeof chunk, milliseconds);
    settings_ = device_->lineSettings();
    width_ = device_->width();
    if (device_->typingForgotten()) {
        arrived_.clear();
        editor_.forget();
        renderer_.restart(0);
        pasting_ = linePasted_ = lineUnfinished_ = literal_ = false;
    }
    arrived_.append(chunk, count);
    return count > 0;
}

// What comes with no pause after what came before is part of the same burst: a line that much
// of came so was pasted, not typed.
void TerminalInput::awaitInput() {
    if (!receive(kKeySequenceMilliseconds)) {
        burstCharacters_ = 0;
        receive(TerminalDevice::kForever);
    }
}

// Edits what has arrived until a line is handed over or nothing is left. Keys typed are shown one
// by one, as a terminal's echo shows them; a paste is shown when it has been taken, or when its
// line is handed over.
void TerminalInput::edit() {
    const bool eachKeyShown = arrived_.size() <= kKeysShownOneByOne;
    std::size_t at = 0;
    while (at < arrived_.size() && lines_.empty() && !ended_) {
        if (std::exchange(literal_, false)) {
            device_->quoteKeys(false);
            insert(std::string_view(arrived_).substr(at, 1));
            ++at;
            continue;
        }
        const std::size_t length = keyLengthAt(at);
        const std::string key = arrived_.substr(at, length);
        at += length;
        if (pasting_) {
            takePasted(key);
        } else if (key == kPasteStart) {
            pasting_ = linePasted_ = true;
        } else if (key != kPasteEnd) {
            press(key);
        }
        if (eachKeyShown) {
            showLine(editor_.cursor());
        }
    }
    arrived_.erase(0, at);
}

// A bracketed paste is values as it stands: its line ends end lines, its editing keys are
// characters, and keys' sequences, which no text holds, are dropped. Terminals take Escape out
// of what they paste, so one alone was pressed: it ends a paste whose end never came.
void TerminalInput::takePasted(std::string_view key) {
    linePasted_ = true;
    if (key == kPasteEnd) {
        endPaste();
    } else if (key == "\n") {
        handOver(LineEnd::Enter);
    } else if (key == "\x1b") {
        pasting_ = false;
        press(key);
    } else if (!isEscapeKey(key)) {
        insert(key);
    }
}

// A paste that ends leaving nothing on the line being edited, as one that ends with its line end
// does, makes what is typed on that line next no paste.
void TerminalInput::endPaste() {
    pasting_ = false;
    linePasted_ = linePasted_ && !editor_.line().empty();
}

void TerminalInput::press(std::string_view key) {
    const Edit edit = editFor(key, settings_);
    switch (edit) {
        case Edit::Insert:
            insert(key);
            return;
        case Edit::HandOver:
            handOver(LineEnd::Enter);
            return;
        case Edit::EndOfInput:
            if (editor_.line().empty()) {
                ended_ = true;
            } else {
                handOver(LineEnd::EndOfInput);
            }
            return;
        case Edit::Escape:
            if (editor_.line().empty()) {
                ended_ = endedByEscape_ = true;
                return;
            }
            break;
        case Edit::LiteralNext:
            literal_ = true;
            device_->quoteKeys(true);
            return;
        case Edit::Reprint:
            showKeyAndRestart(key, true);
            return;
        case Edit::Erase:
            if (!settings_.echoErase) {
                showKeyAndRestart(key, false);
            }
            break;
        case Edit::CutToStart:
            if (!settings_.echoKill) {
                showKeyAndRestart(key, settings_.killNewline);
            }
            break;
        default:
            break;
    }
    editor_.apply(edit);
    // A line rubbed out whole holds nothing pasted any more.
    linePasted_ = linePasted_ && (pasting_ || !editor_.line().empty());
    // What is put back makes a line too long to edit whole as typing does.
    if (editor_.line().size() >= kEditableBytes) {
        handOver(LineEnd::Part);
    }
}

// As a terminal's own line editing shows these keys where the person's settings say so: the key
// after the line, then the line afresh after it.
void TerminalInput::showKeyAndRestart(std::string_view key, bool lineEnds) {
    if (!settings_.echo) {
        return;
    }
    showLine(editor_.line().size());
    const bool control = isControl(key[0]);
    if (control && settings_.echoControl) {
        screen_ += '^';
        screen_ += static_cast<char>(static_cast<unsigned char>(key[0]) ^ 0x40);
    } else {
        screen_ += key;
    }
    const std::size_t keyColumns = control ? (settings_.echoControl ? 2 : 0) : 1;
    screen_ += lineEnds ? "\n" : "";
    renderer_.restart(lineEnds ? 0 : renderer_.column() + keyColumns);
}

void TerminalInput::insert(std::string_view text) {
    editor_.insert(text);
    ++burstCharacters_;
    if (editor_.line().size() >= kEditableBytes) {
        handOver(LineEnd::Part);
    }
}

// The line is shown whole, the cursor at its end, before it is handed over.
void TerminalInput::handOver(LineEnd end) {
    showLine(editor_.line().size());
    const bool whole = end != LineEnd::Part && !lineUnfinished_;
    const bool burst = burstCharacters_ >= KeyBurst::kFewestPastedCharacters;
    lastLineTyped_ = whole && !linePasted_ && !burst;
    lastLinePasted_ = linePasted_ || burst;
    lastLineInBurst_ = burst && !linePasted_;
    editor_.handOver(whole, lines_);
    if (end == LineEnd::Enter) {
        lines_ += '\n';
        const bool shown = settings_.echo ? !renderer_.atRowStart() : settings_.echoNewline;
        screen_ += shown ? "\n" : "";
        renderer_.restart(0);
    } else {
        renderer_.restart(renderer_.column());
    }
    lineUnfinished_ = end == LineEnd::Part;
    linePasted_ = pasting_;
    burstCharacters_ = 0;
}

void TerminalInput::showLine(std::size_t cursor) {
    renderer_.draw(editor_.line(), cursor, editor_.takeChangedFrom(), settings_, width_, screen_);
}

void TerminalInput::flushScreen() {
    showLine(editor_.cursor());
    device_->show(screen_);
    screen_.clear();
}
