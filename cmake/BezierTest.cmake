# bezier_add_test(<name> LABEL <label> [SOURCES files...] [LIBS targets...])
# Builds tests/<name>.cpp (plus any extra SOURCES) into one GoogleTest binary,
# links the given libraries, and registers every test case with CTest under
# the label, so that `ctest -L <label>` runs one kind alone.
include(GoogleTest)
find_package(GTest REQUIRED)

function(bezier_add_test name)
  cmake_parse_arguments(T "" "LABEL" "SOURCES;LIBS" ${ARGN})
  if(NOT T_LABEL)
    set(T_LABEL unit)
  endif()
  add_executable(${name} ${name}.cpp ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests/support)
  # Parameterised cases are named by their suite's name generator; the
  # printed parameter value (a byte dump for most structs) stays out of the
  # CTest name so that names are stable and can be selected with -R.
  gtest_discover_tests(${name}
    NO_PRETTY_VALUES
    PROPERTIES LABELS ${T_LABEL}
    DISCOVERY_TIMEOUT 60)
endfunction()
