# One helper per kind of target, so every part is built the same way.

# vnd_add_library(name [STATIC|OBJECT] SOURCES ... LIBS ...): shared unless STATIC or OBJECT.
function(vnd_add_library name)
  cmake_parse_arguments(A "STATIC;OBJECT" "" "SOURCES;LIBS" ${ARGN})
  if(A_STATIC)
    add_library(${name} STATIC ${A_SOURCES})
  elseif(A_OBJECT)
    add_library(${name} OBJECT ${A_SOURCES})
  else()
    add_library(${name} SHARED ${A_SOURCES})
  endif()
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${A_LIBS})
endfunction()

# vnd_add_test(name SOURCES ... LIBS ...): one GoogleTest executable with the shared main
# (tests/support), one ctest entry.
function(vnd_add_test name)
  if(NOT VND_BUILD_TESTS)
    return()
  endif()
  cmake_parse_arguments(A "" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE ${A_LIBS} testmain GTest::gtest GTest::gmock)
  add_test(NAME ${name} COMMAND ${name})
  if(NOT A_TIMEOUT)
    set(A_TIMEOUT 300)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${A_TIMEOUT}
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8")
endfunction()

# vnd_add_bench(name SOURCES ... LIBS ...): built by ./test, run by hand.
function(vnd_add_bench name)
  cmake_parse_arguments(A "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE ${A_LIBS})
endfunction()
