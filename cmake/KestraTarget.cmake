# Warnings and defaults for every target of our own code.
function(kestra_defaults target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
  # GCC 12 reports overlapping memcpy inside std::string concatenation at -O3 where there
  # is none (GCC bug 105329); the warning is not trustworthy on this compiler. The one place
  # it is switched off: every target of ours comes through here.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    target_compile_options(${target} PRIVATE -Wno-restrict)
  endif()
  if(KESTRA_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
  kestra_own_include(${target})
endfunction()

# A target of src/ sees the headers of its own folder and, through what it links, those of
# the libraries it depends on; nothing else under src/. So an include that reaches a layer
# the target does not depend on fails to compile. Each folder gets a root of its own in the
# build tree holding one link, <root>/<folder> -> src/<folder>, so that includes keep their
# "platform/geom/..." form. Tests and benchmarks see what their libraries export.
function(kestra_own_include target)
  get_target_property(dir ${target} SOURCE_DIR)
  file(RELATIVE_PATH rel "${CMAKE_SOURCE_DIR}/src" "${dir}")
  if(rel MATCHES "^\\.\\." OR rel STREQUAL "")
    return()
  endif()
  string(REPLACE "/" "_" key "${rel}")
  set(root "${CMAKE_BINARY_DIR}/include/${key}")
  set(link "${root}/${rel}")
  if(NOT IS_SYMLINK "${link}")
    get_filename_component(parent "${link}" DIRECTORY)
    file(MAKE_DIRECTORY "${parent}")
    file(CREATE_LINK "${dir}" "${link}" SYMBOLIC)
  endif()
  target_include_directories(${target} PUBLIC "${root}")
endfunction()

# kestra_library(name SOURCES ... DEPS ...)
function(kestra_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  kestra_defaults(${name})
  if(ARG_DEPS)
    target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  endif()
endfunction()

# kestra_test(name SOURCES ... DEPS ...): one GoogleTest executable per module.
function(kestra_test name)
  if(NOT KESTRA_BUILD_TESTS)
    return()
  endif()
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  kestra_defaults(${name})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gtest_main)
  # Helpers shared by the test executables live in tests/support.
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  target_compile_definitions(${name} PRIVATE
    KESTRA_SHARED_DATA="${KESTRA_SHARED_DATA}"
    KESTRA_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
    KESTRA_BINARY_DIR="${CMAKE_BINARY_DIR}")
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
    PROPERTIES LABELS ${name})
endfunction()

# kestra_fuzz(name SOURCES ... DEPS ... [SEEDS dir ...]): a libFuzzer target, built only
# with KESTRA_FUZZ (the 'fuzz' preset). Seed folders are linked beside the binary as
# <name>.seeds so that scripts/run-fuzzers.sh finds them.
function(kestra_fuzz name)
  if(NOT KESTRA_FUZZ)
    return()
  endif()
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS;SEEDS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  kestra_defaults(${name})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  # The fuzz build makes only the fuzz targets and what they link.
  if(NOT TARGET kestra_fuzz_all)
    add_custom_target(kestra_fuzz_all)
  endif()
  add_dependencies(kestra_fuzz_all ${name})
  if(ARG_SEEDS)
    set(seed_dir "${CMAKE_CURRENT_BINARY_DIR}/${name}.seeds")
    file(MAKE_DIRECTORY "${seed_dir}")
    foreach(dir IN LISTS ARG_SEEDS)
      file(GLOB_RECURSE seeds "${dir}/*")
      foreach(seed IN LISTS seeds)
        get_filename_component(base "${seed}" NAME)
        file(COPY_FILE "${seed}" "${seed_dir}/${base}" ONLY_IF_DIFFERENT)
      endforeach()
    endforeach()
  endif()
endfunction()

# kestra_program(target): a program of the product. It is built into ${KESTRA_BIN_DIR}
# beside the plug-in modules and the files they read, and finds those files beside its own
# file. Installed, that folder becomes lib/kestra (kept whole) and bin gets a link to the
# program, so that a program started from bin still finds its files beside its real self.
function(kestra_program target)
  set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${KESTRA_BIN_DIR}")
  install(TARGETS ${target} RUNTIME DESTINATION lib/kestra)
  install(CODE "
    set(bin \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin\")
    file(MAKE_DIRECTORY \"\${bin}\")
    message(STATUS \"Linking: \${bin}/${target}\")
    file(CREATE_LINK \"../lib/kestra/${target}\" \"\${bin}/${target}\" SYMBOLIC)")
endfunction()
