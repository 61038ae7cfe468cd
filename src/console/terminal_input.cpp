#include "terminal_input.h"

#include <utility>

#include "key_burst.h"
#include "key_sequence.h"

namespace {

constexpr char kEscape = '\x1b';
constexpr std::size_t kTabStop = 8;

bool isContinuationByte(char byte) {
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

bool isControl(char byte) {
    const auto code = static_cast<unsigned char>(byte);
    return (code < 0x20 && byte != '\t' && byte != '\n') || code == 0x7F;
}

bool isBlank(char byte) {
    return byte == ' ' || byte == '\t';
}

// The character whose UTF-8 bytes start at `at`; a byte that starts none stands for itself.
char32_t characterAt(const std::string& text, std::size_t at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    const int following = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
    auto character = static_cast<char32_t>(lead & (0x7F >> following));
    for (int next = 1; next <= following && at + next < text.size(); ++next) {
        character = (character << 6) | (static_cast<unsigned char>(text[at + next]) & 0x3F);
    }
    return character;
}

}  // namespace

std::size_t TerminalInput::readInput(char* buffer, std::size_t capacity) {
    while (lines_.empty() && !ended_) {
        if (arrived_.empty()) {
            receive(TerminalDevice::kForever);
        }
        edit();
    }
    device_->show(shown_);
    shown_.clear();
    const std::size_t count = lines_.copy(buffer, capacity);
    lines_.erase(0, count);
    return count;
}

Key TerminalInput::readKey() {
    // The rest of a paste begun while values were typed is values while more of it comes with
    // no pause, up to its end; the rest of a line too long to edit whole is values however
    // slowly it comes.
    if (pasting_ && arrived_.empty()) {
        receive(kKeySequenceMilliseconds);
    }
    if (pasting_ && arrived_.compare(0, kPasteEnd.size(), kPasteEnd) == 0) {
        arrived_.erase(0, kPasteEnd.size());
        pasting_ = false;
    }
    if ((pasting_ && !arrived_.empty()) || lineUnfinished_ || holdsLineOfValues()) {
        return Key::Other;
    }
    pasting_ = false;
    for (;;) {
        KeyBurst burst(settings_.endOfInput);
        bool paste = burst.add(arrived_);
        arrived_.clear();
        while (!paste && receive(burst.bytes().empty() ? TerminalDevice::kForever
                                                       : kKeySequenceMilliseconds)) {
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
                return Key::End;
            case KeyBurst::Verdict::OtherKey:
                return Key::Other;
        }
    }
}

// A line typed ahead while the program was busy, or the rest of a paste, already waiting when
// the prompt appears, however short, is values, as the same line is in a script. A key pressed
// right after Enter, or Enter pressed twice, holds no such line.
bool TerminalInput::holdsLineOfValues() const {
    bool anyCharacter = false;
    for (std::string_view rest = arrived_; !rest.empty();) {
        const std::string_view key = rest.substr(0, keyLength(rest));
        if (isLineEnd(key)) {
            if (anyCharacter) {
                return true;
            }
        } else if (!isEscapeKey(key) && !isBlank(key[0])) {
            anyCharacter = true;
        }
        rest.remove_prefix(key.size());
    }
    return false;
}

bool TerminalInput::isLineEnd(std::string_view key) const {
    const int code = static_cast<unsigned char>(key[0]);
    return key.size() == 1 &&
           (key[0] == '\n' || code == settings_.lineEnd || code == settings_.lineEnd2);
}

void TerminalInput::endTypedLine() {
    if (settings_.echo && startColumn_ > 0) {
        device_->show("\n");
    }
    startColumn_ = 0;
}

// What is shown goes out before any wait, so the person sees everything typed so far.
bool TerminalInput::receive(int milliseconds) {
    device_->show(shown_);
    shown_.clear();
    char chunk[kEditableBytes];
    const std::size_t count = device_->read(chunk, sizeof chunk, milliseconds);
    settings_ = device_->lineSettings();
    if (device_->typingForgotten()) {
        arrived_.clear();
        line_.clear();
        startColumn_ = 0;
        lineUnfinished_ = false;
    }
    arrived_.append(chunk, count);
    return count > 0;
}

// Edits what has arrived until a line is handed over or nothing is left. A key that sends an
// escape sequence is dropped whole, so its bytes are waited for when they may still be coming.
void TerminalInput::edit() {
    std::size_t at = 0;
    while (at < arrived_.size() && lines_.empty() && !ended_) {
        if (arrived_[at] != kEscape || literal_) {
            type(arrived_[at]);
            ++at;
            continue;
        }
        std::size_t length = keyLength(std::string_view(arrived_).substr(at));
        if (at + length == arrived_.size()) {
            arrived_.erase(0, at);
            at = 0;
            if (receive(kKeySequenceMilliseconds)) {
                continue;
            }
            length = keyLength(arrived_);
        }
        const std::string_view key = std::string_view(arrived_).substr(at, length);
        pasting_ = key == kPasteStart || (pasting_ && key != kPasteEnd);
        at += length;
    }
    arrived_.erase(0, at);
}

// Each key does what the person's settings make it do in a terminal's own line editing. After
// the literal-next key, a key is a character, whatever it is, and so is everything a bracketed
// paste holds but its line ends.
void TerminalInput::type(char byte) {
    if (std::exchange(literal_, false) || (pasting_ && byte != '\n')) {
        insert(byte);
        return;
    }
    const int code = static_cast<unsigned char>(byte);
    if (isLineEnd(std::string_view(&byte, 1))) {
        line_ += byte;
        shown_ += byte == '\n' && !settings_.echo && settings_.echoNewline ? "\n" : "";
        showTyped(byte);
        handOver(true);
        // The person's own line-end key ends the values' line as Enter does: left in it, it
        // would join the last value.
        lines_.back() = '\n';
    } else if (code == settings_.endOfInput) {
        ended_ = line_.empty();
        if (!ended_) {
            handOver(true);
        }
    } else if (code == settings_.erase) {
        if (!settings_.echoErase) {
            showTyped(byte);
        }
        eraseCharacter(settings_.echoErase);
    } else if (code == settings_.kill && settings_.echo && !settings_.echoKill) {
        showTyped(byte);
        startColumn_ = settings_.killNewline ? 0 : columnAfter(line_.size()) + 2;
        shown_ += settings_.killNewline ? "\n" : "";
        line_.clear();
    } else if (code == settings_.kill) {
        while (!line_.empty()) {
            eraseCharacter(true);
        }
    } else if (code == settings_.wordErase) {
        eraseWord();
    } else if (code == settings_.literalNext) {
        literal_ = true;
    } else if (code == settings_.reprint) {
        showTyped(byte);
        shown_ += settings_.echo ? "\n" : "";
        startColumn_ = 0;
        for (const char typed : line_) {
            showTyped(typed);
        }
    } else {
        insert(byte);
    }
}

void TerminalInput::insert(char byte) {
    line_ += byte;
    showTyped(byte);
    if (line_.size() >= kEditableBytes) {
        handOver(false);
    }
}

// As the terminal would show it: control characters as ^X where the settings say so.
void TerminalInput::showTyped(char byte) {
    if (!settings_.echo) {
        return;
    }
    if (settings_.echoControl && isControl(byte)) {
        shown_ += '^';
        shown_ += static_cast<char>(static_cast<unsigned char>(byte) ^ 0x40);
    } else {
        shown_ += byte;
    }
}

// A character's bytes go together, and so do a character and the marks that combine with it:
// on screen they are rubbed out over as many columns as they took.
void TerminalInput::eraseCharacter(bool rubOut) {
    std::size_t start = line_.size();
    while (start > 0) {
        do {
            --start;
        } while (start > 0 && isContinuationByte(line_[start]));
        if (isControl(line_[start]) || line_[start] == '\t' ||
            device_->columns(characterAt(line_, start)) > 0) {
            break;
        }
    }
    const std::size_t columns = columnAfter(line_.size()) - columnAfter(start);
    line_.erase(start);
    for (std::size_t column = 0; rubOut && settings_.echo && column < columns; ++column) {
        shown_ += "\b \b";
    }
}

void TerminalInput::eraseWord() {
    while (!line_.empty() && isBlank(line_.back())) {
        eraseCharacter(true);
    }
    while (!line_.empty() && !isBlank(line_.back())) {
        eraseCharacter(true);
    }
}

void TerminalInput::handOver(bool lineEnds) {
    lineUnfinished_ = !lineEnds;
    startColumn_ = line_.back() == '\n' ? 0 : columnAfter(line_.size());
    lines_ += line_;
    line_.clear();
}

std::size_t TerminalInput::columnAfter(std::size_t bytes) const {
    std::size_t column = startColumn_;
    for (std::size_t at = 0; at < bytes; ++at) {
        if (line_[at] == '\t') {
            column = (column / kTabStop + 1) * kTabStop;
        } else if (isControl(line_[at])) {
            column += settings_.echoControl ? 2 : 0;
        } else if (!isContinuationByte(line_[at])) {
            column += static_cast<std::size_t>(device_->columns(characterAt(line_, at)));
        }
    }
    return column;
}
