#include "program_run.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstring>
#include <thread>
#include <filesystem>
#include <fstream>
#include <sstream>

extern char** environ;

namespace agsi::host::program::testing {
namespace {

std::filesystem::path ProcessFolder() {
  return std::filesystem::path(::testing::TempDir()) / ("agsi-host-" + std::to_string(getpid()));
}

// The scripts and outputs of a test process go with it.
struct ProcessFolderRemoval {
  ~ProcessFolderRemoval() {
    std::error_code error;
    std::filesystem::remove_all(ProcessFolder(), error);
  }
} processFolderRemoval;

std::filesystem::path TestFolder() {
  const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = std::string(info->test_suite_name()) + "." + info->name();
  for (char& c : name) {
    if (c == '/') c = '_';
  }
  const std::filesystem::path folder = ProcessFolder() / name;
  std::filesystem::create_directories(folder);
  return folder;
}

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

}  // namespace

std::string WriteScript(const std::string& name, const std::string& text) {
  const std::filesystem::path path = TestFolder() / name;
  std::ofstream(path, std::ios::binary) << text;
  return path.string();
}

std::string MakeFolder(const std::string& name) {
  const std::filesystem::path path = TestFolder() / name;
  std::filesystem::remove_all(path);
  std::filesystem::create_directories(path);
  return path.string();
}

static ProgramRun Run(const std::vector<std::string>& arguments, bool withDisplay) {
  const std::filesystem::path folder = TestFolder();
  const std::string outPath = (folder / "stdout.txt").string();
  const std::string errPath = (folder / "stderr.txt").string();

  std::vector<std::string> words{AGSI_HOST_PROGRAM};
  words.insert(words.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);

  // The user's environment without a display: the host runs headless.
  std::vector<std::string> variables;
  for (char** variable = environ; *variable != nullptr; ++variable) {
    const bool display = std::strncmp(*variable, "DISPLAY=", 8) == 0;
    if ((withDisplay || !display) && std::strncmp(*variable, "WAYLAND_DISPLAY=", 16) != 0 &&
        std::strncmp(*variable, "QT_QPA_PLATFORM=", 16) != 0) {
      variables.emplace_back(*variable);
    }
  }
  std::vector<char*> envp;
  for (std::string& variable : variables) envp.push_back(variable.data());
  envp.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  pid_t child = 0;
  ProgramRun run;
  const int spawned = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) {
    run.err = std::string("cannot start agsi-host: ") + std::strerror(spawned);
    return run;
  }
  // A program that does not end (a main window that stays open) must not
  // hang the test: after kGiveUp it is stopped and the run fails.
  constexpr auto kGiveUp = std::chrono::seconds(120);
  const auto deadline = std::chrono::steady_clock::now() + kGiveUp;
  int status = 0;
  while (waitpid(child, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      kill(child, SIGKILL);
      waitpid(child, &status, 0);
      run.err = "agsi-host did not end; stopped by the test\n";
      return run;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.out = ReadFile(outPath);
  run.err = ReadFile(errPath);
  return run;
}

ProgramRun RunAgsiHost(const std::vector<std::string>& arguments) { return Run(arguments, false); }

ProgramRun RunAgsiHostOnDisplay(const std::vector<std::string>& arguments) { return Run(arguments, true); }

}  // namespace agsi::host::program::testing
