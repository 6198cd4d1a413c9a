# nd_add_test(NAME name SOURCES ... LIBS ... LABEL unit|integration|gui [TIMEOUT s])
# Each test is its own small executable, linked against the libraries it tests and
# run headless, with its own settings folder (XDG_CONFIG_HOME, which the programs it
# starts inherit too), so no test reads or writes the user's settings. The programs they
# start keep their data (the archive) inside the build (XDG_DATA_HOME).
function(nd_add_test)
    cmake_parse_arguments(T "" "NAME;LABEL;TIMEOUT" "SOURCES;LIBS" ${ARGN})
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 60)
    endif()
    add_executable(${T_NAME} ${T_SOURCES})
    target_link_libraries(${T_NAME} PRIVATE Qt6::Test ${T_LIBS})
    add_test(NAME ${T_NAME} COMMAND ${T_NAME})
    set_tests_properties(${T_NAME} PROPERTIES
        LABELS "${T_LABEL}"
        TIMEOUT ${T_TIMEOUT}
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;NOISEDESK_BIN_DIR=${CMAKE_BINARY_DIR}/bin;XDG_CONFIG_HOME=${CMAKE_BINARY_DIR}/test-settings/${T_NAME};XDG_DATA_HOME=${CMAKE_BINARY_DIR}/test-data")
endfunction()
