# Helpers shared by every folder of the project.
#
# plenwick_library(<name> [DEPS <targets...>] [EXCLUDE <files...>])
#   Builds every .cpp of the calling folder into the static library plenwick_<name>.
#   Sources are globbed, so adding a file needs no edit here.
#
# plenwick_tests(<folder> [TIMEOUT <seconds>] [DEPS <targets...>])
#   Builds every .cpp of tests/<folder> into one GoogleTest executable test_<folder>
#   and registers its tests with ctest, each with the time limit (300 s unless given).

find_package(Threads REQUIRED)

function(plenwick_library name)
  cmake_parse_arguments(ARG "" "" "DEPS;EXCLUDE" ${ARGN})
  file(GLOB _srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  foreach(_x IN LISTS ARG_EXCLUDE)
    list(REMOVE_ITEM _srcs ${CMAKE_CURRENT_SOURCE_DIR}/${_x})
  endforeach()
  if(NOT _srcs)
    set(_stub ${CMAKE_CURRENT_BINARY_DIR}/plenwick_${name}_empty.cpp)
    if(NOT EXISTS ${_stub})
      file(WRITE ${_stub} "// This library has no sources yet.\nnamespace plenwick_${name}_empty {}\n")
    endif()
    set(_srcs ${_stub})
  endif()
  add_library(plenwick_${name} STATIC ${_srcs})
  target_include_directories(plenwick_${name} PUBLIC ${CMAKE_SOURCE_DIR})
  target_compile_options(plenwick_${name} PRIVATE ${PLENWICK_WARNINGS})
  target_link_libraries(plenwick_${name} PUBLIC ${ARG_DEPS})
endfunction()

function(plenwick_tests folder)
  cmake_parse_arguments(ARG "" "TIMEOUT" "DEPS" ${ARGN})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 300)
  endif()
  file(GLOB _srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(NOT _srcs)
    return()
  endif()
  find_package(GTest REQUIRED)
  add_executable(test_${folder} ${_srcs})
  target_compile_options(test_${folder} PRIVATE ${PLENWICK_WARNINGS})
  target_compile_definitions(test_${folder} PRIVATE
    PLENWICK_TEST_DATA_DIR="${CMAKE_SOURCE_DIR}/tests/data"
    PLENWICK_CORPUS_DIR="${PLENWICK_CORPUS_DIR}"
    PLENWICK_BUNDLE_DIR="${PLENWICK_BUNDLE_DIR}"
    PLENWICK_TEST_BINARY_DIR="${CMAKE_BINARY_DIR}/tests")
  target_link_libraries(test_${folder} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gtest_main Threads::Threads)
  add_dependencies(test_${folder} plenwick_bundle)
  include(GoogleTest)
  # Discovered tests take one ENVIRONMENT entry only (a list is split into separate properties),
  # so the locale and Qt's platform for every test are set by tools/test.sh, which runs ctest.
  gtest_discover_tests(test_${folder}
    DISCOVERY_TIMEOUT 60
    PROPERTIES
      ENVIRONMENT "PLENWICK_BUNDLE=${PLENWICK_BUNDLE_DIR}"
      LABELS ${folder}
      TIMEOUT ${ARG_TIMEOUT})
  # A test that plays movies starts a browser or a web view of its own: several processes that
  # want more than one core. ctest counts such a test as three, so that a parallel run starts
  # no more players than the machine drives on time (their frame clocks have deadlines).
  set(_weights "${CMAKE_CURRENT_BINARY_DIR}/test_${folder}_weights.cmake")
  file(WRITE ${_weights}
    "foreach(t IN LISTS test_${folder}_TESTS)\n"
    "  if(t MATCHES \"PlayerTest\\\\.|Playback\\\\.|TextRendering\\\\.|HtmlPagePlayer|RuffleFrameSource|SaverPrograms|PreviewControl|ShowsTheDisplay|Screenshot\")\n"
    "    set_tests_properties(\"\${t}\" PROPERTIES PROCESSORS 3)\n"
    "  endif()\n"
    "endforeach()\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${_weights})
endfunction()
