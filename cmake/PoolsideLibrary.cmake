# poolside_logic_library(NAME DEPS... [EXCLUDE FILE...] [EXTRA FILE...]): a
# static library of every .cpp in the calling folder (not its sub-folders)
# but the EXCLUDE ones, and the EXTRA ones (paths from the calling folder).
# Logic libraries never link Qt.
function(poolside_logic_library name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "EXCLUDE;EXTRA")
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  foreach(file IN LISTS arg_EXCLUDE)
    list(REMOVE_ITEM sources ${CMAKE_CURRENT_SOURCE_DIR}/${file})
  endforeach()
  foreach(file IN LISTS arg_EXTRA)
    list(APPEND sources ${CMAKE_CURRENT_SOURCE_DIR}/${file})
  endforeach()
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${arg_UNPARSED_ARGUMENTS})
  set_target_properties(${name} PROPERTIES AUTOMOC OFF AUTOUIC OFF AUTORCC OFF)
endfunction()
