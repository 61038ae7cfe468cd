// Preloaded under the keyboard cases to make poll() answer as macOS's does, which does not
// support terminals: "invalid" (POLLNVAL) at once for a terminal, whatever is waiting on it.
// Any dependence of the program on poll() for its terminal then shows as a failing case.
#include <dlfcn.h>
#include <poll.h>
#include <unistd.h>

// The C library declares it with reserved names, which no program may use.
// NOLINTNEXTLINE(readability-inconsistent-declaration-parameter-name)
extern "C" int poll(struct pollfd* descriptors, nfds_t count, int timeout) {
    int answered = 0;
    for (nfds_t index = 0; index < count; ++index) {
        descriptors[index].revents = isatty(descriptors[index].fd) == 1 ? POLLNVAL : 0;
        answered += descriptors[index].revents != 0 ? 1 : 0;
    }
    if (answered > 0) {
        return answered;
    }
    using Poll = int (*)(struct pollfd*, nfds_t, int);
    static const auto systemPoll = reinterpret_cast<Poll>(dlsym(RTLD_NEXT, "poll"));
    return systemPoll(descriptors, count, timeout);
}
