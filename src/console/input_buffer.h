#pragma once

#include <cstddef>
#include <string>
#include <utility>

#include "console_input.h"

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
            if (!mayWait && !ended_ && held_.empty() && !input_.inputWaiting()) {
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

    /// Makes `typed`, which a key wait took instead of a key, the next bytes read. Only valid
    /// when every byte read so far has been consumed.
    void hold(const std::string& typed) {
        held_ += typed;
        unshown_ += typed;
    }

    /// The bytes held since the last call, for the loop to show where the user expects them.
    std::string takeUnshown() { return std::exchange(unshown_, std::string()); }

    /// True, once, when the last bytes read from a keyboard did not end a line: the user pressed
    /// Ctrl-D part-way through one, or values typed ahead ended part-way through one, and the
    /// cursor still stands after them.
    bool takeOpenLine() {
        const bool open = lineOpen_;
        lineOpen_ = false;
        return open;
    }

private:
    bool refill();

    ConsoleInput& input_;
    std::size_t next_ = 0;    ///< Index of the next unread byte in `bytes_`.
    std::size_t filled_ = 0;  ///< Number of valid bytes in `bytes_`.
    bool ended_ = false;
    bool lineOpen_ = false;  ///< See `takeOpenLine`.
    std::string held_;       ///< Bytes to read before reading `input_` again; see `hold`.
    std::string unshown_;    ///< See `takeUnshown`.
    char bytes_[1 << 16];
};
