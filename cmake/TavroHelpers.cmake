# tavro_add_test(NAME src... [LIBS lib...]): one test executable for one area, linked with
# GoogleTest and the engine (or only the libraries named after LIBS), its cases found by
# gtest_discover_tests. Tests find the shared corpus through
# tests/support (the source, build and shared folders are built into it).
function(tavro_add_test name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "LIBS")
  if(NOT arg_LIBS)
    set(arg_LIBS tavro_engine)
  endif()
  add_executable(${name} ${arg_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE ${arg_LIBS} tavro_testsupport GTest::gtest GTest::gmock GTest::gtest_main)
  # A test that hangs fails after two minutes instead of holding up the whole run.
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES ENVIRONMENT QT_QPA_PLATFORM=offscreen TIMEOUT 120)
endfunction()

# tavro_embed_resources(TARGET OUT_CPP TYPE1 NUMBER1 FILE1 TYPE2 NUMBER2 FILE2 ...): turns files
# into a C++ table of resources that resources/resources.h looks up by type name and number (or
# name). The build reads the files themselves, so editing a stylesheet rebuilds the table.
function(tavro_embed_resources target out_cpp)
  set(args ${ARGN})
  set(files)
  set(entries)
  list(LENGTH args n)
  math(EXPR last "${n} - 1")
  foreach(i RANGE 0 ${last} 3)
    math(EXPR j "${i} + 1")
    math(EXPR k "${i} + 2")
    list(GET args ${i} type)
    list(GET args ${j} id)
    list(GET args ${k} file)
    list(APPEND files ${file})
    string(APPEND entries "${type}|${id}|${file};")
  endforeach()
  add_custom_command(OUTPUT ${out_cpp}
    COMMAND ${CMAKE_COMMAND} "-DENTRIES=${entries}" -DOUT=${out_cpp}
            -P ${PROJECT_SOURCE_DIR}/cmake/EmbedResources.cmake
    DEPENDS ${files} ${PROJECT_SOURCE_DIR}/cmake/EmbedResources.cmake
    COMMENT "Embedding resources into ${out_cpp}" VERBATIM)
  # The rule lives in this folder; a target here makes the engine (defined elsewhere) wait for it.
  get_filename_component(stem ${out_cpp} NAME_WE)
  add_custom_target(${target}_${stem} DEPENDS ${out_cpp})
  add_dependencies(${target} ${target}_${stem})
  target_sources(${target} PRIVATE ${out_cpp})
endfunction()
