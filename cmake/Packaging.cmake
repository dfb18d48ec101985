# What `cmake --install` puts in place and how CPack wraps it into the Debian package.
#
# The user package carries the two programs, the desktop entry, the icons, the manual pages and
# the documents Debian asks for. The developers' drawing tool is built into build/bin like every
# program but installed only on request: `cmake --install build --component gallery`.

if(TARGET corvane)
  install(TARGETS corvane RUNTIME DESTINATION bin)
endif()
install(TARGETS corvanectl RUNTIME DESTINATION bin)
if(TARGET corvane-gallery)
  install(TARGETS corvane-gallery RUNTIME DESTINATION bin COMPONENT gallery EXCLUDE_FROM_ALL)
endif()

install(FILES assets/corvane.desktop DESTINATION share/applications)
foreach(size 16 24 32 48 64 128 256)
  install(FILES assets/png/corvane-${size}.png DESTINATION share/icons/hicolor/${size}x${size}/apps
          RENAME corvane.png)
endforeach()
install(FILES assets/src/corvane.svg DESTINATION share/icons/hicolor/scalable/apps)

# The maintainer is whoever builds the package: DEBFULLNAME/DEBEMAIL as Debian's own tools read
# them, else the builder's git identity, else the author of the commit being built. The project
# publishes no address of its own, so inventing one would give users an address nobody reads.
function(corvane_default_maintainer out)
  if(NOT "$ENV{DEBEMAIL}" STREQUAL "")
    if("$ENV{DEBEMAIL}" MATCHES "<")
      set(${out} "$ENV{DEBEMAIL}" PARENT_SCOPE)
    elseif(NOT "$ENV{DEBFULLNAME}" STREQUAL "")
      set(${out} "$ENV{DEBFULLNAME} <$ENV{DEBEMAIL}>" PARENT_SCOPE)
    else()
      set(${out} "Corvane packager <$ENV{DEBEMAIL}>" PARENT_SCOPE)
    endif()
    return()
  endif()
  find_package(Git QUIET)
  if(NOT GIT_FOUND)
    return()
  endif()
  execute_process(COMMAND ${GIT_EXECUTABLE} config user.name WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
                  OUTPUT_VARIABLE name OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  execute_process(COMMAND ${GIT_EXECUTABLE} config user.email WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
                  OUTPUT_VARIABLE email OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  if(name AND email)
    set(${out} "${name} <${email}>" PARENT_SCOPE)
    return()
  endif()
  execute_process(COMMAND ${GIT_EXECUTABLE} log -1 --format=%an <%ae>
                  WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
                  OUTPUT_VARIABLE author OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  set(${out} "${author}" PARENT_SCOPE)
endfunction()

if(NOT DEFINED CACHE{CORVANE_PACKAGE_MAINTAINER})
  corvane_default_maintainer(maintainer)
  set(CORVANE_PACKAGE_MAINTAINER "${maintainer}"
      CACHE STRING "Maintainer field of the Debian package, as 'Name <address>'")
endif()
if(NOT CORVANE_PACKAGE_MAINTAINER MATCHES "^[^<>]+ <[^<>@ ]+@[^<>@ ]+>$")
  message(WARNING "CORVANE_PACKAGE_MAINTAINER is '${CORVANE_PACKAGE_MAINTAINER}'; set it to "
                  "'Name <address>' (or DEBFULLNAME and DEBEMAIL) before building a package")
endif()

# Manual pages and changelogs are compressed as Debian requires: -9 for size, -n so the archive
# carries no name or time stamp and the package builds the same twice.
set(CORVANE_DOC_OUT ${CMAKE_BINARY_DIR}/doc)
configure_file(packaging/changelog.in ${CORVANE_DOC_OUT}/src/changelog @ONLY)
configure_file(packaging/changelog.Debian.in ${CORVANE_DOC_OUT}/src/changelog.Debian @ONLY)
set(CORVANE_GZIP_INPUTS
  ${CMAKE_SOURCE_DIR}/docs/man/corvane.1 ${CMAKE_SOURCE_DIR}/docs/man/corvanectl.1
  ${CORVANE_DOC_OUT}/src/changelog ${CORVANE_DOC_OUT}/src/changelog.Debian)
set(CORVANE_GZIPPED)
foreach(input ${CORVANE_GZIP_INPUTS})
  get_filename_component(name ${input} NAME)
  set(output ${CORVANE_DOC_OUT}/${name}.gz)
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E copy ${input} ${CORVANE_DOC_OUT}/${name}
    COMMAND gzip -9nf ${CORVANE_DOC_OUT}/${name}
    DEPENDS ${input} VERBATIM)
  list(APPEND CORVANE_GZIPPED ${output})
endforeach()
add_custom_target(corvane_docs ALL DEPENDS ${CORVANE_GZIPPED})

install(FILES ${CORVANE_DOC_OUT}/corvane.1.gz ${CORVANE_DOC_OUT}/corvanectl.1.gz
        DESTINATION share/man/man1)
install(FILES packaging/copyright ${CORVANE_DOC_OUT}/changelog.gz
              ${CORVANE_DOC_OUT}/changelog.Debian.gz
        DESTINATION share/doc/corvane)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME corvane)
set(CPACK_PACKAGE_VENDOR "The Corvane developers")
set(CPACK_PACKAGE_CONTACT "${CORVANE_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "privacy cleaner for browsing traces, recent lists and temporary files")
# Read here rather than named as CPACK_PACKAGE_DESCRIPTION_FILE: CPack escapes that file's text for
# XML, which would put "&apos;" into the Debian description.
file(READ ${CMAKE_SOURCE_DIR}/packaging/description.txt CPACK_DEBIAN_PACKAGE_DESCRIPTION)
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries come from the binaries themselves (dpkg-shlibdeps, with versions); what is only
# loaded at run time, the Qt platform plugins and the fonts, no linker sees and is named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-wine")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The programs ship stripped. No debug package is made: the one CMake 3.25's CPack writes lists
# absolute build paths in its md5sums and lacks the copyright and changelog, so dpkg could not
# verify it; build/bin keeps the unstripped programs for debugging.
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
