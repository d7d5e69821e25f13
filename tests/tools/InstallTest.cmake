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

file(REMOVE_RECURSE "${WORK_DIR}")
set(staged "${WORK_DIR}/staged")
set(prefix "${WORK_DIR}/moved prefix")
run(${CMAKE_COMMAND} --install "${BUILD_DIR}" --prefix "${staged}")
file(RENAME "${staged}" "${prefix}")

# Building and running the host below proves the header, the .pc file (which must follow the
# moved prefix), the CMake package files and the library under its link and soname names.
set(lib "${prefix}/${LIBDIR}")

# pkg-config, reading only our .pc file.
run(${CMAKE_COMMAND} -E env "PKG_CONFIG_PATH=${lib}/pkgconfig" "PKG_CONFIG_LIBDIR=${lib}/pkgconfig"
  pkg-config --cflags --libs veltrix)
string(STRIP "${run_output}" pc_flags)
separate_arguments(pc_flags UNIX_COMMAND "${pc_flags}")
separate_arguments(c_flags UNIX_COMMAND "${C_FLAGS} ${LINKER_FLAGS}")
run(${C_COMPILER} ${c_flags} -std=c99 -Wall -Werror "${HOST_DIR}/host.c" ${pc_flags}
  -o "${WORK_DIR}/host-pkgconfig")
run(${CMAKE_COMMAND} -E env "LD_LIBRARY_PATH=${lib}" "XDG_DATA_HOME=${WORK_DIR}/data"
  "${WORK_DIR}/host-pkgconfig")

# find_package(veltrix) and the imported target veltrix::veltrix.
run(${CMAKE_COMMAND} -S "${HOST_DIR}" -B "${WORK_DIR}/host-build" -G "${GENERATOR}"
  "-DCMAKE_PREFIX_PATH=${prefix}" "-DCMAKE_C_COMPILER=${C_COMPILER}"
  "-DCMAKE_C_FLAGS=${C_FLAGS}" "-DCMAKE_EXE_LINKER_FLAGS=${LINKER_FLAGS}")
run(${CMAKE_COMMAND} --build "${WORK_DIR}/host-build")
run(${CMAKE_COMMAND} -E env "XDG_DATA_HOME=${WORK_DIR}/data" "${WORK_DIR}/host-build/veltrix_host")

# The installed program finds the library relative to itself.
run(${CMAKE_COMMAND} -E env "XDG_DATA_HOME=${WORK_DIR}/data"
  "${prefix}/bin/veltrix-render" --quiet --demo --demo-size 64 "${WORK_DIR}/demo.png")
if(NOT EXISTS "${WORK_DIR}/demo.png")
  message(FATAL_ERROR "the installed veltrix-render wrote no demo")
endif()
file(REMOVE_RECURSE "${WORK_DIR}")
