// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string_view>

#include "console_input.h"

/// Thrown when standard output could not be written: the program stops at once rather than
/// going on with no one able to see it.
class OutputFailed : public std::runtime_error {
public:
    OutputFailed() : std::runtime_error("could not write standard output") {}
};

/// Flushes standard output; throws `OutputFailed` if anything written to it so far failed.
void flushOutput();

/// Standard input, byte by byte, read in large blocks from a `ConsoleInput`.
///
/// Everything written to standard output is flushed before a block is waited for, so whatever
/// the user is asked is on screen before the program waits, while a fast producer on a pipe is
/// served from the block with no flush per line. Once the input has ended it stays ended, even
/// on a terminal where another read would wait for more.
class InputBuffer {
public:
    static constexpr int kEnd = -1;     ///< What `peek` returns once the input has ended.
    static constexpr int kNotYet = -2;  ///< What a `peek` that may not wait returns instead.

    explicit InputBuffer(ConsoleInput& input) : input_(input) {}
    InputBuffer(const InputBuffer&) = delete;
    InputBuffer& operator=(const InputBuffer&) = delete;

    /// The next byte (0 to 255) without consuming it, or `kEnd`. With `mayWait` false, `kNotYet`
    /// when the byte has not arrived yet and waiting would be needed for it.
    int peek(bool mayWait = true) {
        if (next_ == filled_) {
            if (!mayWait && !ended_ && !input_.inputWaiting()) {
                return kNotYet;
            }
            if (!refill()) {
                return kEnd;
            }
        }
        return static_cast<unsigned char>(bytes_[next_]);
    }

    /// Consumes the byte that `peek` returned; only valid after a `peek` that returned one.
    void advance() { ++next_; }

    /// What has been read from the input and not yet consumed.
    std::string_view unread() const { return {bytes_ + next_, filled_ - next_}; }

    /// Consumes all of `unread()`.
    void discardUnread() { next_ = filled_; }

    /// The bytes C's isspace takes as white space, without its dependence on the locale.
    static bool isSeparator(int byte) {
        return byte == ' ' || byte == '\t' || byte == '\n' || byte == '\v' || byte == '\f' ||
               byte == '\r';
    }

    /// Consumes white space and returns the byte after it, as `peek` does.
    int skipSeparators(bool mayWait = true) {
        int byte = peek(mayWait);
        while (isSeparator(byte)) {
            advance();
            byte = peek(mayWait);
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
