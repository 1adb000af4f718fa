# One place for the language level, warnings and Qt strictness of every target.
add_library(levy_options INTERFACE)
target_compile_features(levy_options INTERFACE cxx_std_20)
set(CMAKE_CXX_EXTENSIONS OFF)
target_compile_options(levy_options INTERFACE -Wall -Wextra -Wpedantic
    -Wold-style-cast -Woverloaded-virtual -Wnon-virtual-dtor -Wshadow)
option(LEVY_WARNINGS_AS_ERRORS "Treat compiler warnings as errors" OFF)
if(LEVY_WARNINGS_AS_ERRORS)
    target_compile_options(levy_options INTERFACE -Werror)
endif()
target_compile_definitions(levy_options INTERFACE
    QT_NO_CAST_FROM_ASCII
    QT_NO_CAST_TO_ASCII
    QT_NO_CAST_FROM_BYTEARRAY
    QT_NO_URL_CAST_FROM_STRING
    QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
    QT_NO_FOREACH
    QT_STRICT_ITERATORS
    QT_DISABLE_DEPRECATED_BEFORE=0x060400
)

# AddressSanitizer and UndefinedBehaviorSanitizer on every target, for running the whole
# test suite under them (scripts/test-sanitizers.sh). Undefined behaviour stops the
# program, so that a test cannot pass over it.
option(LEVY_SANITIZE "Build every target with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
# The libFuzzer targets in fuzz/ (scripts/fuzz.sh). The libraries they exercise get the
# sanitizers and the fuzzer's coverage instrumentation too; only clang has both.
option(LEVY_FUZZ "Build the libFuzzer targets in fuzz/ (clang only)" OFF)
if(LEVY_FUZZ AND NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "LEVY_FUZZ needs clang: configure with -DCMAKE_CXX_COMPILER=clang++")
endif()
if(LEVY_SANITIZE OR LEVY_FUZZ)
    target_compile_options(levy_options INTERFACE
        -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
    target_link_options(levy_options INTERFACE -fsanitize=address,undefined)
endif()
if(LEVY_FUZZ)
    target_compile_options(levy_options INTERFACE -fsanitize=fuzzer-no-link)
endif()
