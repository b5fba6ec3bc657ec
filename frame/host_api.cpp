#include "host_api.h"

#include <array>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace agsi {

HostApi hostApi{};
HostInitBlock hostInitBlock{};

namespace {

constexpr std::array<const char*, kAllHostServices> kServiceNames = {
#define AGSI_HOST_SERVICE_NAME(name) #name,
    AGSI_HOST_SERVICES(AGSI_HOST_SERVICE_NAME)
#undef AGSI_HOST_SERVICE_NAME
};

static_assert(sizeof(HostApi) == kAllHostServices * sizeof(void*),
              "HostApi holds exactly one pointer per service, in binding order");

}  // namespace

void* LookUpExport(uintptr_t module, const char* name) {
#ifdef _WIN32
  return reinterpret_cast<void*>(GetProcAddress(reinterpret_cast<HMODULE>(module), name));
#else
  return dlsym(reinterpret_cast<void*>(module), name);
#endif
}

uint32_t BindHostApi(std::size_t count) {
  std::array<void*, kAllHostServices> found{};
  for (std::size_t i = 0; i < count; ++i) {
    found[i] = LookUpExport(hostInitBlock.words[0], kServiceNames[i]);
  }
  // The table is laid out as the name list; copy the addresses over as raw
  // pointer words, which is what the platform's look-up hands back.
  std::memcpy(&hostApi, found.data(), sizeof(hostApi));
  for (std::size_t i = 0; i < count; ++i) {
    if (found[i] == nullptr) return 0;
  }
  return 1;
}

}  // namespace agsi
