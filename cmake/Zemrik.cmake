# What every target of ours shares. Third-party sources built here (GoogleTest
# on cross builds) keep their own flags: warnings as errors apply to our code.
add_library(zemrik_warnings INTERFACE)
target_compile_options(zemrik_warnings INTERFACE -Wall -Wextra -Werror)

# zemrik_add_test(NAME SOURCES file... [LIBRARIES lib...])
# Builds zemrik_NAME_tests from the sources with GoogleTest's main and
# registers it with CTest as NAME. It links the platform layer's test build,
# with fault injection and handle counting.
function(zemrik_add_test name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "SOURCES;LIBRARIES")
  set(target zemrik_${name}_tests)
  add_executable(${target} ${arg_SOURCES})
  set_target_properties(${target} PROPERTIES ZEMRIK_FAULT_INJECTION ON)
  target_link_libraries(${target} PRIVATE ${arg_LIBRARIES} zemrik_warnings GTest::gtest_main)
  add_test(NAME ${name} COMMAND ${target})
endfunction()
