# Warnings for the project's own targets only, so a consumer's build is left as it was.
function(flowviewer_set_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
endfunction()

# Registers one Qt Test program: an executable, its CTest entry, and the offscreen platform
# so that no test ever needs a display.
#   flowviewer_add_test(NAME SOURCES a.cpp... [LIBS lib...])
function(flowviewer_add_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    flowviewer_set_warnings(${name})
    target_link_libraries(${name} PRIVATE flowviewer_test_support Qt6::Test ${ARG_LIBS})
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${FLOWVIEWER_BIN_DIR}/tests)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;FLOWVIEWER_SHARED_DATA=${PROJECT_SOURCE_DIR}/../shared/data"
        TIMEOUT 300)
endfunction()
