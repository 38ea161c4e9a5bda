# SPDX-License-Identifier: MIT
# GoogleTest built for the target from Debian's sources (the googletest
# package, /usr/src/googletest) when cross-building: the libgtest-dev
# libraries are for the build machine. GoogleMock is not used.
set(POOLSIDE_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest's sources")
if(NOT EXISTS ${POOLSIDE_GTEST_SOURCE}/googletest/CMakeLists.txt)
  message(FATAL_ERROR "GoogleTest's sources are not in ${POOLSIDE_GTEST_SOURCE} "
                      "(Debian: apt-get install googletest)")
endif()
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${POOLSIDE_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
if(NOT TARGET GTest::gtest)
  add_library(GTest::gtest ALIAS gtest)
endif()
