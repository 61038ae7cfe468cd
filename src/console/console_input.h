// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <string_view>

/// What a key press after an answered set means to the loop.
enum class Key {
    Escape,  ///< End the program.
    Other,   ///< Start the next set: any other key, or values pasted instead of a key.
    End,     ///< Ctrl-D, or no key can ever come: end as the end of the input does.
};

/// What a console does with values left on a line after a set's seventh.
enum class TakenBack {
    No,        ///< They are read on as they stand, as a script's are.
    AfterKey,  ///< Given again as the start of the next line read, once a key is pressed.
    AtOnce,    ///< Given again as the start of the next line read, with no key awaited.
};

/// The platform layer: where the loop gets its bytes and key presses: standard input from a pipe
/// or a file, a terminal that the program edits lines at itself, the Windows console, and
/// in-memory ones in the fuzzer. The loop reads the same over all of them. A read that fails for
/// any reason but a signal throws std::system_error carrying the system's reason.
class ConsoleInput {
public:
    virtual ~ConsoleInput() = default;

    /// Blocks until standard input has bytes, copies up to `capacity` of them into `buffer` and
    /// returns how many; 0 means the input has ended. At a keyboard, what was typed is shown as
    /// it is read.
    virtual std::size_t readInput(char* buffer, std::size_t capacity) = 0;

    /// True when `readInput` would return at once: lines typed ahead, or the input's end, are
    /// already there. Always true without a keyboard (a pipe or a file), where what follows a
    /// set is in the input itself, however late it comes, and no key is ever waited for.
    virtual bool inputWaiting() = 0;

    /// Waits for one key press, without echo and without Enter. Values pasted or typed ahead
    /// instead are `Key::Other`, and `readInput` returns them next. Only called when
    /// `inputWaiting` is false.
    virtual Key readKey() = 0;

    /// Moves the cursor below what was typed, where typing did not end a line (Ctrl-D part-way,
    /// or a line too long to edit whole), so that what the program writes next starts a line.
    virtual void endTypedLine() {}

    /// What becomes of `rest`, what `readInput` gave after a set's seventh value on the same line,
    /// beginning with a value; `wholeSetFollows` when it holds seven values or more. A keyboard
    /// takes back a line typed, where the person should see what the next set is made of, and the
    /// short rest of a paste; a script, and a paste that goes on set by set, keep flowing.
    virtual TakenBack takeBackValues(std::string_view /*rest*/, bool /*wholeSetFollows*/) {
        return TakenBack::No;
    }

    /// True when the input ended because Escape was pressed where values are typed.
    virtual bool endedByEscape() const { return false; }
};
