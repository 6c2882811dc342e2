# kestra_qt_test(name SOURCES ... DEPS ...): one QtTest executable that drives real widgets
# on the offscreen platform; registered as a single test.
function(kestra_qt_test name)
  if(NOT KESTRA_BUILD_TESTS)
    return()
  endif()
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  find_package(Qt6 REQUIRED COMPONENTS Widgets Test)
  add_executable(${name} ${ARG_SOURCES})
  kestra_defaults(${name})
  set_target_properties(${name} PROPERTIES AUTOMOC ON)
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} Qt6::Widgets Qt6::Test)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  target_compile_definitions(${name} PRIVATE
    KESTRA_SHARED_DATA="${KESTRA_SHARED_DATA}"
    KESTRA_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
    KESTRA_BINARY_DIR="${CMAKE_BINARY_DIR}")
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES LABELS ${name}
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8")
endfunction()
