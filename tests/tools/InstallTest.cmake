# Installs the build into a prefix, moves the prefix elsewhere (the package must not care),
# and builds and runs a small C host against it through pkg-config and through find_package.
# Run with cmake -P; see CMakeLists.txt for the variables.

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "failed (${result}): ${ARGN}\n${out}\n${err}")
  endif()
  set(run_output "${out}" PARENT_SCOPE)
endfunction()

function(expect_link link target)
  if(NOT IS_SYMLINK "${link}")
    message(FATAL_ERROR "${link} is not a symbolic link")
  endif()
  file(READ_SYMLINK "${link}" points_to)
  if(NOT points_to STREQUAL target)
    message(FATAL_ERROR "${link} points to ${points_to}, not ${target}")
  endif()
endfunction()

file(REMOVE_RECURSE "${WORK_DIR}")
set(staged "${WORK_DIR}/staged")
set(prefix "${WORK_DIR}/moved prefix")
run(${CMAKE_COMMAND} --install "${BUILD_DIR}" --prefix "${staged}")
file(RENAME "${staged}" "${prefix}")

set(lib "${prefix}/${LIBDIR}")
foreach(file include/veltrix/veltrix.h bin/veltrix-render ${LIBDIR}/pkgconfig/veltrix.pc
    ${LIBDIR}/cmake/veltrix/veltrixConfig.cmake ${LIBDIR}/cmake/veltrix/veltrixConfigVersion.cmake)
  if(NOT EXISTS "${prefix}/${file}")
    message(FATAL_ERROR "not installed: ${file}")
  endif()
endforeach()
file(GLOB real_library "${lib}/libveltrix.so.*.*.*")
list(LENGTH real_library count)
if(NOT count EQUAL 1)
  message(FATAL_ERROR "expected one versioned library, found: ${real_library}")
endif()
get_filename_component(real_name "${real_library}" NAME)
string(REGEX MATCH "^libveltrix\\.so\\.[0-9]+" soname "${real_name}")
expect_link("${lib}/${soname}" "${real_name}")
expect_link("${lib}/libveltrix.so" "${soname}")

# pkg-config, reading only our .pc file.
run(${CMAKE_COMMAND} -E env "PKG_CONFIG_PATH=${lib}/pkgconfig" "PKG_CONFIG_LIBDIR=${lib}/pkgconfig"
  pkg-config --cflags --libs veltrix)
string(STRIP "${run_output}" pc_flags)
separate_arguments(pc_flags UNIX_COMMAND "${pc_flags}")
separate_arguments(c_flags UNIX_COMMAND "${C_FLAGS} ${LINKER_FLAGS}")
if(NOT "${pc_flags}" MATCHES "moved prefix")
  message(FATAL_ERROR "pkg-config flags do not follow the moved prefix: ${pc_flags}")
endif()
run(${C_COMPILER} ${c_flags} -std=c99 -Wall -Werror "${HOST_DIR}/host.c" ${pc_flags}
  -o "${WORK_DIR}/host-pkgconfig")
run(${CMAKE_COMMAND} -E env "LD_LIBRARY_PATH=${lib}" "XDG_DATA_HOME=${WORK_DIR}/data"
  "${WORK_DIR}/host-pkgconfig")
message(STATUS "pkg-config host: ${run_output}")

# find_package(veltrix) and the imported target veltrix::veltrix.
run(${CMAKE_COMMAND} -S "${HOST_DIR}" -B "${WORK_DIR}/host-build" -G "${GENERATOR}"
  "-DCMAKE_PREFIX_PATH=${prefix}" "-DCMAKE_C_COMPILER=${C_COMPILER}"
  "-DCMAKE_C_FLAGS=${C_FLAGS}" "-DCMAKE_EXE_LINKER_FLAGS=${LINKER_FLAGS}")
run(${CMAKE_COMMAND} --build "${WORK_DIR}/host-build")
run(${CMAKE_COMMAND} -E env "XDG_DATA_HOME=${WORK_DIR}/data" "${WORK_DIR}/host-build/veltrix_host")
message(STATUS "find_package host: ${run_output}")

# The installed program finds the library relative to itself.
run(${CMAKE_COMMAND} -E env "XDG_DATA_HOME=${WORK_DIR}/data"
  "${prefix}/bin/veltrix-render" --quiet --demo --demo-size 64 "${WORK_DIR}/demo.png")
if(NOT EXISTS "${WORK_DIR}/demo.png")
  message(FATAL_ERROR "the installed veltrix-render wrote no demo")
endif()
file(REMOVE_RECURSE "${WORK_DIR}")
