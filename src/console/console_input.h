#pragma once

#include <cstddef>
#include <string>
#include <string_view>

/// What a key press after an answered set means to the loop.
enum class Key {
    Escape,  ///< End the program.
    Other,   ///< Start the next set.
    End,     ///< Ctrl-D, or no key can ever come: end as the end of the input does.
    Typed,   ///< No key: values typed ahead or pasted came instead, and are the next input.
};

/// The platform layer: where the loop gets its bytes and key presses. One implementation per
/// system, one in-memory one in the fuzzer; the loop reads the same over all of them. A read
/// that fails for any reason but a signal throws std::system_error carrying the system's reason.
class ConsoleInput {
public:
    virtual ~ConsoleInput() = default;

    /// Blocks until standard input has bytes, copies up to `capacity` of them into `buffer` and
    /// returns how many; 0 means the input has ended.
    virtual std::size_t readInput(char* buffer, std::size_t capacity) = 0;

    /// True when `readInput` would return at once: lines typed ahead or pasted, or the input's
    /// end, are already there. Only called with a keyboard.
    virtual bool inputWaiting() = 0;

    /// True when a person is at a keyboard (standard input is a terminal); false when the
    /// program is fed by a pipe or a file and key presses are taken from the input itself.
    virtual bool hasKeyboard() const = 0;

    /// Waits for one key press, without echo and without Enter. When what arrives is no single
    /// key press but values typed ahead or pasted, returns `Key::Typed` with their bytes in
    /// `typed`; they were not shown, and `readInput` will not return them. Only called with a
    /// keyboard.
    virtual Key readKey(std::string& typed) = 0;

    /// Shows `text` where the terminal shows what is typed. Only called with a keyboard.
    virtual void echo(std::string_view text) = 0;
};
