#include "xvfb_server.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <vector>

extern char** environ;

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
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", 1 /* O_WRONLY */, 0);
  const int spawned = posix_spawnp(&pid_, "Xvfb", &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(pipeFds[1]);
  if (spawned != 0) {
    error_ = std::string("cannot start Xvfb: ") + std::strerror(spawned);
    pid_ = -1;
    close(pipeFds[0]);
    return;
  }
  std::string number;
  char c = 0;
  while (read(pipeFds[0], &c, 1) == 1 && c != '\n') number += c;
  close(pipeFds[0]);
  if (number.empty()) {
    error_ = "Xvfb did not report a display";
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
