# Packages a user installs, built by cpack from the install rules (scripts/package).
# Linux: a Debian package, vornalt_<version>_<arch>.deb, with both programs, the catalogue, the
# examples and the desktop integration; its library dependencies are worked out by
# dpkg-shlibdeps from the programs themselves, so they follow whatever Qt the build used.
if(NOT WIN32)
  set(VORNALT_PACKAGE_MAINTAINER "Vornalt developers <maintainers@vornalt.org>"
      CACHE STRING "Maintainer field of the Debian package")

  # Debian keeps a package's licence as /usr/share/doc/<package>/copyright.
  install(FILES "${PROJECT_SOURCE_DIR}/LICENSE" DESTINATION "${CMAKE_INSTALL_DOCDIR}" RENAME copyright)

  set(CPACK_GENERATOR "DEB")
  set(CPACK_PACKAGE_NAME "vornalt")
  set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
  set(CPACK_PACKAGE_VENDOR "Vornalt")
  set(CPACK_PACKAGE_CONTACT "${VORNALT_PACKAGE_MAINTAINER}")
  set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
  set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
  set(CPACK_STRIP_FILES ON)
  set(CPACK_PACKAGE_DIRECTORY "${PROJECT_BINARY_DIR}/package")

  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # <name>_<version>_<arch>.deb
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${VORNALT_PACKAGE_MAINTAINER}")
  set(CPACK_DEBIAN_PACKAGE_SECTION "electronics")
  set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
  set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://vornalt.org")
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
  # The long description; cpack puts the summary above it and indents it.
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
      "Vornalt reads, programs, erases, blank-checks and verifies mid-range PIC
microcontrollers (14-bit program words, data EEPROM, one or two
configuration words) through a simple bit-banged programmer on the PC's
parallel port, using the kernel's ppdev driver.
.
Every chip model is a record of a plain text catalogue. A built-in simulated
programmer lets every operation run without hardware. The package holds the
desktop program vornalt, the command-line program vornalt-cli, the catalogue
and example programs.")

  include(CPack)
endif()
