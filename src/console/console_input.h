#pragma once

#include <cstddef>

/// What a key press after an answered set means to the loop.
enum class Key {
    Escape,  ///< End the program.
    Other,   ///< Start the next set: any other key, or values pasted instead of a key.
    End,     ///< Ctrl-D, or no key can ever come: end as the end of the input does.
};

/// The platform layer: where the loop gets its bytes and key presses. One implementation per
/// system, one over a terminal that edits lines itself, and in-memory ones in the fuzzer; the
/// loop reads the same over all of them. A read that fails for any reason but a signal throws
/// std::system_error carrying the system's reason.
class ConsoleInput {
public:
    virtual ~ConsoleInput() = default;

    /// Blocks until standard input has bytes, copies up to `capacity` of them into `buffer` and
    /// returns how many; 0 means the input has ended. At a keyboard, what was typed is shown as
    /// it is read.
    virtual std::size_t readInput(char* buffer, std::size_t capacity) = 0;

    /// True when `readInput` would return at once: lines typed ahead, or the input's end, are
    /// already there. Only called with a keyboard.
    virtual bool inputWaiting() = 0;

    /// True when a person is at a keyboard (standard input is a terminal); false when the
    /// program is fed by a pipe or a file and key presses are taken from the input itself.
    virtual bool hasKeyboard() const = 0;

    /// Waits for one key press, without echo and without Enter. Values pasted or typed ahead
    /// instead are `Key::Other`, and `readInput` returns them next. Only called with a keyboard.
    virtual Key readKey() = 0;

    /// Moves the cursor below what was typed, where typing did not end a line (Ctrl-D part-way,
    /// or a line too long to edit whole), so that what the program writes next starts a line.
    virtual void endTypedLine() {}
};
