# agsi_add_plugin(<target> SOURCES ... [LIBRARIES ...])
# A plug-in library: hidden visibility, the shared frame (with its window
# frame on Qt Widgets) compiled in, and a
# version script that leaves AgsiEntry as the only dynamic export.
function(agsi_add_plugin target)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBRARIES" ${ARGN})
  add_library(${target} SHARED ${ARG_SOURCES})
  set_target_properties(${target} PROPERTIES
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON
    PREFIX "lib")
  target_link_libraries(${target} PRIVATE agsi_frame agsi_window_frame agsi_warnings ${ARG_LIBRARIES})
  target_link_options(${target} PRIVATE
    "LINKER:--version-script=${PROJECT_SOURCE_DIR}/frame/plugin.version"
    "LINKER:--no-undefined")
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${PROJECT_SOURCE_DIR}/frame/plugin.version)
endfunction()
