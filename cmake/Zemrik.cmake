# What every target of ours shares. Third-party sources built here (GoogleTest
# on cross builds) keep their own flags: warnings as errors apply to our code.
# Off by default: a packager's plain `cmake` with a newer compiler must not fail
# on a warning we have not seen yet; every preset (CI, developers) turns it on.
option(ZEMRIK_WERROR "Treat compiler warnings in Zemrik's own code as errors" OFF)
add_library(zemrik_warnings INTERFACE)
# -Wshadow: a name that hides another (a member, a parameter) reads as the one
# it hides. -Woverloaded-virtual: an overload that hides a base's virtual.
# -Wconversion: a value narrowed on the way (a 64-bit size into a 32-bit
# size_t on -m32, MinGW or wasm) is checked, or cast where it provably fits.
# -Wno-sign-conversion: clang's -Wconversion also counts signedness changes,
# which GCC's leaves out for C++; both compilers then check narrowing alone.
# -Wold-style-cast: a C cast hides which conversion it does; a named one says.
target_compile_options(zemrik_warnings INTERFACE -Wall -Wextra -Wshadow -Woverloaded-virtual
                                                 -Wconversion -Wno-sign-conversion -Wold-style-cast)
if(ZEMRIK_WERROR)
  target_compile_options(zemrik_warnings INTERFACE -Werror)
endif()

# zemrik_add_test(NAME SOURCES file... [LIBRARIES lib...])
# Builds zemrik_NAME_tests from the sources with GoogleTest's main and
# registers it with CTest as NAME. It links the platform layer's test build,
# with fault injection and handle counting, and the tests' shared support.
function(zemrik_add_test name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "SOURCES;LIBRARIES")
  set(target zemrik_${name}_tests)
  add_executable(${target} ${arg_SOURCES})
  set_target_properties(${target} PROPERTIES ZEMRIK_FAULT_INJECTION ON)
  target_link_libraries(${target} PRIVATE ${arg_LIBRARIES} zemrik_test_support zemrik_warnings GTest::gtest_main)
  add_test(NAME ${name} COMMAND ${target})
endfunction()
