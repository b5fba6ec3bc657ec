// The built library offers the host exactly one symbol.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

namespace {

// Names of the symbols that the library defines in its dynamic symbol table.
std::vector<std::string> DefinedDynamicSymbols(const std::string& library) {
  const std::string command = "nm -D --defined-only '" + library + "'";
  std::FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return {};
  std::string output;
  char buffer[256];
  while (std::fgets(buffer, sizeof(buffer), pipe) != nullptr) output += buffer;
  const int status = pclose(pipe);
  EXPECT_EQ(status, 0) << command;

  std::vector<std::string> names;
  std::istringstream lines(output);
  std::string line;
  while (std::getline(lines, line)) {
    const std::size_t lastSpace = line.rfind(' ');
    if (lastSpace != std::string::npos) names.push_back(line.substr(lastSpace + 1));
  }
  return names;
}

TEST(KeylampExports, OnlyAgsiEntry) {
  EXPECT_EQ(DefinedDynamicSymbols(KEYLAMP_LIBRARY), std::vector<std::string>{"AgsiEntry"});
}

}  // namespace
