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
    return !ended_;
}
