// A plug-in library exports its entry function and nothing else.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

std::vector<std::string> DefinedDynamicSymbols(const std::string& library) {
  const std::string command = "nm -D --defined-only '" + library + "'";
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  std::vector<std::string> symbols;
  if (!pipe) return symbols;
  std::array<char, 512> line{};
  while (std::fgets(line.data(), line.size(), pipe.get()) != nullptr) {
    std::string text(line.data());
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
    symbols.push_back(text.substr(text.find_last_of(' ') + 1));
  }
  return symbols;
}

TEST(Exports, GlyphpaneExportsOnlyAgsiEntry) {
  EXPECT_EQ(DefinedDynamicSymbols(GLYPHPANE_PATH), std::vector<std::string>{"AgsiEntry"});
}

}  // namespace
