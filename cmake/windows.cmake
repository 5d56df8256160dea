# Windows build (mingw-w64 cross or MSVC): toolkit, host, frame, the program, the stand-in
# engine, the Win32 tests and the benchmarks.
set(KV_WIN_DEFS UNICODE _UNICODE NOMINMAX _WIN32_WINNT=0x0A00 WINVER=0x0A00 _WIN32_IE=0x0A00)
set(KV_WIN_LIBS ole32 oleaut32 uuid comctl32 comdlg32 shell32 shlwapi urlmon wininet user32 gdi32
    uxtheme advapi32 psapi version)
target_compile_definitions(kv_core PUBLIC ${KV_WIN_DEFS})

file(GLOB KV_WIN_SOURCES CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/src/toolkit/*.cpp
  ${CMAKE_SOURCE_DIR}/src/host/*.cpp
  ${CMAKE_SOURCE_DIR}/src/browser_window/*.cpp
  ${CMAKE_SOURCE_DIR}/src/favorites/*.cpp
  ${CMAKE_SOURCE_DIR}/src/doc_tools/*.cpp
  ${CMAKE_SOURCE_DIR}/src/app/*.cpp)
list(REMOVE_ITEM KV_WIN_SOURCES ${CMAKE_SOURCE_DIR}/src/app/main.cpp)
add_library(kv_win STATIC ${KV_WIN_SOURCES})
target_link_libraries(kv_win PUBLIC kv_core ${KV_WIN_LIBS})

set(KV_RC ${CMAKE_SOURCE_DIR}/resources/app.rc)
set_source_files_properties(${KV_RC} PROPERTIES OBJECT_DEPENDS
  "${CMAKE_SOURCE_DIR}/resources/app.ico;${CMAKE_SOURCE_DIR}/resources/app.manifest")
add_executable(kvbr WIN32 ${CMAKE_SOURCE_DIR}/src/app/main.cpp ${KV_RC})
target_link_libraries(kvbr PRIVATE kv_win)
if(NOT MSVC)
  target_link_options(kvbr PRIVATE -municode)
endif()

# Libraries the program first needs once its frame is on the screen load then: each library
# loaded with the program delays every start (shell32 brings shlwapi and shcore with it).
set(KV_DELAYED_DLLS shell32 shlwapi)
if(MSVC)
  foreach(dll ${KV_DELAYED_DLLS})
    target_link_options(kvbr PRIVATE /DELAYLOAD:${dll}.dll)
  endforeach()
  target_link_libraries(kvbr PRIVATE delayimp)
else()
  # mingw-w64: a delay-import library made from the names of the ordinary import library,
  # linked right after the program's own code so that its calls take these stubs.
  find_program(KV_NM NAMES x86_64-w64-mingw32-nm REQUIRED)
  find_program(KV_DLLTOOL NAMES x86_64-w64-mingw32-dlltool REQUIRED)
  set(KV_DELAY_LIBS)
  foreach(dll ${KV_DELAYED_DLLS})
    find_library(KV_IMPORT_${dll} NAMES lib${dll}.a REQUIRED)
    execute_process(COMMAND ${KV_NM} -g --defined-only ${KV_IMPORT_${dll}}
                    OUTPUT_VARIABLE symbols RESULT_VARIABLE nm_result)
    if(NOT nm_result EQUAL 0)
      message(FATAL_ERROR "cannot list ${KV_IMPORT_${dll}}")
    endif()
    string(REGEX MATCHALL "__imp_[A-Za-z0-9_@]+" imports "${symbols}")
    list(TRANSFORM imports REPLACE "^__imp_" "")
    list(REMOVE_DUPLICATES imports)
    list(JOIN imports "\n" exports)
    set(def ${CMAKE_BINARY_DIR}/delay/${dll}.def)
    file(WRITE ${def}.in "LIBRARY ${dll}.dll\nEXPORTS\n${exports}\n")
    configure_file(${def}.in ${def} COPYONLY)
    set(lib ${CMAKE_BINARY_DIR}/delay/lib${dll}_delay.a)
    add_custom_command(OUTPUT ${lib} COMMAND ${KV_DLLTOOL} -d ${def} -y ${lib} DEPENDS ${def}
                       VERBATIM)
    list(APPEND KV_DELAY_LIBS ${lib})
  endforeach()
  add_custom_target(kv_delay_libs DEPENDS ${KV_DELAY_LIBS})
  add_dependencies(kvbr kv_delay_libs)
  target_link_libraries(kvbr PRIVATE ${KV_DELAY_LIBS})
endif()
include(${CMAKE_SOURCE_DIR}/cmake/packaging.cmake)

# Stand-in engine: a static library for in-process tests and a DLL for end-to-end runs.
file(GLOB KV_STUB_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/engine_stub/*.cpp)
list(REMOVE_ITEM KV_STUB_SOURCES ${CMAKE_SOURCE_DIR}/tests/engine_stub/dll_main.cpp)
if(KV_STUB_SOURCES)
  add_library(engine_stub STATIC ${KV_STUB_SOURCES})
  target_include_directories(engine_stub PUBLIC ${CMAKE_SOURCE_DIR}/tests)
  target_compile_definitions(engine_stub PUBLIC ${KV_WIN_DEFS})
  target_link_libraries(engine_stub PUBLIC ${KV_WIN_LIBS})
  if(EXISTS ${CMAKE_SOURCE_DIR}/tests/engine_stub/dll_main.cpp)
    add_library(engine_stub_dll SHARED ${CMAKE_SOURCE_DIR}/tests/engine_stub/dll_main.cpp
                ${CMAKE_SOURCE_DIR}/tests/engine_stub/engine_stub.def)
    set_target_properties(engine_stub_dll PROPERTIES OUTPUT_NAME kvstub PREFIX "")
    target_link_libraries(engine_stub_dll PRIVATE engine_stub)
  endif()
endif()

# GoogleTest built with this toolchain.
set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# One test executable per tests/win32/test_*.cpp, sharing tests/win32/support/.
file(GLOB KV_TEST_SUPPORT CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/win32/support/*.cpp)
if(KV_TEST_SUPPORT)
  add_library(kv_test_support STATIC ${KV_TEST_SUPPORT})
  target_include_directories(kv_test_support PUBLIC ${CMAKE_SOURCE_DIR}/tests)
  target_link_libraries(kv_test_support PUBLIC kv_win gtest gmock)
  if(TARGET engine_stub)
    target_link_libraries(kv_test_support PUBLIC engine_stub)
  endif()
endif()
file(GLOB KV_WIN_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/win32/test_*.cpp
     ${CMAKE_SOURCE_DIR}/tests/e2e/test_*.cpp)
foreach(src ${KV_WIN_TESTS})
  get_filename_component(name ${src} NAME_WE)
  add_executable(${name} ${src} ${KV_RC})
  target_link_libraries(${name} PRIVATE kv_test_support)
endforeach()

# Small programs the tests start as a second process (not test_*: they are not tests).
file(GLOB KV_TEST_HELPERS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/win32/helpers/*.cpp)
foreach(src ${KV_TEST_HELPERS})
  get_filename_component(name ${src} NAME_WE)
  add_executable(${name} ${src})
  target_compile_definitions(${name} PRIVATE ${KV_WIN_DEFS})
  target_link_libraries(${name} PRIVATE user32 shell32 kernel32)
endforeach()
if(TARGET dde_forger AND TARGET test_shell_dde)
  add_dependencies(test_shell_dde dde_forger)
endif()

# The installer test: run by scripts/test.sh in a prefix of its own after packaging, so it is
# kept out of the test_*.exe names that run in the shared prefixes.
if(EXISTS ${CMAKE_SOURCE_DIR}/tests/install/install_test.cpp AND TARGET kv_test_support)
  add_executable(kv_install_test ${CMAKE_SOURCE_DIR}/tests/install/install_test.cpp ${KV_RC})
  target_link_libraries(kv_install_test PRIVATE kv_test_support)
endif()

file(GLOB KV_WIN_BENCH CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/bench/win_*.cpp)
foreach(src ${KV_WIN_BENCH})
  get_filename_component(name ${src} NAME_WE)
  add_executable(${name} ${src} ${KV_RC})
  target_link_libraries(${name} PRIVATE kv_win)
  if(TARGET engine_stub)
    target_link_libraries(${name} PRIVATE engine_stub)
  endif()
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
endforeach()
