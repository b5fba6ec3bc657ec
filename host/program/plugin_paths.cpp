#include "plugin_paths.h"

#include <dlfcn.h>

#include <filesystem>

#include "simulator.h"

namespace agsi::host::program {
namespace {

// The folder of the loaded host core library: the plug-ins are built and
// installed beside it.
std::filesystem::path CoreLibraryFolder() {
  Dl_info info{};
  auto* const probe = reinterpret_cast<void*>(&agsi::host::Simulator::Active);
  if (dladdr(probe, &info) == 0 || info.dli_fname == nullptr) return {};
  return std::filesystem::path(info.dli_fname).parent_path();
}

}  // namespace

std::vector<std::string> DefaultPluginPaths() {
  std::vector<std::string> paths;
  const std::filesystem::path folder = CoreLibraryFolder();
  for (const char* file : kDefaultPluginFiles) {
    const std::filesystem::path candidate = folder / file;
    std::error_code error;
    if (std::filesystem::exists(candidate, error)) paths.push_back(candidate.string());
  }
  return paths;
}

}  // namespace agsi::host::program
