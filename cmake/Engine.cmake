# The database engine: SQLCipher's amalgamation, fetched at a pinned version by
# scripts/fetch-engine.sh and built here, so that no program depends on the old engine
# a distribution ships. It is always optimised and never instrumented: the sanitizers
# and the fuzzer watch the project's own code, not the engine's.
enable_language(C)
set(LEVY_ENGINE_DIR ${CMAKE_SOURCE_DIR}/external/sqlcipher CACHE PATH "Folder holding SQLCipher's sqlite3.c and sqlite3.h")
if(NOT EXISTS ${LEVY_ENGINE_DIR}/sqlite3.c)
    message(FATAL_ERROR "The database engine's source is missing from ${LEVY_ENGINE_DIR}: "
                        "run scripts/install-dependencies.sh (or scripts/fetch-engine.sh) first")
endif()
find_package(OpenSSL REQUIRED COMPONENTS Crypto)

add_library(levy_sqlcipher STATIC ${LEVY_ENGINE_DIR}/sqlite3.c)
target_include_directories(levy_sqlcipher SYSTEM BEFORE PUBLIC ${LEVY_ENGINE_DIR})
target_compile_definitions(levy_sqlcipher
    PUBLIC
        SQLITE_HAS_CODEC
    PRIVATE
        SQLCIPHER_CRYPTO_OPENSSL
        SQLITE_EXTRA_INIT=sqlcipher_extra_init
        SQLITE_EXTRA_SHUTDOWN=sqlcipher_extra_shutdown
        SQLITE_THREADSAFE=1
        # Temporary tables and sort spills stay in memory whatever a pragma asks.
        SQLITE_TEMP_STORE=3
        SQLITE_OMIT_LOAD_EXTENSION
        # File names are names: "file:…?vfs=…" must not choose how a file is opened.
        SQLITE_USE_URI=0
        SQLITE_OMIT_DEPRECATED
        SQLITE_OMIT_SHARED_CACHE
        SQLITE_DEFAULT_MEMSTATUS=1
        HAVE_USLEEP=1
        HAVE_STDINT_H=1
        HAVE_FDATASYNC=1
)
target_compile_options(levy_sqlcipher PRIVATE -O2 -w)
set_target_properties(levy_sqlcipher PROPERTIES POSITION_INDEPENDENT_CODE ON)
target_link_libraries(levy_sqlcipher PUBLIC OpenSSL::Crypto Threads::Threads ${CMAKE_DL_LIBS} m)
