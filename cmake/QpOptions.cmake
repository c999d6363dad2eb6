# Compile options shared by every target of the project: warnings as errors,
# the repository root as include root, and the optional sanitizers.
add_library(qp_options INTERFACE)
target_include_directories(qp_options INTERFACE "${PROJECT_SOURCE_DIR}")
target_compile_options(qp_options INTERFACE
  -Wall -Wextra -Wpedantic -Wnon-virtual-dtor -Woverloaded-virtual
  -Wimplicit-fallthrough -Wcast-qual -Wshadow -Wformat=2 -Wnull-dereference -Werror)
target_compile_definitions(qp_options INTERFACE
  QP_SHARED_DIR="${QP_SHARED_DIR}"
  QP_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
  QP_VERSION="${PROJECT_VERSION}")

if(QP_SANITIZE)
  set(qp_sanitize_flags -fsanitize=address,undefined -fno-sanitize-recover=undefined
      -fno-omit-frame-pointer)
  target_compile_options(qp_options INTERFACE ${qp_sanitize_flags})
  target_link_options(qp_options INTERFACE ${qp_sanitize_flags})
  # Bounds checks in the standard library's containers as well.
  target_compile_definitions(qp_options INTERFACE QP_SANITIZED=1 _GLIBCXX_ASSERTIONS)
endif()

# ThreadSanitizer, for the parallel build: cannot be combined with QP_SANITIZE.
if(QP_TSAN)
  if(QP_SANITIZE)
    message(FATAL_ERROR "QP_TSAN and QP_SANITIZE exclude each other")
  endif()
  set(qp_tsan_flags -fsanitize=thread -fno-omit-frame-pointer)
  target_compile_options(qp_options INTERFACE ${qp_tsan_flags})
  target_link_options(qp_options INTERFACE ${qp_tsan_flags})
  target_compile_definitions(qp_options INTERFACE QP_SANITIZED=1)
endif()

# qp_add_test(NAME SOURCES... LIBS ... [LABELS ...]): one GoogleTest executable,
# its cases registered with CTest at test time.
function(qp_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main qp_options)
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST
    WORKING_DIRECTORY "${CMAKE_CURRENT_BINARY_DIR}"
    PROPERTIES LABELS "${ARG_LABELS}")
endfunction()

# qp_add_library(NAME [LIBS ...]): the static library of one source folder,
# made of every .cpp file in it (an interface library while it has none).
function(qp_add_library name)
  cmake_parse_arguments(ARG "" "" "LIBS;EXCLUDE" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/*.cpp")
  foreach(excluded ${ARG_EXCLUDE})
    list(REMOVE_ITEM sources "${CMAKE_CURRENT_SOURCE_DIR}/${excluded}")
  endforeach()
  if(sources)
    add_library(${name} STATIC ${sources})
    target_link_libraries(${name} PUBLIC qp_options ${ARG_LIBS})
  else()
    add_library(${name} INTERFACE)
    target_link_libraries(${name} INTERFACE qp_options ${ARG_LIBS})
  endif()
endfunction()

# qp_add_folder_tests(NAME LIBS ...): one test executable of every *_test.cpp
# in the current folder.
function(qp_add_folder_tests name)
  cmake_parse_arguments(ARG "" "" "LIBS;LABELS;EXTRA" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp")
  if(sources)
    qp_add_test(${name} SOURCES ${sources} ${ARG_EXTRA} LIBS ${ARG_LIBS} LABELS ${ARG_LABELS})
  endif()
endfunction()

# Fuzzing builds: coverage instrumentation in every library, not only in the
# fuzz targets themselves, so that libFuzzer sees the code under test.
if(QP_FUZZ)
  target_compile_options(qp_options INTERFACE -fsanitize=fuzzer-no-link)
endif()
