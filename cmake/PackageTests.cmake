# Checks of what the package ships: the installed tree, the manual pages and the hardening of the
# programs. They run with the other tests, without building the package itself
# (scripts/check-package.sh does that and runs lintian on it).

if(NOT CORVANE_TESTS OR NOT TARGET corvane)
  return()
endif()

add_test(NAME package_installed_tree
         COMMAND bash ${CMAKE_SOURCE_DIR}/tests/package/installed-tree.sh --install ${CMAKE_BINARY_DIR})

find_program(MAN_EXECUTABLE man)
if(MAN_EXECUTABLE)
  add_test(NAME package_manpages
           COMMAND bash ${CMAKE_SOURCE_DIR}/tests/package/manpages.sh $<TARGET_FILE:corvanectl>
                   ${CMAKE_SOURCE_DIR})
endif()

# Fortification exists only in the optimised builds, and the sanitizer build is not shipped.
# Control-flow protection is not asked for: Debian 12's own C start files carry no CET marks, so
# no program linked there can have it, whatever its own objects are compiled with.
find_program(HARDENING_CHECK_EXECUTABLE hardening-check)
if(HARDENING_CHECK_EXECUTABLE AND NOT CORVANE_SANITIZE
   AND CMAKE_BUILD_TYPE MATCHES "^(Release|RelWithDebInfo|MinSizeRel)$")
  add_test(NAME package_hardening
           COMMAND ${HARDENING_CHECK_EXECUTABLE} --nocfprotection $<TARGET_FILE:corvane>
                   $<TARGET_FILE:corvanectl>)
endif()
