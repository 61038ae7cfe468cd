#pragma once

#include <unistd.h>

#include <cstdio>
#include <string>

/// Sends everything written to `stream` (stdout or stderr) into a temporary file for as long as
/// it lives, or until `take` returns what was written. The stream is fully buffered meanwhile,
/// as it is when the program's output goes to a pipe.
class OutputCapture {
public:
    explicit OutputCapture(std::FILE* stream = stdout) : stream_(stream) {
        std::fflush(stream_);
        saved_ = dup(fileno(stream_));
        file_ = std::tmpfile();
        dup2(fileno(file_), fileno(stream_));
    }
    ~OutputCapture() {
        restore();
        std::fclose(file_);
    }
    OutputCapture(const OutputCapture&) = delete;
    OutputCapture& operator=(const OutputCapture&) = delete;

    std::string take() {
        restore();
        std::string text;
        std::rewind(file_);
        char block[4096];
        for (std::size_t count; (count = std::fread(block, 1, sizeof block, file_)) > 0;) {
            text.append(block, count);
        }
        return text;
    }

private:
    void restore() {
        if (saved_ < 0) {
            return;
        }
        std::fflush(stream_);
        dup2(saved_, fileno(stream_));
        close(saved_);
        saved_ = -1;
    }

    std::FILE* stream_;
    std::FILE* file_;
    int saved_ = -1;
};
