# What `cmake --install` puts into the prefix: the headers of the grid, of the host layers it
# builds on and of the binding library over it (under their source paths, as the code includes
# them), the static libraries, the CMake package (find_package(ZelGrid) -> ZelGrid::zelgrid and
# ZelGrid::zelgrid_binding) and a pkg-config file. Programs, tests,
# examples and benchmarks stay in the build tree.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

# In link order: each library before those it uses.
set(ZEL_INSTALLED_LIBRARIES zelgrid_binding zelgrid outline host_controls host_windows host_streaming host_graphics host_core)
set(ZEL_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/ZelGrid)

# Users of the headers need C++20; the build sets the same standard already.
target_compile_features(host_core PUBLIC cxx_std_20)

foreach(lib IN LISTS ZEL_INSTALLED_LIBRARIES)
  # The archives carry a prefix so that generic names (liboutline.a) stay out of the prefix's lib/.
  if(lib MATCHES "^zelgrid")
    set_target_properties(${lib} PROPERTIES OUTPUT_NAME ${lib})
  else()
    set_target_properties(${lib} PROPERTIES OUTPUT_NAME zelgrid_${lib})
  endif()
  string(REPLACE "host_" "host/" folder ${lib})
  string(REPLACE "zelgrid_binding" "binding" folder ${folder})
  # X11Shm.h and X11Identity.h are the X11 back end's own: they bring Xlib's macros, which clash
  # with the host's names.
  install(DIRECTORY ${CMAKE_SOURCE_DIR}/${folder}/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/${folder}
          FILES_MATCHING PATTERN "*.h" PATTERN "X11Shm.h" EXCLUDE PATTERN "X11Identity.h" EXCLUDE)
endforeach()

install(TARGETS ${ZEL_INSTALLED_LIBRARIES} EXPORT ZelGridTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
        INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(EXPORT ZelGridTargets NAMESPACE ZelGrid:: DESTINATION ${ZEL_CMAKE_DIR})

configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/ZelGridConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/ZelGridConfig.cmake INSTALL_DESTINATION ${ZEL_CMAKE_DIR})
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/ZelGridConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/ZelGridConfig.cmake ${CMAKE_CURRENT_BINARY_DIR}/ZelGridConfigVersion.cmake
        DESTINATION ${ZEL_CMAKE_DIR})

# pkg-config: the archives in link order, the system libraries as public requirements (a static
# archive needs them on every link line, not only with --static), named from what the libraries
# link. A system library without a pkg-config module below stops the configure.
set(ZEL_PC_MODULES PkgConfig::ZEL_FREETYPE freetype2 PkgConfig::ZEL_FONTCONFIG fontconfig PkgConfig::ZEL_SQLITE sqlite3 PkgConfig::ZEL_PQ libpq PNG::PNG libpng
    X11::X11 x11 X11::Xext xext)
set(ZEL_PC_LIBS "")
set(ZEL_PC_REQUIRES "")
foreach(lib IN LISTS ZEL_INSTALLED_LIBRARIES)
  get_target_property(name ${lib} OUTPUT_NAME)
  string(APPEND ZEL_PC_LIBS " -l${name}")
  get_target_property(links ${lib} LINK_LIBRARIES)
  if(NOT links)
    set(links "")
  endif()
  foreach(link IN LISTS links)
    if(link IN_LIST ZEL_INSTALLED_LIBRARIES)
      continue()
    endif()
    list(FIND ZEL_PC_MODULES ${link} at)
    if(at LESS 0)
      message(FATAL_ERROR "${lib} links ${link}: name its pkg-config module in ${CMAKE_CURRENT_LIST_FILE}"
                          " and find it in ZelGridConfig.cmake.in")
    endif()
    math(EXPR at "${at} + 1")
    list(GET ZEL_PC_MODULES ${at} module)
    if(NOT " ${ZEL_PC_REQUIRES} " MATCHES " ${module} ")
      string(APPEND ZEL_PC_REQUIRES " ${module}")
    endif()
  endforeach()
endforeach()
# The prefix is found from the file's own place, so that `cmake --install --prefix` anywhere works.
file(RELATIVE_PATH ZEL_PC_TO_PREFIX /${CMAKE_INSTALL_LIBDIR}/pkgconfig /)
string(REGEX REPLACE "/$" "" ZEL_PC_TO_PREFIX "${ZEL_PC_TO_PREFIX}")
configure_file(${CMAKE_CURRENT_LIST_DIR}/zelgrid.pc.in ${CMAKE_CURRENT_BINARY_DIR}/zelgrid.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/zelgrid.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

# The programs only when asked for: cmake --install BUILD --component apps.
foreach(app zelgrid_demo zelform zelgrid_designer)
  if(TARGET ${app})
    install(TARGETS ${app} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT apps EXCLUDE_FROM_ALL)
  endif()
endforeach()
