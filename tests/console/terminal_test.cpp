// Drives the built program through a pseudo-terminal, as a person at a keyboard would.
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <string>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kPatience = std::chrono::seconds(10);

// Owns one run of the program on the slave side of a fresh pseudo-terminal.
class TerminalTest : public ::testing::Test {
protected:
    void SetUp() override {
        child_ = forkpty(&master_, nullptr, nullptr, nullptr);
        ASSERT_GE(child_, 0);
        if (child_ == 0) {
            runInChild();
        }
    }

    // Runs in the child, the session leader of the new terminal; never returns.
    virtual void runInChild() {
        execl(GUARD_EXECUTABLE, GUARD_EXECUTABLE, static_cast<char*>(nullptr));
        _exit(127);
    }

    void TearDown() override {
        if (child_ > 0) {
            kill(child_, SIGKILL);
            waitpid(child_, nullptr, 0);
        }
        close(master_);
    }

    void type(const std::string& keys) const {
        ASSERT_EQ(write(master_, keys.data(), keys.size()), static_cast<ssize_t>(keys.size()));
    }

    // Takes whatever the program has written so far, waiting up to `milliseconds` for it.
    void drain(int milliseconds) {
        struct pollfd ready = {master_, POLLIN, 0};
        if (poll(&ready, 1, milliseconds) == 1) {
            char block[4096];
            const ssize_t count = read(master_, block, sizeof block);
            if (count > 0) {
                screen_.append(block, static_cast<std::size_t>(count));
            }
        }
    }

    // Reads the screen until `text` has appeared `times` times in all, or patience runs out.
    bool waitForText(const std::string& text, int times = 1) {
        const auto deadline = Clock::now() + kPatience;
        while (countOf(text) < times && Clock::now() < deadline) {
            drain(50);
        }
        return countOf(text) >= times;
    }

    // The program sets the terminal itself; its settings show through the master side. Line
    // mode is the one a shell leaves: echo and line editing on.
    tcflag_t echoAndLineEditing() const {
        struct termios settings = {};
        tcgetattr(master_, &settings);
        return settings.c_lflag & (ICANON | ECHO);
    }
    bool inLineMode() const { return echoAndLineEditing() == (ICANON | ECHO); }

    bool waitForKeyMode(bool keyAtATime) {
        const auto deadline = Clock::now() + kPatience;
        while (Clock::now() < deadline) {
            if (keyAtATime ? echoAndLineEditing() == 0 : inLineMode()) {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    int waitForExit() {
        int status = 0;
        const auto deadline = Clock::now() + kPatience;
        while (Clock::now() < deadline) {
            drain(10);
            if (waitpid(child_, &status, WNOHANG) == child_) {
                child_ = -1;
                return status;
            }
        }
        ADD_FAILURE() << "the program did not exit";
        return -1;
    }

    void answerSetAndReachKey(const std::string& values, int setNumber) {
        ASSERT_TRUE(waitForText("3\tWEAPON_GUN\r\n\r\n", setNumber)) << screen_;
        ASSERT_TRUE(waitForKeyMode(false));
        type(values);
        ASSERT_TRUE(waitForText("Press any key to continue", setNumber)) << screen_;
        ASSERT_TRUE(waitForKeyMode(true)) << "no key-at-a-time mode while waiting for the key";
    }

    int countOf(const std::string& text) const {
        int count = 0;
        for (auto at = screen_.find(text); at != std::string::npos;
             at = screen_.find(text, at + text.size())) {
            ++count;
        }
        return count;
    }

    std::string screen_;
    pid_t child_ = -1;

private:
    int master_ = -1;
};

TEST_F(TerminalTest, KeyWithoutEnterContinues_EscapeExitsZeroWithTerminalRestored) {
    answerSetAndReachKey("3 1 5 1 1 3 2\n", 1);
    EXPECT_NE(screen_.find("you have a sword or gun, attack!\r\n"), std::string::npos);
    type("a");
    answerSetAndReachKey("0 1 0 0 0 0 0\n", 2);
    EXPECT_NE(screen_.find("patroling\r\n"), std::string::npos);
    EXPECT_EQ(screen_.find("a3"), std::string::npos) << "the key was echoed";
    type("\x1b");
    const int status = waitForExit();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_TRUE(inLineMode());
}

TEST_F(TerminalTest, ArrowAndFunctionKeys_ContinueAndLeaveNothingInTheNextSet) {
    const char* keys[] = {"\x1b[A", "\x1bOP", "\x1b[15~", "\xc3\xa9"};
    int set = 0;
    for (const char* key : keys) {
        answerSetAndReachKey("0 1 0 0 0 0 0\n", ++set);
        type(key);
    }
    answerSetAndReachKey("3 1 5 1 1 3 2\n", ++set);
    EXPECT_EQ(countOf("patroling\r\n"), 4) << screen_;
    EXPECT_EQ(countOf("you have a sword or gun, attack!\r\n"), 1) << screen_;
    EXPECT_EQ(screen_.find("guard:"), std::string::npos) << screen_;
    type("\x1b");
    const int status = waitForExit();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << screen_;
}

TEST_F(TerminalTest, CtrlCWhileWaitingForKey_EndsProgramWithTerminalRestored) {
    answerSetAndReachKey("3 1 5 1 1 3 2\n", 1);
    type("\x03");
    const int status = waitForExit();
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) << status;
    EXPECT_TRUE(inLineMode());
}

// Only a process group whose parent shares its session can be stopped, so the child plays the
// job-control shell: the program runs as its foreground job, and each stop is announced on the
// terminal with the job's process id.
class JobControlTest : public TerminalTest {
protected:
    void runInChild() override {
        const pid_t job = fork();
        if (job == 0) {
            setpgid(0, 0);
            std::signal(SIGTTOU, SIG_IGN);
            tcsetpgrp(STDIN_FILENO, getpid());
            std::signal(SIGTTOU, SIG_DFL);
            TerminalTest::runInChild();
        }
        setpgid(job, job);
        int status = 0;
        while (waitpid(job, &status, WUNTRACED) == job && WIFSTOPPED(status)) {
            dprintf(STDOUT_FILENO, "[stopped %d]", static_cast<int>(job));
        }
        _exit(WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
    }
};

TEST_F(JobControlTest, CtrlZWhileWaitingForKey_GivesTerminalBackAndWaitsForKeyAgainOnContinue) {
    answerSetAndReachKey("3 1 5 1 1 3 2\n", 1);
    type("\x1a");
    ASSERT_TRUE(waitForText("[stopped ")) << screen_;
    EXPECT_TRUE(inLineMode());
    const pid_t job = std::atoi(screen_.c_str() + screen_.find("[stopped ") + 9);
    ASSERT_EQ(kill(job, SIGCONT), 0);
    ASSERT_TRUE(waitForKeyMode(true)) << "no key-at-a-time mode after continuing";
    type("a");
    ASSERT_TRUE(waitForText("3\tWEAPON_GUN\r\n\r\n", 2)) << screen_;
    type("0 0 0 0 0 0 0\n\x1b");
    const int status = waitForExit();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << screen_;
}

class TerminalSignalTest : public TerminalTest, public ::testing::WithParamInterface<int> {};

TEST_P(TerminalSignalTest, SignalWhileWaitingForKey_EndsProgramByThatSignalWithTerminalRestored) {
    answerSetAndReachKey("3 1 5 1 1 3 2\n", 1);
    ASSERT_EQ(kill(child_, GetParam()), 0);
    const int status = waitForExit();
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == GetParam()) << status;
    EXPECT_TRUE(inLineMode());
}

INSTANTIATE_TEST_SUITE_P(EndingSignals, TerminalSignalTest,
                         ::testing::Values(SIGTERM, SIGHUP, SIGINT));

}  // namespace
