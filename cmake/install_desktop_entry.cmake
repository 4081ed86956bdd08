# Runs while installing: writes the menu entry for the launcher of this installation
# (CMAKE_INSTALL_PREFIX is the prefix being installed to) and installs it, so that
# install_manifest.txt lists it. Each destination gets its own staging folder: two installs at
# once never share a file.
set(launcher "${CMAKE_INSTALL_PREFIX}/bin/corvane")
if(launcher MATCHES "^[A-Za-z0-9_./+-]+$")
  set(CORVANE_EXEC "${launcher}")
else()
  # Exec quoting of the desktop entry rules: '"', '`', '$' and '\' get a backslash, '%' doubles,
  # and the string level then doubles every backslash.
  string(REGEX REPLACE "([\"`$\\\\])" "\\\\\\1" quoted "${launcher}")
  string(REPLACE "%" "%%" quoted "${quoted}")
  string(REPLACE "\\" "\\\\" quoted "${quoted}")
  set(CORVANE_EXEC "\"${quoted}\"")
endif()
set(CORVANE_LAUNCHER "${launcher}")
string(MD5 stage_key "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
set(stage "${CORVANE_INSTALL_STAGE}/desktop-${stage_key}")
configure_file("${CORVANE_DESKTOP_TEMPLATE}" "${stage}/corvane.desktop" @ONLY)
file(INSTALL DESTINATION "${CMAKE_INSTALL_PREFIX}/share/applications" TYPE FILE
     PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ FILES "${stage}/corvane.desktop")
