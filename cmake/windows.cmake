# Windows builds (mingw-w64 cross compilers): the shipping DLL and, on
# x86-64, the programs that run under Wine.

add_library(MelodyRibbon SHARED ${PLUGIN_SOURCES} ${CMAKE_SOURCE_DIR}/frame/MelodyRibbon.def)
set_target_properties(MelodyRibbon PROPERTIES PREFIX "" OUTPUT_NAME MelodyRibbon)
target_include_directories(MelodyRibbon PRIVATE ${CMAKE_SOURCE_DIR})
# Exceptions are off, so the unwind tables would only be dead weight; unused
# functions are dropped at link time.  (Not -fdata-sections: with it, mingw
# stores zero-filled globals in the file as initialised data.)
target_compile_options(MelodyRibbon PRIVATE ${STRICT_FLAGS} -Os -fno-asynchronous-unwind-tables
                       -fno-unwind-tables -ffunction-sections)
# A user's machine has no mingw runtime DLLs: link them in, and keep the
# export names exactly as the module-definition file spells them.
#
# DllMain itself is the entry point, without the mingw start-up code: the
# plug-in has no static constructors, no thread-local data and no atexit
# handlers for it to run, and leaving it out saves a quarter of the module
# (its error reporting alone brings in a printf family).  scripts/check-dll.sh makes
# sure no static constructor creeps in, since nothing would run it.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(DLL_ENTRY _DllMain@12)
else()
  set(DLL_ENTRY DllMain)
endif()
target_link_options(MelodyRibbon PRIVATE -static -static-libgcc -static-libstdc++ -s
                    -nostartfiles -Wl,--entry=${DLL_ENTRY}
                    -Wl,--enable-stdcall-fixup -Wl,--kill-at -Wl,--gc-sections)
target_link_libraries(MelodyRibbon PRIVATE shlwapi)

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(WINE_PROGRAM_FLAGS -Wall -Wextra -Werror)
  set(WINE_PROGRAM_LINK -static -static-libgcc -static-libstdc++)

  file(GLOB TESTHOST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/testhost/*.cpp)
  list(FILTER TESTHOST_SOURCES EXCLUDE REGEX ".*_native\\.cpp$")
  if(TESTHOST_SOURCES)
    add_executable(testhost ${TESTHOST_SOURCES})
    target_include_directories(testhost PRIVATE ${CMAKE_SOURCE_DIR})
    target_compile_options(testhost PRIVATE ${WINE_PROGRAM_FLAGS})
    target_link_options(testhost PRIVATE ${WINE_PROGRAM_LINK})
    target_link_libraries(testhost PRIVATE user32)
  endif()

  file(GLOB FAKE_PLAYERS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/fakeplayers/*.cpp)
  foreach(src ${FAKE_PLAYERS})
    get_filename_component(name ${src} NAME_WE)
    add_executable(${name} ${src})
    target_compile_options(${name} PRIVATE ${WINE_PROGRAM_FLAGS})
    target_link_options(${name} PRIVATE ${WINE_PROGRAM_LINK} -mwindows)
    target_link_libraries(${name} PRIVATE user32)
  endforeach()

  file(GLOB DIFF_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/differential/*.cpp)
  list(FILTER DIFF_SOURCES EXCLUDE REGEX ".*_native\\.cpp$")
  if(DIFF_SOURCES)
    add_executable(differential ${DIFF_SOURCES})
    target_compile_options(differential PRIVATE ${WINE_PROGRAM_FLAGS})
    target_link_options(differential PRIVATE ${WINE_PROGRAM_LINK})
    target_link_libraries(differential PRIVATE shlwapi)
  endif()
endif()
