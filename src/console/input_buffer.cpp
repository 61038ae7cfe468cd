// SPDX-License-Identifier: MIT
#include "input_buffer.h"

#include <cstdio>

void flushOutput() {
    if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
        throw OutputFailed();
    }
}

bool InputBuffer::refill() {
    if (ended_) {
        return false;
    }
    flushOutput();
    next_ = 0;
    filled_ = input_.readInput(bytes_, sizeof bytes_);
    ended_ = filled_ == 0;
    return !ended_;
}
