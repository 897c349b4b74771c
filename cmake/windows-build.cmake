# The Windows build (cmake/mingw-w64.cmake): the engine, the run and sorbel-filter.exe over the
# Windows ports, SQLite from Debian's source package; their tests run under Wine.
enable_language(C)
add_compile_definitions(_WIN32_WINNT=0x0A00 WINVER=0x0A00 UNICODE _UNICODE NOMINMAX
                        WIN32_LEAN_AND_MEAN)

# SQLite's amalgamation, made once into a cache outside the build folder (scripts/fetch-sqlite.sh).
set(SORBEL_WINDOWS_DEPS ${PROJECT_SOURCE_DIR}/build/windows-deps
    CACHE PATH "Where the Windows build keeps what it makes from Debian's source packages")
execute_process(
  COMMAND ${PROJECT_SOURCE_DIR}/scripts/fetch-sqlite.sh ${SORBEL_WINDOWS_DEPS}
  OUTPUT_VARIABLE sorbel_sqlite_dir OUTPUT_STRIP_TRAILING_WHITESPACE
  RESULT_VARIABLE sorbel_sqlite_result)
if(NOT sorbel_sqlite_result EQUAL 0)
  message(FATAL_ERROR "scripts/fetch-sqlite.sh failed: no SQLite for the Windows build")
endif()
add_library(sqlite3 STATIC ${sorbel_sqlite_dir}/sqlite3.c)
target_include_directories(sqlite3 SYSTEM PUBLIC ${sorbel_sqlite_dir})
# The options of Debian's libsqlite3 that change what a query does or may do, so that both
# builds answer alike.
target_compile_definitions(sqlite3 PUBLIC
  SQLITE_THREADSAFE=1 SQLITE_ENABLE_COLUMN_METADATA SQLITE_SECURE_DELETE
  SQLITE_LIKE_DOESNT_MATCH_BLOBS SQLITE_ALLOW_ROWID_IN_VIEW SQLITE_ENABLE_LOAD_EXTENSION
  SQLITE_OMIT_LOOKASIDE=1 SQLITE_USE_URI=1 SQLITE_MAX_SCHEMA_RETRY=25
  SQLITE_MAX_VARIABLE_NUMBER=250000 SQLITE_ENABLE_JSON1)
target_compile_options(sqlite3 PRIVATE -w -O2)
add_library(SQLite::SQLite3 ALIAS sqlite3)

include_directories(${PROJECT_SOURCE_DIR})
find_package(Threads REQUIRED)
# The programs lie in the build folder itself, beside datasource.dsn: a portable copy.
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
# The same engine, run and command line as on Linux, over the Windows ports.
add_subdirectory(text)
add_subdirectory(platform/windows)
add_subdirectory(platform/csvdb)
add_subdirectory(fileutil)
add_subdirectory(display)
add_subdirectory(filter)
add_subdirectory(cli)
add_subdirectory(front)
add_subdirectory(win32)
configure_file(samples/datasource.dsn ${CMAKE_BINARY_DIR}/datasource.dsn COPYONLY)

# The installer, sorbel-<version>-setup.exe (packaging/windows/sorbel.nsi), made with NSIS. It
# takes sorbel.exe too when the build folder holds it.
find_program(SORBEL_MAKENSIS makensis)
if(NOT SORBEL_MAKENSIS)
  message(FATAL_ERROR "makensis not found: the installer needs NSIS (scripts/install-deps.sh)")
endif()
set(SORBEL_SETUP ${CMAKE_BINARY_DIR}/sorbel-${PROJECT_VERSION}-setup.exe)
set(sorbel_nsi ${PROJECT_SOURCE_DIR}/packaging/windows/sorbel.nsi)
set(sorbel_setup_programs sorbel-filter)
if(TARGET sorbel)
  list(APPEND sorbel_setup_programs sorbel)
endif()
add_custom_command(OUTPUT ${SORBEL_SETUP}
  COMMAND ${SORBEL_MAKENSIS} -V2 -WX -INPUTCHARSET UTF8 -DVERSION=${PROJECT_VERSION}
          -DBUILD_DIR=${CMAKE_BINARY_DIR} -DDSN=${PROJECT_SOURCE_DIR}/samples/datasource.dsn
          -DOUTFILE=${SORBEL_SETUP} ${sorbel_nsi}
  DEPENDS ${sorbel_nsi} ${PROJECT_SOURCE_DIR}/samples/datasource.dsn ${sorbel_setup_programs}
  COMMENT "Making the installer sorbel-${PROJECT_VERSION}-setup.exe"
  VERBATIM)
add_custom_target(sorbel_setup ALL DEPENDS ${SORBEL_SETUP})

if(SORBEL_TESTS)
  enable_testing()
  # GoogleTest from Debian's sources, cross-built here.
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  add_subdirectory(tests/platform/windows)
  add_subdirectory(tests/windows)
endif()
