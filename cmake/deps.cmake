# Dependencies are installed by scripts/setup.sh, never copied into the repo.

# zlib: the static archive from libz-mingw-w64-dev (name it in full, or the linker takes libz.dll.a).
find_library(ZLIB_STATIC NAMES libz.a REQUIRED)
find_path(ZLIB_INCLUDE zlib.h REQUIRED)
add_library(zlib_static STATIC IMPORTED GLOBAL)
set_target_properties(zlib_static PROPERTIES IMPORTED_LOCATION "${ZLIB_STATIC}"
                      INTERFACE_INCLUDE_DIRECTORIES "${ZLIB_INCLUDE}")

# minizip: Debian's source package, unpacked by the set-up script; read side only.
set(MINIZIP_SRC_DIR "${CMAKE_SOURCE_DIR}/build/_deps/minizip" CACHE PATH "unpacked minizip sources")
if(NOT EXISTS "${MINIZIP_SRC_DIR}/unzip.c")
  message(FATAL_ERROR "minizip sources not found in ${MINIZIP_SRC_DIR}; run scripts/setup.sh")
endif()
add_library(minizip STATIC "${MINIZIP_SRC_DIR}/unzip.c" "${MINIZIP_SRC_DIR}/ioapi.c")
target_include_directories(minizip SYSTEM PUBLIC "${MINIZIP_SRC_DIR}")
# 32-bit Windows has no fopen64: ioapi.c must use the plain stdio calls.
target_compile_definitions(minizip PRIVATE USE_FILE32API NOCRYPT NOUNCRYPT)
target_compile_options(minizip PRIVATE -w)
target_link_libraries(minizip PUBLIC zlib_static)

# GoogleTest from Debian's googletest sources, built with the cross toolchain.
set(GTEST_SRC_DIR /usr/src/googletest CACHE PATH "googletest sources")
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
add_subdirectory("${GTEST_SRC_DIR}" "${CMAKE_BINARY_DIR}/_deps/googletest" EXCLUDE_FROM_ALL SYSTEM)
