# What `cmake --install` adds beside the library and header: a CMake package
# (find_package(veltrix) -> veltrix::veltrix) and a pkg-config file, both relocatable.
include(CMakePackageConfigHelpers)

set(VELTRIX_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/veltrix)
install(EXPORT veltrixTargets NAMESPACE veltrix:: FILE veltrixTargets.cmake
  DESTINATION ${VELTRIX_CMAKE_DIR})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/veltrixConfig.cmake.in
  ${PROJECT_BINARY_DIR}/veltrixConfig.cmake INSTALL_DESTINATION ${VELTRIX_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/veltrixConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/veltrixConfig.cmake
  ${PROJECT_BINARY_DIR}/veltrixConfigVersion.cmake DESTINATION ${VELTRIX_CMAKE_DIR})

# The .pc file finds the prefix from its own folder, so a moved prefix keeps working:
# one "../" for each component of <libdir>/pkgconfig.
if(IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}" OR IS_ABSOLUTE "${CMAKE_INSTALL_INCLUDEDIR}")
  message(FATAL_ERROR "veltrix.pc needs relative CMAKE_INSTALL_LIBDIR and CMAKE_INSTALL_INCLUDEDIR")
endif()
string(REPLACE "/" ";" pc_dir_parts "${CMAKE_INSTALL_LIBDIR}/pkgconfig")
set(VELTRIX_PC_TO_PREFIX "")
foreach(part IN LISTS pc_dir_parts)
  if(part)
    string(APPEND VELTRIX_PC_TO_PREFIX "../")
  endif()
endforeach()
string(REGEX REPLACE "/$" "" VELTRIX_PC_TO_PREFIX "${VELTRIX_PC_TO_PREFIX}")
configure_file(${PROJECT_SOURCE_DIR}/cmake/veltrix.pc.in ${PROJECT_BINARY_DIR}/veltrix.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/veltrix.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
