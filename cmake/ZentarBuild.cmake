# Build helpers shared by every folder: warnings, sanitizers, optional sub-folders
# and the test registration used under tests/.

set(ZENTAR_WARNINGS -Wall -Wextra -Wshadow=local -Wnon-virtual-dtor -Wno-missing-field-initializers)
if(ZENTAR_WERROR)
  list(APPEND ZENTAR_WARNINGS -Werror)
endif()

if(ZENTAR_SANITIZE STREQUAL "address")
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
elseif(ZENTAR_SANITIZE STREQUAL "thread")
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()

# Applies the project's warning set to a target of ours (never to third-party code).
function(zentar_warnings target)
  target_compile_options(${target} PRIVATE ${ZENTAR_WARNINGS})
endfunction()

# Adds each listed folder that has a CMakeLists.txt of its own.
function(zentar_add_folders)
  foreach(dir ${ARGN})
    if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/CMakeLists.txt)
      add_subdirectory(${dir})
    endif()
  endforeach()
endfunction()

# A static library from every .cpp directly in the listed folders (relative to the
# calling CMakeLists.txt). Usage: zentar_library(name FOLDERS a b LIBS x y)
function(zentar_library name)
  cmake_parse_arguments(ARG "" "" "FOLDERS;LIBS;PUBLIC_LIBS" ${ARGN})
  set(sources "")
  foreach(dir ${ARG_FOLDERS})
    file(GLOB found CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.cpp)
    list(APPEND sources ${found})
  endforeach()
  if(NOT sources)
    # Nothing to compile yet (headers only): an interface library keeps dependents linking.
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${CMAKE_SOURCE_DIR})
    target_link_libraries(${name} INTERFACE ${ARG_PUBLIC_LIBS} ${ARG_LIBS})
    return()
  endif()
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_PUBLIC_LIBS} PRIVATE ${ARG_LIBS})
  zentar_warnings(${name})
endfunction()

# One GoogleTest executable; its cases are registered one by one with CTest, each with
# a time limit so that a deadlock fails instead of hanging the suite.
# Usage: zentar_test(name SOURCES a.cpp b.cpp LIBS x y [TIMEOUT s] [LABELS l])
function(zentar_test name)
  cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 120)
  endif()
  if(NOT ARG_SOURCES)
    # A suite whose folder has no test files yet: nothing to build, and no configure error.
    message(STATUS "zentar_test(${name}): no sources yet, skipped")
    return()
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main Threads::Threads)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
  target_compile_definitions(${name} PRIVATE
    ZENTAR_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
    ZENTAR_BINARY_DIR="${CMAKE_BINARY_DIR}"
    ZENTAR_SHARED_MEDIA_DIR="${CMAKE_SOURCE_DIR}/../shared/media")
  zentar_warnings(${name})
  set(props TIMEOUT ${ARG_TIMEOUT} ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
  if(ARG_LABELS)
    list(APPEND props LABELS "${ARG_LABELS}")
  endif()
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 120 PROPERTIES ${props})
endfunction()
