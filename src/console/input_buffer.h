#pragma once

#include <cstddef>

#include "console_input.h"

/// Standard input, byte by byte, read in large blocks from a `ConsoleInput`.
///
/// Everything written to standard output is flushed before a block is waited for, so whatever
/// the user is asked is on screen before the program waits, while a fast producer on a pipe is
/// served from the block with no flush per line. Once the input has ended it stays ended, even
/// on a terminal where another read would wait for more.
class InputBuffer {
public:
    static constexpr int kEnd = -1;  ///< What `peek` returns once the input has ended.

    explicit InputBuffer(ConsoleInput& input) : input_(input) {}
    InputBuffer(const InputBuffer&) = delete;
    InputBuffer& operator=(const InputBuffer&) = delete;

    /// The next byte (0 to 255) without consuming it, or `kEnd`.
    int peek() {
        if (next_ == filled_ && !refill()) {
            return kEnd;
        }
        return static_cast<unsigned char>(bytes_[next_]);
    }

    /// Consumes the byte that `peek` returned; only valid after a `peek` that was not `kEnd`.
    void advance() { ++next_; }

    /// The bytes C's isspace takes as white space, without its dependence on the locale.
    static bool isSeparator(int byte) {
        return byte == ' ' || byte == '\t' || byte == '\n' || byte == '\v' || byte == '\f' ||
               byte == '\r';
    }

    /// Consumes white space and returns the byte after it, as `peek` does.
    int skipSeparators() {
        int byte = peek();
        while (isSeparator(byte)) {
            advance();
            byte = peek();
        }
        return byte;
    }

private:
    bool refill();

    ConsoleInput& input_;
    std::size_t next_ = 0;    ///< Index of the next unread byte in `bytes_`.
    std::size_t filled_ = 0;  ///< Number of valid bytes in `bytes_`.
    bool ended_ = false;
    char bytes_[1 << 16];
};
