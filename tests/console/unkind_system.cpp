// SPDX-License-Identifier: MIT
// Preloaded under the keyboard cases to answer as a correct but unkind system may:
// - poll() as macOS's, which does not support terminals: "invalid" (POLLNVAL) at once for a
//   terminal, whatever is waiting on it;
// - write() refused every third call, in turn interrupted by a signal (EINTR) and "try again"
//   (EAGAIN) as on a description another program made non-blocking, and taking only half of
//   what it was given another third.
// A program that depends on poll() for its terminal, gives up on a write that can go on, or
// loses what a write left over then fails a case.
#include <dlfcn.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>

// The C library declares these with reserved names, which no program may use.
// NOLINTBEGIN(readability-inconsistent-declaration-parameter-name)
extern "C" int poll(struct pollfd* descriptors, nfds_t count, int timeout) {
    int answered = 0;
    for (nfds_t index = 0; index < count; ++index) {
        descriptors[index].revents = isatty(descriptors[index].fd) == 1 ? POLLNVAL : 0;
        answered += descriptors[index].revents != 0 ? 1 : 0;
    }
    using Poll = int (*)(struct pollfd*, nfds_t, int);
    static const auto systemPoll = reinterpret_cast<Poll>(dlsym(RTLD_NEXT, "poll"));
    return answered > 0 ? answered : systemPoll(descriptors, count, timeout);
}

extern "C" ssize_t write(int descriptor, const void* buffer, size_t count) {
    using Write = ssize_t (*)(int, const void*, size_t);
    static const auto systemWrite = reinterpret_cast<Write>(dlsym(RTLD_NEXT, "write"));
    static unsigned calls = 0;
    switch (++calls % 3) {
        case 0:
            errno = calls % 2 == 0 ? EAGAIN : EINTR;
            return -1;
        case 1:
            return systemWrite(descriptor, buffer, count > 1 ? count / 2 : count);
        default:
            return systemWrite(descriptor, buffer, count);
    }
}
// NOLINTEND(readability-inconsistent-declaration-parameter-name)
