# Installing Corvane as a desktop program, in two forms:
#   cmake --install build --prefix ~/.local   per user: the program directory <prefix>/lib/corvane
#                                             stays writable, so the updater works in place
#   cd build && cpack -G DEB                  a Debian package of the same layout under /usr
# Layout: <prefix>/lib/corvane (programs, libraries, soft.dat), the launcher <prefix>/bin/corvane
# (a link to the program), the menu entry, hicolor icons, AppStream metadata, a manual page, and
# the copyright and Debian changelog under share/doc/corvane.

set(CORVANE_PROGRAM_DESTINATION lib/corvane)
set(CORVANE_DESKTOP_SOURCE ${PROJECT_SOURCE_DIR}/data/desktop)
set(CORVANE_INSTALL_STAGE ${CMAKE_BINARY_DIR}/install)

# The program directory, as the build assembles it in build/dist.
install(TARGETS Corvane update RUNTIME DESTINATION ${CORVANE_PROGRAM_DESTINATION})
install(TARGETS core vexo LIBRARY DESTINATION ${CORVANE_PROGRAM_DESTINATION})
install(FILES ${CORVANE_DIST_DIR}/soft.dat DESTINATION ${CORVANE_PROGRAM_DESTINATION})

# The launcher: a relative link, so it works wherever the prefix is. The program finds its folder
# from /proc/self/exe, which names the link's target.
file(MAKE_DIRECTORY ${CORVANE_INSTALL_STAGE})
file(CREATE_LINK ../${CORVANE_PROGRAM_DESTINATION}/Corvane ${CORVANE_INSTALL_STAGE}/corvane SYMBOLIC)
install(FILES ${CORVANE_INSTALL_STAGE}/corvane DESTINATION bin)

# The menu entry names the launcher by its full path, known only when installing (--prefix,
# DESTDIR): it is written then, into a folder of its own per destination so that two installs at
# once do not share a file, and installed from there (so install_manifest.txt lists it).
install(CODE "set(CORVANE_DESKTOP_TEMPLATE \"${CORVANE_DESKTOP_SOURCE}/corvane.desktop.in\")
              set(CORVANE_INSTALL_STAGE \"${CORVANE_INSTALL_STAGE}\")")
install(SCRIPT ${PROJECT_SOURCE_DIR}/cmake/install_desktop_entry.cmake)

# Icons: the SVG as drawn, and the PNG sizes of the hicolor theme rendered from it.
find_program(CORVANE_RSVG_CONVERT rsvg-convert)
if(NOT CORVANE_RSVG_CONVERT)
  message(FATAL_ERROR "rsvg-convert renders the icons: install librsvg2-bin (scripts/packages.txt)")
endif()
set(CORVANE_ICON_SIZES 16 22 24 32 48 64 128 256)
set(CORVANE_ICON_FILES)
foreach(size IN LISTS CORVANE_ICON_SIZES)
  set(png ${CORVANE_INSTALL_STAGE}/icons/hicolor/${size}x${size}/apps/corvane.png)
  add_custom_command(OUTPUT ${png}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CORVANE_INSTALL_STAGE}/icons/hicolor/${size}x${size}/apps
    COMMAND ${CORVANE_RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${CORVANE_DESKTOP_SOURCE}/corvane.svg
    DEPENDS ${CORVANE_DESKTOP_SOURCE}/corvane.svg
    COMMENT "Rendering the ${size} px icon" VERBATIM)
  list(APPEND CORVANE_ICON_FILES ${png})
  install(FILES ${png} DESTINATION share/icons/hicolor/${size}x${size}/apps)
endforeach()
install(FILES ${CORVANE_DESKTOP_SOURCE}/corvane.svg DESTINATION share/icons/hicolor/scalable/apps)

install(FILES ${CORVANE_DESKTOP_SOURCE}/io.github.corvane.Corvane.metainfo.xml DESTINATION share/metainfo)

# The manual page and the Debian changelog go in compressed, as Debian wants them (gzip -9n:
# no name or time stamp, so the package builds the same each time).
find_program(CORVANE_GZIP gzip REQUIRED)
set(CORVANE_MANPAGE ${CORVANE_INSTALL_STAGE}/corvane.1.gz)
set(CORVANE_CHANGELOG ${CORVANE_INSTALL_STAGE}/changelog.Debian.gz)
add_custom_command(OUTPUT ${CORVANE_MANPAGE}
  COMMAND ${CORVANE_GZIP} -9n -c ${CORVANE_DESKTOP_SOURCE}/corvane.1 > ${CORVANE_MANPAGE}
  DEPENDS ${CORVANE_DESKTOP_SOURCE}/corvane.1 VERBATIM)
add_custom_command(OUTPUT ${CORVANE_CHANGELOG}
  COMMAND ${CORVANE_GZIP} -9n -c ${CORVANE_DESKTOP_SOURCE}/changelog.Debian > ${CORVANE_CHANGELOG}
  DEPENDS ${CORVANE_DESKTOP_SOURCE}/changelog.Debian VERBATIM)
add_custom_target(desktop_files ALL DEPENDS ${CORVANE_ICON_FILES} ${CORVANE_MANPAGE} ${CORVANE_CHANGELOG})
install(FILES ${CORVANE_MANPAGE} DESTINATION share/man/man1)
install(FILES ${CORVANE_DESKTOP_SOURCE}/copyright ${CORVANE_CHANGELOG} DESTINATION share/doc/corvane)

# `cmake --build build --target uninstall` removes what the last install listed. CMake writes that
# list to install_manifest.txt, but cpack overwrites the same file with the package's /usr paths
# (it installs with DESTDIR): so an install without DESTDIR also keeps a copy, which uninstall
# reads. This rule comes last and the subfolders install nothing, so the list is complete.
set(CORVANE_INSTALLED_FILES ${CMAKE_BINARY_DIR}/install_manifest_user.txt)
install(CODE "
  if(\"\$ENV{DESTDIR}\" STREQUAL \"\")
    string(REPLACE \";\" \"\\n\" corvane_files \"\${CMAKE_INSTALL_MANIFEST_FILES}\")
    file(WRITE \"${CORVANE_INSTALLED_FILES}\" \"\${corvane_files}\\n\")
  endif()")
add_custom_target(uninstall
  COMMAND ${CMAKE_COMMAND} -DMANIFEST=${CORVANE_INSTALLED_FILES}
          -P ${PROJECT_SOURCE_DIR}/cmake/uninstall.cmake
  COMMENT "Removing the installed files")

# The Debian package.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME corvane)
set(CPACK_PACKAGE_VENDOR "Corvane")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "software manager with a Chinese interface")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Corvane (Kiv软件管理) browses a catalogue of programs by category and by pinyin\n\
search, downloads their installers with parallel, resumable downloads, installs\n\
them, shows which programs have newer versions, upgrades and uninstalls them,\n\
and binds file types to chosen programs. Windows programs run through Wine.")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Corvane developers <developers@corvane.github.io>")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://corvane.github.io/")
set(CPACK_DEBIAN_PACKAGE_SECTION admin)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# Library dependencies come from dpkg-shlibdeps; our own two libraries are found beside the
# programs in the package.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CORVANE_DIST_DIR})
# Qt's X11 platform plugin and xdg-open are loaded or started, not linked.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, xdg-utils")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-wqy-microhei | fonts-noto-cjk")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "wine")
include(CPack)
