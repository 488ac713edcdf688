# SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
#
# SPDX-License-Identifier: MIT

# Debian packages of the build (cpack -G DEB): the runtime libraries, the development files and kel-settings,
# each depending on the Debian Qt packages its binaries link, as dpkg-shlibdeps finds them.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kelguiutilities)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_CONTACT "libKel_GuiUtilities maintainers <kel-maintainers@guiutilities.invalid>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# No library search path in /usr, where the loader looks anyway (Debian wants none).
set(CPACK_PRE_BUILD_SCRIPTS "${CMAKE_CURRENT_LIST_DIR}/KelPackagesDropRpath.cmake")

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL ${KEL_RUNTIME_COMPONENT} ${KEL_DEVELOPMENT_COMPONENT} ${KEL_TOOL_COMPONENT})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The libraries' shlibs file lets later packages depend on them by version.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
# kel-settings links the libraries of the runtime package, which dpkg-shlibdeps
# finds here; the dependency on that package comes from the component's DEPENDS.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS "${CMAKE_LIBRARY_OUTPUT_DIRECTORY}")
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)

string(TOUPPER "${KEL_RUNTIME_COMPONENT}" kel_runtime)
string(TOUPPER "${KEL_DEVELOPMENT_COMPONENT}" kel_development)
string(TOUPPER "${KEL_TOOL_COMPONENT}" kel_tool)
set(CPACK_DEBIAN_${kel_runtime}_PACKAGE_NAME "libkelguiutilities${PROJECT_VERSION_MAJOR}")
set(CPACK_DEBIAN_${kel_runtime}_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_${kel_development}_PACKAGE_NAME libkelguiutilities-dev)
set(CPACK_DEBIAN_${kel_development}_PACKAGE_SECTION libdevel)
# The headers include Qt's, and the package files find Qt 6 Core, Gui and Widgets.
set(CPACK_DEBIAN_${kel_development}_PACKAGE_DEPENDS "qt${QT_VERSION_MAJOR}-base-dev")
set(CPACK_DEBIAN_${kel_tool}_PACKAGE_NAME kel-settings)
set(CPACK_DEBIAN_${kel_tool}_PACKAGE_SECTION utils)

# First line: the summary; then the long description.
set(CPACK_DEBIAN_${kel_runtime}_DESCRIPTION "GUI utilities for Qt 6 desktop applications
Preferences, viewer and browser launching, product web pages, help topics and
cached images for Qt 6 desktop applications: libKel_GuiUtilities and its
platform libraries libKelWisp and libKelPort, and the ready-made widgets of
libKel_GuiUtilitiesWidgets (a recent-projects menu and an external-programs
page) with the sample PDF file their page opens.")
set(CPACK_DEBIAN_${kel_development}_DESCRIPTION "GUI utilities for Qt 6 desktop applications - development files
Headers, CMake package (find_package(KelGuiUtilities)) and pkg-config files
(KelGuiUtilities, KelGuiUtilitiesWidgets) of libKel_GuiUtilities and
libKel_GuiUtilitiesWidgets, built against Qt 6, the widgets' translation
template, and the API reference as a Qt help file, which Qt Creator and Qt
Assistant show.")
set(CPACK_DEBIAN_${kel_tool}_DESCRIPTION "shows and changes the stored preferences of libKel_GuiUtilities hosts
kel-settings shows, changes and tries the stored preferences of applications
that use libKel_GuiUtilities, without starting them. With its manual page and
bash completion.")

# The libraries' package registers them with the dynamic linker through a trigger.
set(CPACK_DEBIAN_${kel_runtime}_PACKAGE_CONTROL_EXTRA "${PROJECT_SOURCE_DIR}/cmake/debian/triggers")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

# Each package's machine-readable copyright file and its changelog, compressed
# as Debian's policy asks, in /usr/share/doc/<package>.
set(kel_debian "${PROJECT_SOURCE_DIR}/cmake/debian")
file(MAKE_DIRECTORY "${PROJECT_BINARY_DIR}/debian")
execute_process(COMMAND gzip -9nc "${kel_debian}/changelog" OUTPUT_FILE "${PROJECT_BINARY_DIR}/debian/changelog.gz"
                RESULT_VARIABLE kel_gzip)
if(NOT kel_gzip EQUAL 0)
  message(FATAL_ERROR "gzip could not compress ${kel_debian}/changelog")
endif()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${kel_debian}/changelog")
foreach(kel_component IN ITEMS ${KEL_RUNTIME_COMPONENT} ${KEL_DEVELOPMENT_COMPONENT} ${KEL_TOOL_COMPONENT})
  string(TOUPPER "${kel_component}" kel_upper)
  install(FILES "${kel_debian}/copyright" "${PROJECT_BINARY_DIR}/debian/changelog.gz"
          DESTINATION "${CMAKE_INSTALL_DATADIR}/doc/${CPACK_DEBIAN_${kel_upper}_PACKAGE_NAME}"
          COMPONENT ${kel_component})
endforeach()

include(CPack)
cpack_add_component(${KEL_RUNTIME_COMPONENT})
cpack_add_component(${KEL_DEVELOPMENT_COMPONENT} DEPENDS ${KEL_RUNTIME_COMPONENT})
cpack_add_component(${KEL_TOOL_COMPONENT} DEPENDS ${KEL_RUNTIME_COMPONENT})
