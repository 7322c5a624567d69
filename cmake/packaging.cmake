# Where `cmake --install` puts the program and its files, and the packages
# CPack makes of them (scripts/package.sh): a Debian package from a Linux
# build, a zip from the Windows cross build. Included by the top-level
# CMakeLists.txt after the zelvanor target and ZELVANOR_TEMPERAMENT_LIST.

set(CPACK_PACKAGE_NAME zelvanor)
set(CPACK_PACKAGE_VENDOR "the Zelvanor developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "retune sampled organ pipes, keeping their loops and cue points")
set(CPACK_STRIP_FILES ON)
# The address is a placeholder until the project has one for its packages.
set(ZELVANOR_PACKAGE_MAINTAINER "Zelvanor developers <zelvanor@example.org>" CACHE STRING
    "Maintainer named in the Debian package and its changelog")

if(WIN32)
  # A folder to unpack anywhere: the program, the temperament list beside
  # it (where it is looked for), and the README as text with CR LF line
  # ends, which every Windows editor shows with its line breaks.
  set(ZELVANOR_README_TXT ${CMAKE_CURRENT_BINARY_DIR}/README.txt)
  add_custom_command(OUTPUT ${ZELVANOR_README_TXT}
    COMMAND ${CMAKE_COMMAND} -DINPUT=${PROJECT_SOURCE_DIR}/README.md -DOUTPUT=${ZELVANOR_README_TXT}
            -P ${CMAKE_CURRENT_LIST_DIR}/text-with-crlf.cmake
    DEPENDS ${PROJECT_SOURCE_DIR}/README.md ${CMAKE_CURRENT_LIST_DIR}/text-with-crlf.cmake
    VERBATIM)
  add_custom_target(zelvanor_readme_txt ALL DEPENDS ${ZELVANOR_README_TXT})
  install(TARGETS zelvanor RUNTIME DESTINATION .)
  install(FILES ${ZELVANOR_TEMPERAMENT_LIST} ${ZELVANOR_README_TXT} DESTINATION .)
  # libwavpack is linked into the program, and its licence asks that its
  # text travel with it: beside the program, named for the library so that
  # nobody takes it for Zelvanor's own. scripts/wavpack-windows.sh puts it
  # beside the library's CMake package.
  set(ZELVANOR_WAVPACK_LICENSE "" CACHE FILEPATH "libwavpack's licence text, shipped beside the Windows program")
  if(ZELVANOR_WITH_WAVPACK AND NOT ZELVANOR_WAVPACK_LICENSE AND EXISTS "${WavPack_DIR}/../COPYING")
    set(ZELVANOR_WAVPACK_LICENSE "${WavPack_DIR}/../COPYING")
  endif()
  if(ZELVANOR_WITH_WAVPACK AND NOT ZELVANOR_WAVPACK_LICENSE)
    message(WARNING "libwavpack's licence text was not found: the zip lacks it (set ZELVANOR_WAVPACK_LICENSE)")
  elseif(ZELVANOR_WITH_WAVPACK)
    set(ZELVANOR_WAVPACK_LICENSE_TXT ${CMAKE_CURRENT_BINARY_DIR}/libwavpack-COPYING.txt)
    add_custom_command(OUTPUT ${ZELVANOR_WAVPACK_LICENSE_TXT}
      COMMAND ${CMAKE_COMMAND} -DINPUT=${ZELVANOR_WAVPACK_LICENSE} -DOUTPUT=${ZELVANOR_WAVPACK_LICENSE_TXT}
              -P ${CMAKE_CURRENT_LIST_DIR}/text-with-crlf.cmake
      DEPENDS ${ZELVANOR_WAVPACK_LICENSE} ${CMAKE_CURRENT_LIST_DIR}/text-with-crlf.cmake
      VERBATIM)
    add_custom_target(zelvanor_wavpack_license_txt ALL DEPENDS ${ZELVANOR_WAVPACK_LICENSE_TXT})
    install(FILES ${ZELVANOR_WAVPACK_LICENSE_TXT} DESTINATION .)
  endif()
  set(CPACK_GENERATOR ZIP)
  set(ZELVANOR_PACKAGE_KIND zip)  # CPack's module reuses CPACK_GENERATOR
  set(CPACK_PACKAGE_FILE_NAME zelvanor-${PROJECT_VERSION}-windows-x86_64)
else()
  if(CMAKE_SYSTEM_NAME STREQUAL "Linux")
    # The program keeps a folder of its own with the temperament list beside
    # it, so no data file lands in bin/. bin/ holds a relative link, which
    # the program resolves (/proc/self/exe) to find the folder and the list.
    install(TARGETS zelvanor RUNTIME DESTINATION lib/zelvanor)
    install(FILES ${ZELVANOR_TEMPERAMENT_LIST} DESTINATION lib/zelvanor)
    file(MAKE_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/install-link)
    file(CREATE_LINK ../lib/zelvanor/zelvanor ${CMAKE_CURRENT_BINARY_DIR}/install-link/zelvanor SYMBOLIC)
    install(FILES ${CMAKE_CURRENT_BINARY_DIR}/install-link/zelvanor DESTINATION bin)
  else()
    # Elsewhere the executable's path is the one it was started by, links
    # unresolved, so the list must sit beside the program in bin/.
    install(TARGETS zelvanor RUNTIME DESTINATION bin)
    install(FILES ${ZELVANOR_TEMPERAMENT_LIST} DESTINATION bin)
  endif()

  # Manual page and changelog compressed as Debian's tools expect
  # (gzip -9n: no name or time stamp, so the bytes are reproducible).
  set(ZELVANOR_DOC_DIR share/doc/zelvanor)
  string(TIMESTAMP ZELVANOR_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
  configure_file(${PROJECT_SOURCE_DIR}/docs/changelog.in ${CMAKE_CURRENT_BINARY_DIR}/changelog @ONLY)
  set(ZELVANOR_MAN_PAGE ${PROJECT_SOURCE_DIR}/docs/zelvanor.1)
  set(ZELVANOR_CHANGELOG ${CMAKE_CURRENT_BINARY_DIR}/changelog)
  find_program(ZELVANOR_GZIP gzip)
  if(ZELVANOR_GZIP)
    add_custom_command(OUTPUT zelvanor.1.gz changelog.gz
      COMMAND ${ZELVANOR_GZIP} -9nc ${ZELVANOR_MAN_PAGE} > zelvanor.1.gz
      COMMAND ${ZELVANOR_GZIP} -9nc ${ZELVANOR_CHANGELOG} > changelog.gz
      DEPENDS ${ZELVANOR_MAN_PAGE} ${ZELVANOR_CHANGELOG})
    add_custom_target(zelvanor_compressed_docs ALL DEPENDS zelvanor.1.gz changelog.gz)
    set(ZELVANOR_MAN_PAGE ${CMAKE_CURRENT_BINARY_DIR}/zelvanor.1.gz)
    set(ZELVANOR_CHANGELOG ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz)
  endif()
  install(FILES ${ZELVANOR_MAN_PAGE} DESTINATION share/man/man1)
  install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/docs/copyright ${ZELVANOR_CHANGELOG}
          DESTINATION ${ZELVANOR_DOC_DIR})

  set(CPACK_GENERATOR DEB)
  set(ZELVANOR_PACKAGE_KIND deb)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
      OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${ZELVANOR_PACKAGE_MAINTAINER}")
  set(CPACK_DEBIAN_PACKAGE_SECTION sound)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  # dpkg-shlibdeps declares every shared library the program links.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  # CPack puts CPACK_PACKAGE_DESCRIPTION_SUMMARY in front as the synopsis.
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Zelvanor resamples sampled organ pipes (RIFF/WAVE files, one pipe each) by a
factor, a number of cents or the difference between two temperaments, and
moves every sustain-loop point, cue point and text-region length to the new
timing, so the retuned set plays in a sampler like the original at the new
pitch.")
endif()

include(CPack)

if(ZELVANOR_BUILD_TESTS)
  # Shell scripts, since what they check is the packages, not the code.
  # Each skips (exit 77) where a tool it needs is missing. cpack stages in
  # the build tree, hence one packaging test at a time.
  set(ZELVANOR_PACKAGE_TEST ${PROJECT_SOURCE_DIR}/scripts/test-package.sh)
  set(ZELVANOR_PACKAGE_TESTS)
  if(NOT CMAKE_CROSSCOMPILING)
    add_test(NAME ManPageRendersWithoutWarnings COMMAND ${ZELVANOR_PACKAGE_TEST} man)
    set_tests_properties(ManPageRendersWithoutWarnings PROPERTIES SKIP_RETURN_CODE 77)
  endif()
  if(NOT CMAKE_CROSSCOMPILING AND ZELVANOR_PACKAGE_KIND STREQUAL "deb")
    add_test(NAME DebianPackageInstallsAndRuns COMMAND ${ZELVANOR_PACKAGE_TEST} deb ${CMAKE_BINARY_DIR})
    add_test(NAME DebianPackageLintianClean COMMAND ${ZELVANOR_PACKAGE_TEST} lintian ${CMAKE_BINARY_DIR})
    list(APPEND ZELVANOR_PACKAGE_TESTS DebianPackageInstallsAndRuns DebianPackageLintianClean)
  endif()
  if(CMAKE_CROSSCOMPILING AND ZELVANOR_PACKAGE_KIND STREQUAL "zip" AND CMAKE_HOST_UNIX)
    add_test(NAME WindowsZipRunsUnderWine COMMAND ${ZELVANOR_PACKAGE_TEST} zip ${CMAKE_BINARY_DIR}
                                                  $<$<BOOL:${ZELVANOR_WITH_WAVPACK}>:wavpack>)
    list(APPEND ZELVANOR_PACKAGE_TESTS WindowsZipRunsUnderWine)
  endif()
  if(ZELVANOR_PACKAGE_TESTS)
    set_tests_properties(${ZELVANOR_PACKAGE_TESTS} PROPERTIES
      SKIP_RETURN_CODE 77 TIMEOUT 600 RESOURCE_LOCK zelvanor_cpack
      ENVIRONMENT "CPACK=${CMAKE_CPACK_COMMAND}")
  endif()
endif()
