# Installed CMake package (find_package(Zelt) -> zelt::display, zelt::kernel,
# zelt::platform) and a pkg-config file.
include(CMakePackageConfigHelpers)

set(_zelt_targets zeltkernel zeltdisplay)
if(TARGET zeltplatform)
  list(PREPEND _zelt_targets zeltplatform)
endif()

install(TARGETS ${_zelt_targets} EXPORT ZeltTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
set_target_properties(zelt_warnings PROPERTIES EXPORT_NAME warnings)
install(TARGETS zelt_warnings EXPORT ZeltTargets)
install(DIRECTORY include/zelt DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(EXPORT ZeltTargets NAMESPACE zelt:: DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Zelt)

configure_package_config_file(cmake/ZeltConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/ZeltConfig.cmake
  INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Zelt)
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/ZeltConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/ZeltConfig.cmake
              ${CMAKE_CURRENT_BINARY_DIR}/ZeltConfigVersion.cmake
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Zelt)

configure_file(cmake/zelt.pc.in ${CMAKE_CURRENT_BINARY_DIR}/zelt.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/zelt.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
