# Native Linux build: the plug-in's code over the Win32 stand-in, for unit
# tests.  SANITIZE=ON adds AddressSanitizer and UndefinedBehaviorSanitizer.

option(SANITIZE "Build with ASan and UBSan" OFF)
if(SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined)
  add_compile_definitions(MR_SANITIZED=1)
endif()

# FUZZ=ON (with clang++) builds tests/fuzz's libFuzzer targets; the code
# under them gets the fuzzer's coverage hooks and both sanitizers.
option(FUZZ "Build the fuzz targets" OFF)
if(FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
                      -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined)
  add_compile_definitions(MR_SANITIZED=1)
endif()

enable_testing()
find_package(GTest REQUIRED)

file(GLOB STANDIN_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/win32-standin/src/*.cpp)
add_library(win32_standin STATIC ${STANDIN_SOURCES})
target_include_directories(win32_standin PUBLIC ${CMAKE_SOURCE_DIR}/win32-standin/include)
# The simulated runtime shares the fake media session model with the Wine
# provider.
target_include_directories(win32_standin PRIVATE ${CMAKE_SOURCE_DIR})
target_compile_options(win32_standin PRIVATE -Wall -Wextra -Werror)

add_library(melodyribbon_core STATIC ${PLUGIN_SOURCES})
target_include_directories(melodyribbon_core PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_options(melodyribbon_core PRIVATE ${STRICT_FLAGS})
target_link_libraries(melodyribbon_core PUBLIC win32_standin)

file(GLOB TESTHOST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/testhost/host_core.cpp
     ${CMAKE_SOURCE_DIR}/testhost/*_native.cpp)
add_library(testhost_core STATIC ${TESTHOST_SOURCES})
target_include_directories(testhost_core PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(testhost_core PUBLIC melodyribbon_core)

file(GLOB NATIVE_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/native/*.cpp)
add_executable(native_tests ${NATIVE_TESTS})
target_link_libraries(native_tests PRIVATE testhost_core GTest::gtest_main)
# The media fixtures are read where they are checked in.
target_compile_definitions(native_tests PRIVATE MR_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
include(GoogleTest)
gtest_discover_tests(native_tests DISCOVERY_TIMEOUT 60)

# The differential table run against the stand-in; scripts/test compares its
# output with the same program built for Windows and run under Wine.
file(GLOB DIFF_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/differential/*.cpp)
list(FILTER DIFF_SOURCES EXCLUDE REGEX ".*_windows\\.cpp$")
if(DIFF_SOURCES)
  add_executable(differential ${DIFF_SOURCES})
  target_link_libraries(differential PRIVATE win32_standin)
endif()

if(FUZZ)
  file(GLOB FUZZ_TARGETS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/fuzz/*_fuzzer.cpp)
  foreach(src ${FUZZ_TARGETS})
    get_filename_component(name ${src} NAME_WE)
    add_executable(${name} ${src})
    target_link_libraries(${name} PRIVATE melodyribbon_core)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  endforeach()
endif()

# BENCH=ON builds the title benchmark (scripts/bench): Google Benchmark, and
# TagLib to compare with; neither is ever linked into the plug-in.
option(BENCH "Build the title benchmark" OFF)
if(BENCH)
  find_package(benchmark REQUIRED)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(TAGLIB REQUIRED taglib)
  add_executable(title_bench ${CMAKE_SOURCE_DIR}/tests/bench/title_bench.cpp)
  target_include_directories(title_bench PRIVATE ${TAGLIB_INCLUDE_DIRS})
  target_link_libraries(title_bench PRIVATE melodyribbon_core benchmark::benchmark
                        ${TAGLIB_LIBRARIES})
endif()

# PERF=ON builds tests/perf's step_cost (scripts/perf): the update step's
# instructions, heap allocations and time on this build.
option(PERF "Build the update step's cost program" OFF)
if(PERF)
  add_executable(step_cost ${CMAKE_SOURCE_DIR}/tests/perf/step_cost.cpp)
  target_link_libraries(step_cost PRIVATE testhost_core ${CMAKE_DL_LIBS})
endif()
