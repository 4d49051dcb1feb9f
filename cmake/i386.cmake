# Toolchain for the 32-bit (i386) module and its tests, built with the system
# compiler in -m32 mode against the i386 root that scripts/install-i386 makes
# (libraries, their pkg-config files, GoogleTest, and a `run` wrapper that
# starts i386 programs, under qemu-i386 where the kernel cannot).
#
# SSE2 arithmetic instead of x87 makes every double operation round as on
# x86-64, so both modules render the same samples.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)

if(NOT VORNELL_I386_ROOT)
  if(DEFINED ENV{VORNELL_I386_ROOT})
    set(VORNELL_I386_ROOT "$ENV{VORNELL_I386_ROOT}")
  elseif(DEFINED ENV{XDG_CACHE_HOME})
    set(VORNELL_I386_ROOT "$ENV{XDG_CACHE_HOME}/vornell/i386-root")
  else()
    set(VORNELL_I386_ROOT "$ENV{HOME}/.cache/vornell/i386-root")
  endif()
endif()
set(VORNELL_I386_ROOT "${VORNELL_I386_ROOT}" CACHE PATH "The i386 root made by scripts/install-i386")
if(NOT EXISTS "${VORNELL_I386_ROOT}/run")
  message(FATAL_ERROR "${VORNELL_I386_ROOT} is not an i386 root: run scripts/install-i386 (or `make i386`) first")
endif()
# try_compile projects see the root too.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES VORNELL_I386_ROOT)

set(CMAKE_C_COMPILER gcc)
set(CMAKE_CXX_COMPILER g++)
set(CMAKE_LIBRARY_ARCHITECTURE i386-linux-gnu)

set(_vornell_lib "${VORNELL_I386_ROOT}/usr/lib/i386-linux-gnu")
set(_vornell_flags "-m32 -msse2 -mfpmath=sse")
# The root's headers come before the system's (amd64) ones of the same names.
set(_vornell_includes "-isystem ${VORNELL_I386_ROOT}/usr/include/i386-linux-gnu -isystem ${VORNELL_I386_ROOT}/usr/include")
set(CMAKE_C_FLAGS_INIT "${_vornell_flags} ${_vornell_includes}")
set(CMAKE_CXX_FLAGS_INIT "${_vornell_flags} ${_vornell_includes}")
set(CMAKE_ASM_FLAGS_INIT "-m32")
set(_vornell_link "-m32 -L${_vornell_lib} -Wl,-rpath-link,${_vornell_lib}:${VORNELL_I386_ROOT}/lib/i386-linux-gnu")
set(CMAKE_EXE_LINKER_FLAGS_INIT "${_vornell_link}")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "${_vornell_link}")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "${_vornell_link}")

set(ENV{PKG_CONFIG_LIBDIR} "${_vornell_lib}/pkgconfig:${VORNELL_I386_ROOT}/usr/share/pkgconfig")
set(ENV{PKG_CONFIG_SYSROOT_DIR} "${VORNELL_I386_ROOT}")
set(ENV{PKG_CONFIG_PATH} "")

list(PREPEND CMAKE_PREFIX_PATH "${VORNELL_I386_ROOT}/gtest")
set(GTest_DIR "${VORNELL_I386_ROOT}/gtest/lib/cmake/GTest" CACHE PATH "")

# Build-time generators, tests and the tools start i386 programs through this.
set(CMAKE_CROSSCOMPILING_EMULATOR "${VORNELL_I386_ROOT}/run")
