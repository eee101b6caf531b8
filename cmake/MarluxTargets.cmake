# Helpers shared by every folder's CMakeLists.txt.

# marlux_add_library(name SOURCES ... LIBS ... [APP])
# One static library per folder. APP links it into the program.
function(marlux_add_library name)
  cmake_parse_arguments(ARG "APP" "" "SOURCES;LIBS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${ARG_LIBS})
  if(ARG_APP)
    set_property(GLOBAL APPEND PROPERTY MARLUX_APP_LIBS ${name})
  endif()
endfunction()

# marlux_add_test(folder.unit SOURCES ... LIBS ... [TIMEOUT s] [LABELS ...])
# One QtTest executable per unit; the ctest name starts with its folder.
function(marlux_add_test name)
  cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  string(REPLACE "." "_" exe "test_${name}")
  add_executable(${exe} ${ARG_SOURCES})
  target_link_libraries(${exe} PRIVATE ${ARG_LIBS} marlux_testsupport Qt6::Test)
  add_test(NAME ${name} COMMAND ${exe})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 120)
  endif()
  set_tests_properties(${name} PROPERTIES
    TIMEOUT ${ARG_TIMEOUT}
    LABELS "${ARG_LABELS}"
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;XDG_RUNTIME_DIR=${MARLUX_TEST_RUNTIME_DIR};MARLUX_SOURCE_DIR=${CMAKE_SOURCE_DIR};MARLUX_BUILD_DIR=${CMAKE_BINARY_DIR};QTWEBENGINE_DISABLE_SANDBOX=1;QTWEBENGINE_CHROMIUM_FLAGS=--no-sandbox --disable-gpu")
endfunction()

# Adds every leaf CMakeLists.txt below dir (leaves never add their own children).
function(marlux_add_leaf_dirs dir)
  file(GLOB_RECURSE lists CONFIGURE_DEPENDS ${dir}/*/CMakeLists.txt)
  list(SORT lists)
  foreach(list ${lists})
    get_filename_component(sub ${list} DIRECTORY)
    add_subdirectory(${sub})
  endforeach()
endfunction()
