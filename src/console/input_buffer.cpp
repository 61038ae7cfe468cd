#include "input_buffer.h"

#include <cstdio>

bool InputBuffer::refill() {
    if (ended_) {
        return false;
    }
    std::fflush(stdout);
    next_ = 0;
    filled_ = input_.readInput(bytes_, sizeof bytes_);
    ended_ = filled_ == 0;
    // A terminal hands over one typed line per read; only a pipe splits lines between reads.
    if (!ended_) {
        lineOpen_ = input_.hasKeyboard() && bytes_[filled_ - 1] != '\n';
    }
    return !ended_;
}
