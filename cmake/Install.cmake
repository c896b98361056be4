# Installation for hosts (cmake --install BUILD [--prefix DIR]):
#   lib/libvexarepos.so.<version> with its soname link   component runtime
#   lib/libvexarepos.so, include/vexa/...,                component development
#   lib/cmake/vexarepos/ (find_package(vexarepos) gives vexarepos::vexarepos),
#   lib/pkgconfig/vexarepos.pc
# The headers keep the include paths the library's own headers use:
# "repos/...", "kernel/...", "engine/..." and "vfs/src/impl/...", all below
# include/vexa. wxWidgets is found again on the host's machine (its flags
# come from wx-config there); Boost is headers only; libxml2 stays private to
# the shared library.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(VEXA_INSTALL_INCLUDEDIR ${CMAKE_INSTALL_INCLUDEDIR}/vexa)
set(VEXA_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/vexarepos)

install(TARGETS vexarepos EXPORT vexareposTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
    COMPONENT runtime NAMELINK_COMPONENT development)

install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/repos
  DESTINATION ${VEXA_INSTALL_INCLUDEDIR} COMPONENT development
  FILES_MATCHING PATTERN "*.h")
install(FILES ${PROJECT_BINARY_DIR}/include/repos/Version.h
  DESTINATION ${VEXA_INSTALL_INCLUDEDIR}/repos COMPONENT development)
file(GLOB VEXA_KERNEL_HEADERS ${PROJECT_SOURCE_DIR}/platform/kernel/*.h)
install(FILES ${VEXA_KERNEL_HEADERS}
  DESTINATION ${VEXA_INSTALL_INCLUDEDIR}/kernel COMPONENT development)
file(GLOB VEXA_ENGINE_HEADERS ${PROJECT_SOURCE_DIR}/platform/engine/*.h)
install(FILES ${VEXA_ENGINE_HEADERS}
  DESTINATION ${VEXA_INSTALL_INCLUDEDIR}/engine COMPONENT development)
# The file-system interfaces, not the local provider behind them.
file(GLOB VEXA_VFS_HEADERS ${PROJECT_SOURCE_DIR}/vfs/src/impl/*.h)
install(FILES ${VEXA_VFS_HEADERS}
  DESTINATION ${VEXA_INSTALL_INCLUDEDIR}/vfs/src/impl COMPONENT development)

install(EXPORT vexareposTargets NAMESPACE vexarepos::
  DESTINATION ${VEXA_INSTALL_CMAKEDIR} COMPONENT development)
configure_package_config_file(
  ${PROJECT_SOURCE_DIR}/cmake/vexareposConfig.cmake.in
  ${PROJECT_BINARY_DIR}/vexareposConfig.cmake
  INSTALL_DESTINATION ${VEXA_INSTALL_CMAKEDIR})
write_basic_package_version_file(
  ${PROJECT_BINARY_DIR}/vexareposConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES
  ${PROJECT_BINARY_DIR}/vexareposConfig.cmake
  ${PROJECT_BINARY_DIR}/vexareposConfigVersion.cmake
  DESTINATION ${VEXA_INSTALL_CMAKEDIR} COMPONENT development)

# pkg-config: wxWidgets has no .pc file, so its flags are written in as
# wx-config gives them for its base library. The prefix is found from the
# .pc file's own place, so an installed tree may be moved; the library's
# folder goes into the host's run path, so a host built with the pkg-config
# line runs without LD_LIBRARY_PATH.
execute_process(COMMAND ${wxWidgets_CONFIG_EXECUTABLE} --cxxflags base
  OUTPUT_VARIABLE VEXA_PC_WX_CFLAGS OUTPUT_STRIP_TRAILING_WHITESPACE)
execute_process(COMMAND ${wxWidgets_CONFIG_EXECUTABLE} --libs base
  OUTPUT_VARIABLE VEXA_PC_WX_LIBS OUTPUT_STRIP_TRAILING_WHITESPACE)
# Boost's headers: named only where the compiler does not look anyway (an
# -I of a system folder would change the order of the system's headers).
set(VEXA_PC_BOOST_CFLAGS "")
foreach(dir ${Boost_INCLUDE_DIRS})
  if(NOT dir IN_LIST CMAKE_CXX_IMPLICIT_INCLUDE_DIRECTORIES)
    string(APPEND VEXA_PC_BOOST_CFLAGS " -I${dir}")
  endif()
endforeach()
file(RELATIVE_PATH VEXA_PC_PREFIX
  /root/${CMAKE_INSTALL_LIBDIR}/pkgconfig /root)
string(REGEX REPLACE "/$" "" VEXA_PC_PREFIX "${VEXA_PC_PREFIX}")
configure_file(${PROJECT_SOURCE_DIR}/cmake/vexarepos.pc.in
  ${PROJECT_BINARY_DIR}/vexarepos.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/vexarepos.pc
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT development)
