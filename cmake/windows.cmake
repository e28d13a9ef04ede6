# Windows builds (mingw-w64 cross compilers): the shipping DLL and, on
# x86-64, the programs that run under Wine.
enable_language(RC)

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
target_link_libraries(MelodyRibbon PRIVATE shlwapi ole32 oleaut32 psapi)

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
    target_link_libraries(testhost PRIVATE user32 ole32 uuid)
  endif()

  file(GLOB FAKE_PLAYERS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/fakeplayers/*.cpp)
  foreach(src ${FAKE_PLAYERS})
    get_filename_component(name ${src} NAME_WE)
    add_executable(${name} ${src})
    target_compile_options(${name} PRIVATE ${WINE_PROGRAM_FLAGS})
    target_link_options(${name} PRIVATE ${WINE_PROGRAM_LINK} -mwindows)
    target_link_libraries(${name} PRIVATE user32)
  endforeach()

  # The fake iTunes: a COM server that must be called iTunes.exe, with its
  # type library compiled from IDL (stdole2.tlb comes with Wine) and carried
  # inside the program as a resource.
  if(TARGET fake_itunes)
    find_program(WIDL x86_64-w64-mingw32-widl REQUIRED)
    set(FAKE_ITUNES_TLB ${CMAKE_CURRENT_BINARY_DIR}/fake_itunes.tlb)
    add_custom_command(
      OUTPUT ${FAKE_ITUNES_TLB}
      COMMAND ${WIDL} -m64 -t -L /usr/lib/x86_64-linux-gnu/wine/x86_64-windows
              -o ${FAKE_ITUNES_TLB} ${CMAKE_SOURCE_DIR}/fakeplayers/fake_itunes.idl
      DEPENDS ${CMAKE_SOURCE_DIR}/fakeplayers/fake_itunes.idl)
    target_sources(fake_itunes PRIVATE ${CMAKE_SOURCE_DIR}/fakeplayers/fake_itunes.rc)
    set_source_files_properties(${CMAKE_SOURCE_DIR}/fakeplayers/fake_itunes.rc
                                PROPERTIES OBJECT_DEPENDS ${FAKE_ITUNES_TLB})
    target_include_directories(fake_itunes PRIVATE ${CMAKE_CURRENT_BINARY_DIR})
    set_target_properties(fake_itunes PROPERTIES OUTPUT_NAME iTunes)
    target_link_libraries(fake_itunes PRIVATE ole32 oleaut32 uuid advapi32)
  endif()

  # The fake system media session provider, a DLL that Wine's
  # RoGetActivationFactory loads once the scenario registers it.
  add_library(fake_media_session SHARED
              ${CMAKE_SOURCE_DIR}/fakeplayers/media_session/fake_media_session.cpp)
  set_target_properties(fake_media_session PROPERTIES PREFIX "")
  target_include_directories(fake_media_session PRIVATE ${CMAKE_SOURCE_DIR})
  target_compile_definitions(fake_media_session PRIVATE _WIN32_WINNT=0x0A00)
  target_compile_options(fake_media_session PRIVATE ${WINE_PROGRAM_FLAGS})
  target_link_options(fake_media_session PRIVATE ${WINE_PROGRAM_LINK} -Wl,--kill-at)
  target_link_libraries(fake_media_session PRIVATE ole32 runtimeobject)

  # The iTunes probe's timing (scripts/bench-itunes): the plug-in's code
  # linked into a program, so that one probe can be timed alone.
  add_executable(itunes_probe_timing ${CMAKE_SOURCE_DIR}/tests/bench/itunes_probe_timing.cpp
                                     ${PLUGIN_SOURCES})
  target_include_directories(itunes_probe_timing PRIVATE ${CMAKE_SOURCE_DIR})
  target_compile_options(itunes_probe_timing PRIVATE ${WINE_PROGRAM_FLAGS} -O2)
  target_link_options(itunes_probe_timing PRIVATE ${WINE_PROGRAM_LINK})
  target_link_libraries(itunes_probe_timing PRIVATE shlwapi ole32 oleaut32 psapi)

  # The pieces of a tick, timed one by one (scripts/perf): the plug-in's code
  # and the test host's drivers of the fake players linked into a program.
  add_executable(tick_pieces ${CMAKE_SOURCE_DIR}/tests/perf/tick_pieces.cpp ${PLUGIN_SOURCES}
                 ${CMAKE_SOURCE_DIR}/testhost/fake_process.cpp
                 ${CMAKE_SOURCE_DIR}/testhost/winamp_driver.cpp
                 ${CMAKE_SOURCE_DIR}/testhost/dde_player_driver.cpp
                 ${CMAKE_SOURCE_DIR}/testhost/bsplayer_driver.cpp
                 ${CMAKE_SOURCE_DIR}/testhost/itunes_driver.cpp
                 ${CMAKE_SOURCE_DIR}/testhost/host_folder.cpp
                 ${CMAKE_SOURCE_DIR}/testhost/host_core.cpp)
  target_include_directories(tick_pieces PRIVATE ${CMAKE_SOURCE_DIR})
  target_compile_options(tick_pieces PRIVATE ${WINE_PROGRAM_FLAGS} -Os)
  target_link_options(tick_pieces PRIVATE ${WINE_PROGRAM_LINK})
  target_link_libraries(tick_pieces PRIVATE user32 shlwapi ole32 oleaut32 uuid psapi)

  file(GLOB DIFF_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/differential/*.cpp)
  list(FILTER DIFF_SOURCES EXCLUDE REGEX ".*_native\\.cpp$")
  if(DIFF_SOURCES)
    add_executable(differential ${DIFF_SOURCES})
    target_compile_options(differential PRIVATE ${WINE_PROGRAM_FLAGS})
    target_link_options(differential PRIVATE ${WINE_PROGRAM_LINK})
    target_link_libraries(differential PRIVATE shlwapi)
  endif()
endif()
