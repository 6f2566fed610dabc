# `cmake --install`: the public header, the shared library with a CMake package
# (find_package(ZEBIndicators), target ZEBIndicators::ZEBIndicators), the
# static library as ZEBIndicators::ZEBIndicators_static, and a pkg-config file.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(ZEB_PACKAGE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/ZEBIndicators)
set(ZEB_STATIC_NAME
  ${CMAKE_STATIC_LIBRARY_PREFIX}ZEBIndicators_static${CMAKE_STATIC_LIBRARY_SUFFIX})

install(TARGETS ZEBIndicators EXPORT ZEBIndicatorsTargets
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
# The static library is built from the same objects as the shared one; its
# imported target is declared by hand in the package config, because its
# build-tree target carries build-only usage requirements.
install(FILES $<TARGET_FILE:zeb_core> DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RENAME ${ZEB_STATIC_NAME})
install(FILES ${PROJECT_SOURCE_DIR}/include/zeb_indicators.h
  ${PROJECT_SOURCE_DIR}/include/zeb_indicators.hpp
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(EXPORT ZEBIndicatorsTargets NAMESPACE ZEBIndicators::
  DESTINATION ${ZEB_PACKAGE_DIR})

configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/ZEBIndicatorsConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/ZEBIndicatorsConfig.cmake
  INSTALL_DESTINATION ${ZEB_PACKAGE_DIR}
  PATH_VARS CMAKE_INSTALL_LIBDIR CMAKE_INSTALL_INCLUDEDIR)
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/ZEBIndicatorsConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/ZEBIndicatorsConfig.cmake
  ${CMAKE_CURRENT_BINARY_DIR}/ZEBIndicatorsConfigVersion.cmake
  DESTINATION ${ZEB_PACKAGE_DIR})

# pkg-config finds the prefix from the .pc file's own place, so the installed
# tree can be moved.
file(RELATIVE_PATH ZEB_PC_TO_PREFIX /${CMAKE_INSTALL_LIBDIR}/pkgconfig /)
string(REGEX REPLACE "/$" "" ZEB_PC_TO_PREFIX "${ZEB_PC_TO_PREFIX}")
configure_file(${CMAKE_CURRENT_LIST_DIR}/zebindicators.pc.in
  ${CMAKE_CURRENT_BINARY_DIR}/zebindicators.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/zebindicators.pc
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
