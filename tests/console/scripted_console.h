#pragma once

#include <stdio_ext.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <deque>
#include <string>

#include "console_input.h"

/// A console fed from a string, handed out `blockSize` bytes per read so that values and keys
/// can be split across reads anywhere. With a keyboard, `readKey` hands out `keys` in turn and
/// then reports the keyboard gone. Every wait checks that standard output was flushed first.
class ScriptedConsole final : public ConsoleInput {
public:
    ScriptedConsole(std::string input, bool keyboard, std::deque<Key> keys = {},
                    std::size_t blockSize = 4096)
        : input_(std::move(input)),
          keyboard_(keyboard),
          keys_(std::move(keys)),
          blockSize_(blockSize) {}

    std::size_t readInput(char* buffer, std::size_t capacity) override {
        noteWait();
        const std::size_t count = std::min({capacity, blockSize_, input_.size() - consumed_});
        std::memcpy(buffer, input_.data() + consumed_, count);
        consumed_ += count;
        return count;
    }

    bool inputWaiting() override { return false; }
    bool hasKeyboard() const override { return keyboard_; }

    Key readKey() override {
        noteWait();
        ++keysRead;
        if (keys_.empty()) {
            return Key::End;
        }
        const Key key = keys_.front();
        keys_.pop_front();
        return key;
    }

    int keysRead = 0;
    int waitsWithOutputPending = 0;

private:
    void noteWait() {
        if (__fpending(stdout) != 0) {
            ++waitsWithOutputPending;
        }
    }

    std::string input_;
    std::size_t consumed_ = 0;
    bool keyboard_;
    std::deque<Key> keys_;
    std::size_t blockSize_;
};
