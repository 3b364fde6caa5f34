# The .deb: CPack packs whatever the project installs, under CMAKE_INSTALL_PREFIX (make package
# sets /usr). Version and maintainer come from the Debian changelog, so they live in one place.
file(STRINGS changelog changelog_head LIMIT_COUNT 1)
file(STRINGS changelog changelog_trailer REGEX "^ -- ")
list(GET changelog_trailer 0 changelog_trailer)
if(NOT changelog_head MATCHES "^saa1057-panel \\(([^)]+)-([0-9]+)\\)")
  message(FATAL_ERROR "packaging/changelog: the first line names no saa1057-panel version")
endif()
if(NOT CMAKE_MATCH_1 STREQUAL PROJECT_VERSION)
  message(FATAL_ERROR "packaging/changelog is at ${CMAKE_MATCH_1}, the project at "
                      "${PROJECT_VERSION}: add a changelog entry for ${PROJECT_VERSION}")
endif()
set(CPACK_DEBIAN_PACKAGE_RELEASE ${CMAKE_MATCH_2})
string(REGEX REPLACE "^ -- (.*>)  .*" "\\1" CPACK_DEBIAN_PACKAGE_MAINTAINER "${changelog_trailer}")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION hamradio)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "control panel for an SAA1057 FM synthesizer")
set(CPACK_PACKAGE_DESCRIPTION [=[
A desktop program for radio builders: it tunes an FM receiver whose
local oscillator is an SAA1057 PLL synthesizer wired to a PC parallel
port or to three GPIO lines (a Raspberry Pi, a USB GPIO adapter). Move
the divider slider and the panel shows the received frequency, the
divider and the control word, and clocks the word into the chip over a
three-wire bus. A simulated synthesizer stands in for the hardware, and
a headless mode (also a service, disabled until enabled) serves a board
without a screen. The bus lines can be recorded for GTKWave, PulseView
and sigrok (with a protocol decoder of its own), and radio software can
tune the panel through Hamlib's rigctld protocol.]=])
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The service's options are the administrator's: dpkg keeps their changes.
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/conffiles "${SAA_SERVICE_OPTIONS}\n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${CMAKE_CURRENT_BINARY_DIR}/conffiles ${CMAKE_CURRENT_SOURCE_DIR}/postinst)
# The target's architecture in Debian's words (arm64) when cross-building; else dpkg's own.
if(CMAKE_CROSSCOMPILING)
  execute_process(COMMAND dpkg-architecture -t ${CMAKE_LIBRARY_ARCHITECTURE} -qDEB_HOST_ARCH
                  OUTPUT_VARIABLE CPACK_DEBIAN_PACKAGE_ARCHITECTURE
                  OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET COMMAND_ERROR_IS_FATAL ANY)
endif()
# Debian's modes whatever the builder's umask.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)
