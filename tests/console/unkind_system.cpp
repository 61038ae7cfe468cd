// Preloaded under the keyboard cases to answer as a correct but unkind system may:
// - poll() as macOS's, which does not support terminals: "invalid" (POLLNVAL) at once for a
//   terminal, whatever is waiting on it;
// - select() and read() interrupted by a signal (EINTR) every third call;
// - write() interrupted, or "try again" (EAGAIN) as on a description another program made
//   non-blocking, in turn every third call, and taking half of what it was given another third.
// A program that depends on poll() for its terminal, does not start an interrupted call again,
// or loses what a write left over then fails a case.
#include <dlfcn.h>
#include <poll.h>
#include <sys/select.h>
#include <unistd.h>

#include <cerrno>

namespace {

template <typename Function>
Function systemCall(const char* name, Function /*ours*/) {
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

// The calls' turn, one count per kind of call.
unsigned turn(unsigned& calls) {
    return ++calls % 3;
}

}  // namespace

// The C library declares these with reserved names, which no program may use.
// NOLINTBEGIN(readability-inconsistent-declaration-parameter-name)
extern "C" int poll(struct pollfd* descriptors, nfds_t count, int timeout) {
    int answered = 0;
    for (nfds_t index = 0; index < count; ++index) {
        descriptors[index].revents = isatty(descriptors[index].fd) == 1 ? POLLNVAL : 0;
        answered += descriptors[index].revents != 0 ? 1 : 0;
    }
    static const auto next = systemCall("poll", &poll);
    return answered > 0 ? answered : next(descriptors, count, timeout);
}

extern "C" int select(int count, fd_set* reading, fd_set* writing, fd_set* failing,
                      struct timeval* timeout) {
    static unsigned calls = 0;
    static const auto next = systemCall("select", &select);
    if (turn(calls) == 0) {
        errno = EINTR;
        return -1;
    }
    return next(count, reading, writing, failing, timeout);
}

extern "C" ssize_t read(int descriptor, void* buffer, size_t count) {
    static unsigned calls = 0;
    static const auto next = systemCall("read", &read);
    if (turn(calls) == 0) {
        errno = EINTR;
        return -1;
    }
    return next(descriptor, buffer, count);
}

extern "C" ssize_t write(int descriptor, const void* buffer, size_t count) {
    static unsigned calls = 0;
    static bool again = false;
    static const auto next = systemCall("write", &write);
    switch (turn(calls)) {
        case 0:
            again = !again;
            errno = again ? EAGAIN : EINTR;
            return -1;
        case 1:
            return next(descriptor, buffer, count > 1 ? count / 2 : count);
        default:
            return next(descriptor, buffer, count);
    }
}
// NOLINTEND(readability-inconsistent-declaration-parameter-name)
