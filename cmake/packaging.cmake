# What `make package` ships. Each preset packages what it builds: the host tree a
# Debian package (drs, its manual page, the README, copyright and changelog, and the
# SETUP.EXE and watcher that the win32 tree built, where `drs media` and `drs try` find
# them), the win32 tree a zip for Windows users (drs.exe and SETUP.EXE side by side, and
# how to make a medium; no watcher, since `drs try` runs the medium under Wine, Linux's).
set(CPACK_PACKAGE_NAME ${NUVIK_PACKAGE})
set(CPACK_PACKAGE_VENDOR "Nuvik")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Nuvik setup bootstrap (SETUP.EXE) and drs, which makes installation media for it")
set(NUVIK_PACKAGE_CONTACT "Nuvik setup maintainers <setup@nuvik.invalid>"
    CACHE STRING "The maintainer named in the packages")
set(CPACK_PACKAGE_CONTACT ${NUVIK_PACKAGE_CONTACT})

if(WIN32)
  install(TARGETS drs SETUP RUNTIME DESTINATION .)
  install(FILES ${PROJECT_SOURCE_DIR}/tools/media/MEDIA.TXT DESTINATION .)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME ${NUVIK_PACKAGE}-${PROJECT_VERSION}-win32)
else()
  set(NUVIK_SETUP_EXE ${PROJECT_SOURCE_DIR}/build/win32/launcher/SETUP.EXE
      CACHE FILEPATH "The SETUP.EXE the Debian package ships (the win32 preset builds it)")
  install(TARGETS drs RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  set(NUVIK_SETUP_WATCH ${PROJECT_SOURCE_DIR}/build/win32/tools/setup_watch/setup_watch.exe
      CACHE FILEPATH "The watcher `drs try` runs SETUP.EXE with (the win32 preset builds it)")
  install(FILES ${NUVIK_SETUP_EXE} ${NUVIK_SETUP_WATCH} DESTINATION ${NUVIK_SETUP_FOLDER})
  install(FILES ${PROJECT_BINARY_DIR}/tools/drs/drs.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  # The package's documentation folder, as Debian wants it: the README, the copyright
  # file and the changelog (compressed without a time stamp, so builds are alike).
  set(doc_folder ${CMAKE_INSTALL_DATADIR}/doc/${NUVIK_PACKAGE})
  configure_file(${PROJECT_SOURCE_DIR}/cmake/debian/changelog.in
                 ${PROJECT_BINARY_DIR}/debian/changelog @ONLY)
  execute_process(COMMAND gzip -9nf ${PROJECT_BINARY_DIR}/debian/changelog
                  COMMAND_ERROR_IS_FATAL ANY)
  install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/cmake/debian/copyright
                ${PROJECT_BINARY_DIR}/debian/changelog.gz
          DESTINATION ${doc_folder})
  set(CPACK_GENERATOR DEB)
  # SETUP.EXE and the watcher ship as built, byte for byte.
  set(CPACK_STRIP_FILES ${CMAKE_INSTALL_BINDIR}/drs)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_PACKAGE_DESCRIPTION
      "SETUP.EXE is the first program a user starts from a Nuvik installation\nmedium; drs packs a folder of installer files into its archive N_SETUP.DRS\nand makes the medium (signed if asked, with AUTORUN.INF), its ISO 9660 CD\nimage and its floppy image, and tries the medium under Wine.")
  # The libraries drs links, found by dpkg-shlibdeps, and the tools `drs media` runs
  # for its images. Trying a medium (Wine, its virtual screen) and signing SETUP.EXE
  # (osslsigncode, openssl) are wanted by most but not needed for a medium.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "xorriso, mtools")
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "wine, xvfb, osslsigncode, openssl")
endif()
include(CPack)
