# A Debian package of the installed player: `cpack -G DEB` in a build folder.
# The library dependencies are read from the program and the modules
# (dpkg-shlibdeps, from dpkg-dev).
set(CPACK_PACKAGE_NAME wavelark)
set(CPACK_PACKAGE_VENDOR "Wavelark")
set(CPACK_PACKAGE_CONTACT "Wavelark developers <wavelark@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "internet radio and audio stream player")
string(CONCAT CPACK_DEBIAN_PACKAGE_DESCRIPTION
       "Plays HTTP, HTTPS, FTP and FTPS streams, SHOUTcast/ICY stations and local\n"
       "files through decoder modules (MP3, AAC, Ogg Vorbis, Opus, FLAC, WAV); browses\n"
       "a station directory, records streams and keeps playlists.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# libcurl and libpulse are loaded at run time, so dpkg-shlibdeps cannot see
# them; the certificates are what libcurl verifies HTTPS servers with.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libcurl4, ca-certificates")
if(WAVELARK_PULSE)
  string(APPEND CPACK_DEBIAN_PACKAGE_DEPENDS ", libpulse0")
endif()
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "pulseaudio | pipewire-pulse, qt6-wayland")
set(CPACK_STRIP_FILES ON)
# The player, its modules and its data; not the developer tools.
set(CPACK_COMPONENTS_ALL program modules data)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
include(CPack)
