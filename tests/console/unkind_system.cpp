// Preloaded under the keyboard cases to answer as a correct but unkind system may:
// - poll() as macOS's, which does not support terminals: "invalid" (POLLNVAL) at once for a
//   terminal, whatever is waiting on it;
// - select() interrupted by a signal (EINTR) every third call;
// - write() refused every third call, in turn interrupted and "try again" (EAGAIN) as on a
//   description another program made non-blocking, and taking half of a text another third.
// A program that depends on poll() for its terminal, does not start an interrupted call again,
// or loses what a write left over then fails a case.
#include <dlfcn.h>
#include <poll.h>
#include <sys/select.h>
#include <unistd.h>

#include <cerrno>

namespace {

// The C library's own function `name`, of the type of `ours`.
template <typename Function>
Function libraryCall(const char* name, Function /*ours*/) {
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

// Counts a call; every third is refused with `error`.
bool refused(unsigned& calls, int error) {
    errno = ++calls % 3 == 0 ? error : errno;
    return calls % 3 == 0;
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
    return answered > 0 ? answered : libraryCall("poll", &poll)(descriptors, count, timeout);
}

extern "C" int select(int count, fd_set* reading, fd_set* writing, fd_set* failing,
                      struct timeval* timeout) {
    static unsigned calls = 0;
    return refused(calls, EINTR)
               ? -1
               : libraryCall("select", &select)(count, reading, writing, failing, timeout);
}

extern "C" ssize_t write(int descriptor, const void* buffer, size_t count) {
    static unsigned calls = 0;
    if (refused(calls, calls % 2 == 0 ? EINTR : EAGAIN)) {
        return -1;
    }
    const size_t taken = calls % 3 == 1 && count > 1 ? count / 2 : count;
    return libraryCall("write", &write)(descriptor, buffer, taken);
}
// NOLINTEND(readability-inconsistent-declaration-parameter-name)
