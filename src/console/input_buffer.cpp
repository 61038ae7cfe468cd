#include "input_buffer.h"

#include <cstdio>

bool InputBuffer::refill() {
    if (ended_) {
        return false;
    }
    std::fflush(stdout);
    next_ = 0;
    if (held_.empty()) {
        filled_ = input_.readInput(bytes_, sizeof bytes_);
    } else {
        filled_ = held_.copy(bytes_, sizeof bytes_);
        held_.erase(0, filled_);
    }
    ended_ = filled_ == 0;
    // At a keyboard each read brings one typed line, so one without a line feed was cut short by
    // Ctrl-D, or is the start of a line typed ahead; the reads of a pipe or a file split lines
    // anywhere.
    if (!ended_) {
        lineOpen_ = input_.hasKeyboard() && bytes_[filled_ - 1] != '\n';
    }
    return !ended_;
}
