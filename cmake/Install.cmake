# Installation: the shared and static library, the public header, a CMake package and a pkg-config file.
include(CMakePackageConfigHelpers)
install(TARGETS varnexo EXPORT varnexoTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
# The static archive is installed for pkg-config users (Libs.private names its dependencies).
install(TARGETS varnexo_static ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(FILES include/varnexo.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(EXPORT varnexoTargets NAMESPACE varnexo:: DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/varnexo)
configure_package_config_file(cmake/varnexoConfig.cmake.in ${PROJECT_BINARY_DIR}/varnexoConfig.cmake
  INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/varnexo)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/varnexoConfigVersion.cmake COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/varnexoConfig.cmake ${PROJECT_BINARY_DIR}/varnexoConfigVersion.cmake
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/varnexo)
configure_file(cmake/varnexo.pc.in ${PROJECT_BINARY_DIR}/varnexo.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/varnexo.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
