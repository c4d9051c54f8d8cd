// Test support: captures what the code under test writes to standard output
// (the FILE stream and file descriptor 1), for as long as the object lives.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

class StdoutCapture {
 public:
  StdoutCapture() {
    fflush(stdout);
    char name[] = "/tmp/csagnt-stdout-XXXXXX";
    fd_ = mkstemp(name);
    unlink(name);
    saved_ = dup(STDOUT_FILENO);
    dup2(fd_, STDOUT_FILENO);
  }
  ~StdoutCapture() { Restore(); }
  StdoutCapture(const StdoutCapture&) = delete;
  StdoutCapture& operator=(const StdoutCapture&) = delete;

  // Everything written so far; capture goes on.
  std::string Text() {
    fflush(stdout);
    std::string text;
    char buffer[4096];
    for (off_t offset = 0;;) {
      ssize_t n = pread(fd_, buffer, sizeof buffer, offset);
      if (n <= 0) break;
      text.append(buffer, static_cast<size_t>(n));
      offset += n;
    }
    return text;
  }

  // Puts standard output back; Text() still answers.
  void Restore() {
    if (saved_ < 0) return;
    fflush(stdout);
    dup2(saved_, STDOUT_FILENO);
    close(saved_);
    saved_ = -1;
  }

 private:
  int fd_ = -1;
  int saved_ = -1;
};
