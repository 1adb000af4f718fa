# One place for the language level, warnings and Qt strictness of every target.
add_library(levy_options INTERFACE)
target_compile_features(levy_options INTERFACE cxx_std_20)
set(CMAKE_CXX_EXTENSIONS OFF)
target_compile_options(levy_options INTERFACE -Wall -Wextra -Wpedantic)
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
