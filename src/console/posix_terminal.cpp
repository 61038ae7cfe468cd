// SPDX-License-Identifier: MIT
#include "posix_terminal.h"

#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <initializer_list>
#include <string_view>

namespace {

// What the handlers need to put the terminal back and to take it again. The settings are
// written only with every signal held, and are valid once `settingsNoted` says so; they are
// noted afresh whenever the program takes the terminal after handing it back, as the person may
// have changed them meanwhile.
struct termios settingsFound;
struct termios settingsForKeys;
volatile std::sig_atomic_t keyModeWanted = 0;
volatile std::sig_atomic_t settingsNoted = 0;
volatile std::sig_atomic_t handedBack = 0;
volatile std::sig_atomic_t everNoted = 0;
// Where the terminal is written to, and whether bracketed paste is on there by the program's
// doing, as far as it knows: a shell may turn it off while the program is stopped.
volatile std::sig_atomic_t terminalOutput = -1;
volatile std::sig_atomic_t pasteMarked = 0;

constexpr std::string_view kBracketedPasteOn = "\x1b[?2004h";
constexpr std::string_view kBracketedPasteOff = "\x1b[?2004l";

// Every catchable signal whose default action ends the program, with or without a core dump.
// SIGPOLL and SIGPWR only where that is their default: elsewhere they are ignored by default,
// and a handler that restores the terminal and raises them again would leave the program
// running in the person's mode.
template <typename Each>
void forEachEndingSignal(Each each) {
    for (const int signalNumber :
         {SIGHUP, SIGINT, SIGQUIT, SIGILL, SIGTRAP, SIGABRT, SIGBUS, SIGFPE, SIGUSR1, SIGSEGV,
          SIGUSR2, SIGPIPE, SIGALRM, SIGTERM, SIGXCPU, SIGXFSZ, SIGVTALRM, SIGPROF, SIGSYS}) {
        each(signalNumber);
    }
#ifdef __linux__
    each(SIGPOLL);
    each(SIGPWR);
#endif
#ifdef SIGSTKFLT
    each(SIGSTKFLT);
#endif
#ifdef SIGEMT
    each(SIGEMT);
#endif
#ifdef SIGRTMIN
    for (int signalNumber = SIGRTMIN; signalNumber <= SIGRTMAX; ++signalNumber) {
        each(signalNumber);
    }
#endif
}

// While the terminal's mode and the flag that tells the handlers about it change together.
class SignalsHeld {
public:
    SignalsHeld() {
        sigset_t every;
        sigfillset(&every);
        sigprocmask(SIG_BLOCK, &every, &previous_);
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

// `signalNumber` alone, as a set for sigprocmask().
sigset_t only(int signalNumber) {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, signalNumber);
    return set;
}

// A job in the background leaves alone the terminal its shell is using.
bool inForeground() {
    const pid_t foreground = tcgetpgrp(STDIN_FILENO);
    // -1: not the controlling terminal, so no job control can take it away.
    return foreground == -1 || foreground == getpgrp();
}

// Key at a time, without the terminal's echo, and with what a person needs whatever another
// program left the terminal in: Enter as a line end, Ctrl-C and Ctrl-Z, line ends on output,
// reads that wait for a key. Without IEXTEN: the program does literal-next itself, and macOS and
// the BSDs act on Ctrl-V, Ctrl-O (output thrown away) and Ctrl-Y (delayed suspend) with it even
// outside line mode.
struct termios keyModeOf(const struct termios& found) {
    struct termios keys = found;
    keys.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | ECHONL | IEXTEN);
    keys.c_lflag |= ISIG;
    keys.c_iflag &= ~static_cast<tcflag_t>(INLCR | IGNCR);
    keys.c_iflag |= ICRNL;
    keys.c_oflag |= OPOST | ONLCR;
    keys.c_cc[VMIN] = 1;
    keys.c_cc[VTIME] = 0;
    return keys;
}

// All of `text`, unless the terminal is gone. Called only where SIGTTOU is held.
void writeToTerminal(std::string_view text) {
    while (!text.empty()) {
        const ssize_t written = write(terminalOutput, text.data(), text.size());
        if (written > 0) {
            text.remove_prefix(static_cast<std::size_t>(written));
        } else if (written == 0 || (errno != EINTR && errno != EAGAIN)) {
            return;
        }
    }
}

// Only while a `KeyMode` lives and the program's process group owns the terminal. SIGTTOU is
// held for the call, so that losing the terminal in between cannot stop the program from inside
// a handler. Bracketed paste is on exactly while the terminal is in key mode: written to the
// terminal itself, never to output that may go elsewhere, and only when it changes, as this is
// called at every read.
void setTerminal(const struct termios& settings, bool markPastes, std::string_view before = {}) {
    const sigset_t ttou = only(SIGTTOU);
    sigset_t previous;
    sigprocmask(SIG_BLOCK, &ttou, &previous);
    if (keyModeWanted != 0 && inForeground()) {
        writeToTerminal(before);
        if (!markPastes && pasteMarked != 0) {
            writeToTerminal(kBracketedPasteOff);
        }
        tcsetattr(STDIN_FILENO, TCSANOW, &settings);
        if (markPastes && pasteMarked == 0) {
            writeToTerminal(kBracketedPasteOn);
        }
        pasteMarked = markPastes ? 1 : 0;
    }
    sigprocmask(SIG_SETMASK, &previous, nullptr);
}

// Puts the terminal in key mode, first noting the person's settings if they are not noted yet:
// a program started in the background notes them once it has the terminal, when they are the
// person's and not those of a shell editing its command line; one brought back with `fg` notes
// what the person may have set while it was stopped. Called with every signal held.
bool takeTerminal() {
    struct termios now = {};
    if (keyModeWanted == 0 || !inForeground() || tcgetattr(STDIN_FILENO, &now) != 0) {
        return false;
    }
    if (settingsNoted == 0) {
        settingsFound = now;
        settingsForKeys = keyModeOf(now);
        settingsNoted = everNoted = 1;
    }
    setTerminal(settingsForKeys, true);
    return true;
}

// `before` is written first, while the terminal is still in key mode. The settings are noted
// again when the program next takes the terminal.
void giveTerminalBack(std::string_view before = {}) {
    if (settingsNoted != 0) {
        setTerminal(settingsFound, false, before);
        settingsNoted = 0;
    }
}

void handle(int signalNumber, void (*handler)(int), int flags) {
    struct sigaction action = {};
    action.sa_handler = handler;
    action.sa_flags = flags;
    sigfillset(&action.sa_mask);
    sigaction(signalNumber, &action, nullptr);
}

// The person's interrupt and quit keys (Ctrl-C, Ctrl-\) show as a shell shows them, ^C, and end
// the line, so that what the shell writes next starts a line of its own.
std::string_view keyShown(int signalNumber) {
    static char shown[] = "^?\r\n";
    const cc_t key = settingsFound.c_cc[signalNumber == SIGINT ? VINTR : VQUIT];
    const bool echoed = (settingsFound.c_lflag & ECHO) != 0;
#ifdef ECHOCTL
    const bool asCaret = (settingsFound.c_lflag & ECHOCTL) != 0 && key != _POSIX_VDISABLE;
#else
    const bool asCaret = key != _POSIX_VDISABLE;
#endif
    if (!echoed || (signalNumber != SIGINT && signalNumber != SIGQUIT)) {
        return {};
    }
    const bool control = key < 0x20 || key == 0x7F;
    shown[1] = static_cast<char>(control ? key ^ 0x40 : key);
    return std::string_view(shown).substr(!asCaret ? 2 : control ? 0 : 1);
}

void endOnSignal(int signalNumber) {
    const ErrnoKept errnoKept;
    giveTerminalBack(settingsNoted != 0 ? keyShown(signalNumber) : std::string_view());
    // The handler was reset to the default on entry; the signal raised again is delivered on
    // return and ends the program the way the sender meant, with the status the shell expects
    // and a core dump where the signal makes one. A fault raises itself again anyway.
    std::raise(signalNumber);
}

// Ctrl-Z: the shell gets its terminal back as it was, and `fg` finds the program waiting where
// it was. The terminal forgets a line being typed at Ctrl-Z, and so does the program.
void stopOnSignal(int /*signalNumber*/) {
    const ErrnoKept errnoKept;
    giveTerminalBack();
    handedBack = 1;
    const sigset_t stop = only(SIGTSTP);
    sigprocmask(SIG_UNBLOCK, &stop, nullptr);
    std::raise(SIGTSTP);
    // Here once continued, or at once where no shell could ever continue the program (an
    // orphaned process group is not stopped); the continue's own handler takes the terminal.
    handle(SIGTSTP, stopOnSignal, SA_RESETHAND | SA_RESTART);
}

// A stop that gave no chance to restore anything (SIGSTOP) leaves the terminal as the shell
// found it, and a program started in the background has yet to take it: on continue in the
// foreground, it takes it. A shell may have turned bracketed paste off meanwhile.
void retakeOnContinue(int /*signalNumber*/) {
    const ErrnoKept errnoKept;
    pasteMarked = 0;
    takeTerminal();
}

// Only so that a wait for a key ends, and the line is drawn for the new width.
void noteResize(int /*signalNumber*/) {}

// What the caller ignores (`trap '' INT`, a shell's background job) stays ignored.
void handleUnlessIgnored(int signalNumber, void (*handler)(int), int flags) {
    struct sigaction current = {};
    if (sigaction(signalNumber, nullptr, &current) == 0 && current.sa_handler != SIG_IGN) {
        handle(signalNumber, handler, flags);
    }
}

}  // namespace

KeyMode::KeyMode(int terminalForWriting) {
    terminalOutput = terminalForWriting;
    forEachEndingSignal(
        [](int signalNumber) { handleUnlessIgnored(signalNumber, endOnSignal, SA_RESETHAND); });
    // Reads and writes that a stop and a continue interrupt go on afterwards: the program never
    // asked to be interrupted, and a write held by Ctrl-S must not fail because of a Ctrl-Z.
    handleUnlessIgnored(SIGTSTP, stopOnSignal, SA_RESETHAND | SA_RESTART);
    handleUnlessIgnored(SIGCONT, retakeOnContinue, SA_RESTART);
    handleUnlessIgnored(SIGWINCH, noteResize, SA_RESTART);

    const SignalsHeld held;
    keyModeWanted = 1;
    takeTerminal();
}

KeyMode::~KeyMode() {
    const SignalsHeld held;
    giveTerminalBack();
    keyModeWanted = 0;
}

bool KeyMode::personSettings(struct termios& settings) {
    const SignalsHeld held;
    settings = settingsFound;
    return everNoted != 0;
}

bool KeyMode::take() {
    const SignalsHeld held;
    return takeTerminal();
}

void KeyMode::quoteKeys(bool quoted) {
    const SignalsHeld held;
    if (settingsNoted != 0) {
        settingsForKeys.c_lflag = quoted ? settingsForKeys.c_lflag & ~static_cast<tcflag_t>(ISIG)
                                         : settingsForKeys.c_lflag | ISIG;
        setTerminal(settingsForKeys, true);
    }
}

bool KeyMode::takeHandedBack() {
    const bool was = handedBack != 0;
    handedBack = 0;
    return was;
}

void endAsHangUp() {
    std::signal(SIGHUP, SIG_DFL);
    std::raise(SIGHUP);
    // Where SIGHUP is held, the status a shell gives for it.
    std::_Exit(128 + SIGHUP);
}
