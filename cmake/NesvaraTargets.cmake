# Common settings for every target of the project: warnings, strict text conversions,
# and the sanitizer build.
function(nesvara_defaults target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wshadow)
    if(NESVARA_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
    target_compile_definitions(${target} PRIVATE
        QT_NO_CAST_FROM_ASCII QT_NO_CAST_TO_ASCII QT_NO_URL_CAST_FROM_STRING)
    if(NESVARA_SANITIZE)
        target_compile_options(${target} PRIVATE
            -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
        target_link_options(${target} PRIVATE -fsanitize=address,undefined)
        # Tests whose cost or address-space use differs under the sanitizers ask for this.
        target_compile_definitions(${target} PRIVATE NESVARA_SANITIZED)
    endif()
endfunction()

# nesvara_library(NAME name SOURCES ... DEPS ...)
function(nesvara_library)
    cmake_parse_arguments(ARG "" "NAME" "SOURCES;DEPS" ${ARGN})
    add_library(${ARG_NAME} STATIC ${ARG_SOURCES})
    target_include_directories(${ARG_NAME} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${ARG_NAME} PUBLIC ${ARG_DEPS})
    nesvara_defaults(${ARG_NAME})
endfunction()

# nesvara_test(NAME name SOURCES ... DEPS ...): one Qt Test executable, run headless by CTest.
function(nesvara_test)
    cmake_parse_arguments(ARG "" "NAME;TIMEOUT" "SOURCES;DEPS" ${ARGN})
    add_executable(${ARG_NAME} ${ARG_SOURCES})
    set_target_properties(${ARG_NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    target_link_libraries(${ARG_NAME} PRIVATE Qt6::Test ${ARG_DEPS})
    target_compile_definitions(${ARG_NAME} PRIVATE
        NESVARA_PROGRAM_DIR="${NESVARA_PROGRAM_DIR}/"
        NESVARA_SOURCE_DIR="${PROJECT_SOURCE_DIR}/")
    nesvara_defaults(${ARG_NAME})
    add_test(NAME ${ARG_NAME} COMMAND ${ARG_NAME})
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 120)
    endif()
    # The program runs on Qt's own event loop (see TNesvaraApplication), and so do the tests.
    set_tests_properties(${ARG_NAME} PROPERTIES TIMEOUT ${ARG_TIMEOUT}
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QT_NO_GLIB=1;SDL_AUDIODRIVER=dummy;DBUS_SYSTEM_BUS_ADDRESS=unix:path=/nonexistent/nesvara-tests-never-use-the-system-bus;ASAN_OPTIONS=detect_leaks=1;UBSAN_OPTIONS=print_stacktrace=1")
endfunction()
