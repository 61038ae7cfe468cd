#include "posix_terminal.h"

#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>

namespace {

// Every catchable signal whose default action ends the program.
constexpr int kEndingSignals[] = {SIGHUP,  SIGINT,    SIGQUIT, SIGTERM, SIGALRM, SIGUSR1,
                                  SIGUSR2, SIGVTALRM, SIGPROF, SIGXCPU, SIGXFSZ, SIGPIPE};

// What the handlers need to put the terminal back and to take it again. The settings are
// written only with the handled signals held, and `keyModeWanted` says whether they are valid.
struct termios lineSettings;
struct termios keySettings;
volatile std::sig_atomic_t keyModeWanted = 0;

sigset_t handledSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    for (const int signalNumber : kEndingSignals) {
        sigaddset(&signals, signalNumber);
    }
    sigaddset(&signals, SIGTSTP);
    sigaddset(&signals, SIGCONT);
    return signals;
}

// While the terminal's mode and the flag that tells the handlers about it change together.
class SignalsHeld {
public:
    SignalsHeld() {
        const sigset_t signals = handledSignals();
        sigprocmask(SIG_BLOCK, &signals, &previous_);
    }
    ~SignalsHeld() { sigprocmask(SIG_SETMASK, &previous_, nullptr); }
    SignalsHeld(const SignalsHeld&) = delete;
    SignalsHeld& operator=(const SignalsHeld&) = delete;

private:
    sigset_t previous_;
};

// A handler that returns must leave errno as the interrupted code had it.
class ErrnoKept {
public:
    ErrnoKept() = default;
    ~ErrnoKept() { errno = saved_; }
    ErrnoKept(const ErrnoKept&) = delete;
    ErrnoKept& operator=(const ErrnoKept&) = delete;

private:
    int saved_ = errno;
};

// Changes the terminal only while a `KeyMode` lives, whose settings these are, and only while
// the program's process group owns it: a job in the background leaves alone the terminal its
// shell is using. SIGTTOU is held for the call, so that losing the terminal in between cannot
// stop the program from inside a handler.
void setTerminal(const struct termios& settings) {
    if (keyModeWanted == 0) {
        return;
    }
    sigset_t ttou;
    sigset_t previous;
    sigemptyset(&ttou);
    sigaddset(&ttou, SIGTTOU);
    sigprocmask(SIG_BLOCK, &ttou, &previous);
    const pid_t foreground = tcgetpgrp(STDIN_FILENO);
    // -1: not the controlling terminal, so no job control can take it away.
    if (foreground == -1 || foreground == getpgrp()) {
        tcsetattr(STDIN_FILENO, TCSANOW, &settings);
    }
    sigprocmask(SIG_SETMASK, &previous, nullptr);
}

void handle(int signalNumber, void (*handler)(int), int flags) {
    struct sigaction action = {};
    action.sa_handler = handler;
    action.sa_flags = flags;
    action.sa_mask = handledSignals();
    sigaction(signalNumber, &action, nullptr);
}

void endOnSignal(int signalNumber) {
    const ErrnoKept errnoKept;
    setTerminal(lineSettings);
    // The handler was reset to the default on entry; the signal raised again is delivered on
    // return and ends the program the way the sender meant, with the status the shell expects.
    std::raise(signalNumber);
}

// Ctrl-Z: the shell gets its terminal back as it was, and `fg` finds the program waiting for a
// key again rather than for a line.
void stopOnSignal(int /*signalNumber*/) {
    const ErrnoKept errnoKept;
    setTerminal(lineSettings);
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGTSTP);
    sigprocmask(SIG_UNBLOCK, &stop, nullptr);
    std::raise(SIGTSTP);
    // Here once continued, or at once where no shell could ever continue the program (an
    // orphaned process group is not stopped).
    handle(SIGTSTP, stopOnSignal, SA_RESETHAND | SA_RESTART);
    setTerminal(keySettings);
}

// A stop that gave no chance to restore anything (SIGSTOP) leaves the shell to reset the
// terminal its own way; on continue in the foreground, the key wait takes it back.
void retakeOnContinue(int /*signalNumber*/) {
    const ErrnoKept errnoKept;
    setTerminal(keySettings);
}

// What the caller ignores (`trap '' INT`, a shell's background job) stays ignored.
void handleUnlessIgnored(int signalNumber, void (*handler)(int), int flags) {
    struct sigaction current = {};
    if (sigaction(signalNumber, nullptr, &current) == 0 && current.sa_handler != SIG_IGN) {
        handle(signalNumber, handler, flags);
    }
}

}  // namespace

KeyMode::KeyMode() {
    const SignalsHeld held;
    if (tcgetattr(STDIN_FILENO, &lineSettings) != 0) {
        return;
    }
    keySettings = lineSettings;
    keySettings.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
    keySettings.c_cc[VMIN] = 1;
    keySettings.c_cc[VTIME] = 0;
    entered_ = tcsetattr(STDIN_FILENO, TCSANOW, &keySettings) == 0;
    keyModeWanted = entered_ ? 1 : 0;
}

KeyMode::~KeyMode() {
    const SignalsHeld held;
    setTerminal(lineSettings);
    keyModeWanted = 0;
}

bool KeyMode::endsInput(unsigned char byte) {
    return byte == lineSettings.c_cc[VEOF] && byte != _POSIX_VDISABLE;
}

void keepTerminalAcrossSignals() {
    for (const int signalNumber : kEndingSignals) {
        handleUnlessIgnored(signalNumber, endOnSignal, SA_RESETHAND);
    }
    // Reads and writes that a stop and a continue interrupt go on afterwards: the program never
    // asked to be interrupted, and a write held by Ctrl-S must not fail because of a Ctrl-Z.
    handleUnlessIgnored(SIGTSTP, stopOnSignal, SA_RESETHAND | SA_RESTART);
    handleUnlessIgnored(SIGCONT, retakeOnContinue, SA_RESTART);
}

void endAsHangUp() {
    std::signal(SIGHUP, SIG_DFL);
    sigset_t hangUp;
    sigemptyset(&hangUp);
    sigaddset(&hangUp, SIGHUP);
    sigprocmask(SIG_UNBLOCK, &hangUp, nullptr);
    std::raise(SIGHUP);
    std::_Exit(128 + SIGHUP);
}
