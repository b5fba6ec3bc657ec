# agsi_count_allocations(<executable>): the executable counts every heap
# allocation of its process, the plug-ins' included, through
# agsi::testing::AllocationCount() (tests/support/allocation_counter.h).
function(agsi_count_allocations target)
  target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/tests/support/allocation_counter.cpp)
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/tests/support)
  # Exported, so that the libraries the program loads bind to its operator new.
  set_target_properties(${target} PROPERTIES ENABLE_EXPORTS ON)
endfunction()
