// A private X server for a test process: Xvfb on a free display, which
// becomes the process's DISPLAY; stopped with the object.
#pragma once

#include <sys/types.h>

#include <string>

namespace agsi::host::program::testing {

class XvfbServer {
 public:
  XvfbServer();
  ~XvfbServer();
  XvfbServer(const XvfbServer&) = delete;
  XvfbServer& operator=(const XvfbServer&) = delete;

  bool Running() const { return !display_.empty(); }
  const std::string& Display() const { return display_; }
  const std::string& Error() const { return error_; }

 private:
  pid_t pid_ = -1;
  std::string display_;
  std::string error_;
};

}  // namespace agsi::host::program::testing
