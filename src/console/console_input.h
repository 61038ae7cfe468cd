#pragma once

#include <cstddef>

/// What a key press after an answered set means to the loop.
enum class Key {
    Escape,  ///< End the program.
    Other,   ///< Start the next set.
    None,    ///< No key can ever come (the keyboard is gone): end the program.
};

/// The platform layer: where the loop gets its bytes and key presses. One implementation per
/// system, one scripted fake in the tests; the loop reads the same over all of them.
class ConsoleInput {
public:
    virtual ~ConsoleInput() = default;

    /// Blocks until standard input has bytes, copies up to `capacity` of them into `buffer` and
    /// returns how many; 0 means the input has ended or can no longer be read.
    virtual std::size_t readInput(char* buffer, std::size_t capacity) = 0;

    /// True when a person is at a keyboard (standard input is a terminal); false when the
    /// program is fed by a pipe or a file and key presses are taken from the input itself.
    virtual bool hasKeyboard() const = 0;

    /// Waits for one key press, without echo and without Enter. Only called with a keyboard.
    virtual Key readKey() = 0;
};
