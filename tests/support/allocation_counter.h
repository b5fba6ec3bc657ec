// Counts every heap allocation of the process: the program's, the host's
// and the plug-ins' (a program that links this exports the replaced
// operator new, so the libraries it loads bind to it as well).
#pragma once

#include <cstddef>

namespace agsi::testing {

std::size_t AllocationCount();

}  // namespace agsi::testing
