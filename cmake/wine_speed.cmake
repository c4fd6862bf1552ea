# How much longer a Wine test takes here than where the kernel runs 32-bit code: Wine's
# time goes mostly into starting i386 processes, which on a machine without 32-bit
# support run under qemu's user-mode emulator, many times slower. Measured once per
# configuration (each `make test`) as the time twenty starts of the i386 loader take
# against twenty of the native one, and given as WINE_TIME_FACTOR, from 1 (natively) to
# 6; the Wine tests' time limits are multiples of it.
set(i386_loader /lib/ld-linux.so.2)
set(native_loader /lib64/ld-linux-x86-64.so.2)
set(WINE_TIME_FACTOR 1)
if(EXISTS ${i386_loader} AND EXISTS ${native_loader})
  foreach(kind native i386)
    string(TIMESTAMP begin "%s%f")
    foreach(start RANGE 19)
      execute_process(COMMAND ${${kind}_loader} --version OUTPUT_QUIET ERROR_QUIET)
    endforeach()
    string(TIMESTAMP end "%s%f")
    math(EXPR ${kind}_time "${end} - ${begin} + 1")
  endforeach()
  # Rounded to the nearest whole factor.
  math(EXPR WINE_TIME_FACTOR "(2 * ${i386_time} + ${native_time}) / (2 * ${native_time})")
  if(WINE_TIME_FACTOR LESS 1)
    set(WINE_TIME_FACTOR 1)
  elseif(WINE_TIME_FACTOR GREATER 6)
    set(WINE_TIME_FACTOR 6)
  endif()
endif()
message(STATUS "Wine tests' time factor: ${WINE_TIME_FACTOR}")

# Sets the time limit of Wine tests to SECONDS on a machine that runs 32-bit code
# natively, times the factor here.
function(set_wine_test_timeout seconds)
  math(EXPR limit "${seconds} * ${WINE_TIME_FACTOR}")
  set_tests_properties(${ARGN} PROPERTIES TIMEOUT ${limit})
endfunction()
