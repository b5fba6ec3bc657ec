#include "xvfb_server.h"

#include <signal.h>
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace agsi::host::program::testing {

XvfbServer::XvfbServer() {
  int pipeFds[2];
  if (pipe(pipeFds) != 0) {
    error_ = "pipe failed";
    return;
  }
  // Xvfb picks a free display itself and writes its number to the pipe
  // once it accepts connections.
  std::string fd = std::to_string(pipeFds[1]);
  std::vector<std::string> words{"Xvfb", "-displayfd", fd, "-screen", "0", "1280x1024x24", "-nolisten", "tcp"};
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  const pid_t parent = getpid();
  pid_ = fork();
  if (pid_ == 0) {
    // The server dies with the test process, even one that crashes, and
    // keeps nothing of the test's output open.
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (getppid() != parent) _exit(1);
    close(pipeFds[0]);
    const int quiet = open("/dev/null", O_WRONLY);
    dup2(quiet, STDOUT_FILENO);
    dup2(quiet, STDERR_FILENO);
    execvp("Xvfb", argv.data());
    _exit(127);
  }
  close(pipeFds[1]);
  if (pid_ < 0) {
    error_ = std::string("cannot start Xvfb: ") + std::strerror(errno);
    close(pipeFds[0]);
    return;
  }
  std::string number;
  char c = 0;
  while (read(pipeFds[0], &c, 1) == 1 && c != '\n') number += c;
  close(pipeFds[0]);
  if (number.empty()) {
    error_ = "Xvfb did not report a display (is it installed?)";
    return;
  }
  display_ = ":" + number;
  setenv("DISPLAY", display_.c_str(), 1);
}

XvfbServer::~XvfbServer() {
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
}

}  // namespace agsi::host::program::testing
