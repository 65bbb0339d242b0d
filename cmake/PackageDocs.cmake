# What Debian asks of an installed program beside the program itself, made at
# build time into build/man and build/package:
#   man/<program>.1(.gz)  the manual page, from the program's --help, so the
#                         two cannot drift apart, and the hand-written
#                         sections of tools/man/<program>.roff
#                         (tools/man/make_manpage.py)
#   package/changelog.gz  tools/package/changelog, the package's Debian
#                         changelog, whose newest entry names this version
# Compressed as Debian wants them: gzip -9n, no name and no time stamp.
# ORVANTIS_MAN_PAGES and ORVANTIS_CHANGELOG_GZ name the files for Install.cmake.
find_package(Python3 REQUIRED COMPONENTS Interpreter)

set(ORVANTIS_PACKAGE_SOURCES ${PROJECT_SOURCE_DIR}/tools/package)
set(ORVANTIS_CHANGELOG ${ORVANTIS_PACKAGE_SOURCES}/changelog)

# The newest entry's version is the one the package is built with.
file(STRINGS ${ORVANTIS_CHANGELOG} ORVANTIS_CHANGELOG_HEAD LIMIT_COUNT 1)
if(NOT ORVANTIS_CHANGELOG_HEAD MATCHES "^orvantis \\(${ORVANTIS_PRODUCT_VERSION_STRING}\\) ")
  message(WARNING "tools/package/changelog begins with '${ORVANTIS_CHANGELOG_HEAD}', not with an entry for "
                  "${ORVANTIS_PRODUCT_VERSION_STRING}: add one (dch --changelog tools/package/changelog -v "
                  "${ORVANTIS_PRODUCT_VERSION_STRING}); the package test fails until then")
endif()

set(ORVANTIS_MAN_DIR ${CMAKE_BINARY_DIR}/man)
file(MAKE_DIRECTORY ${ORVANTIS_MAN_DIR})
set(ORVANTIS_MAN_NAME_orvantis "compose picture cards from templates, photos and texts")
set(ORVANTIS_MAN_NAME_orvantis-render "render picture cards without a display")
# The renderer's -j default names this machine's CPUs; the page says how the
# default is found, not what it came to where the page was made.
set(ORVANTIS_MAN_SUBS_orvantis-render --sub "\\s*:\\s*\\d+ CPUs?(\\s*\\([^()]*\\))?\\s+here\\)" ")")

set(ORVANTIS_MAN_PAGES)
foreach(program ${ORVANTIS_PROGRAMS})
  set(page ${ORVANTIS_MAN_DIR}/${program}.1)
  add_custom_command(
    OUTPUT ${page} ${page}.gz
    COMMAND Python3::Interpreter ${PROJECT_SOURCE_DIR}/tools/man/make_manpage.py
            --program $<TARGET_FILE:${program}> --name ${ORVANTIS_MAN_NAME_${program}}
            --version "orvantis ${ORVANTIS_PRODUCT_VERSION_STRING}" --changelog ${ORVANTIS_CHANGELOG}
            --extra ${PROJECT_SOURCE_DIR}/tools/man/${program}.roff ${ORVANTIS_MAN_SUBS_${program}} -o ${page}
    DEPENDS ${program} ${PROJECT_SOURCE_DIR}/tools/man/make_manpage.py ${PROJECT_SOURCE_DIR}/tools/man/${program}.roff
            ${ORVANTIS_CHANGELOG}
    COMMENT "Making the manual page ${program}(1) from ${program} --help"
    VERBATIM)
  list(APPEND ORVANTIS_MAN_PAGES ${page}.gz)
endforeach()

set(ORVANTIS_CHANGELOG_GZ ${CMAKE_BINARY_DIR}/package/changelog.gz)
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
add_custom_command(
  OUTPUT ${ORVANTIS_CHANGELOG_GZ}
  COMMAND ${CMAKE_COMMAND} -E copy ${ORVANTIS_CHANGELOG} ${CMAKE_BINARY_DIR}/package/changelog
  COMMAND gzip -9nf ${CMAKE_BINARY_DIR}/package/changelog
  DEPENDS ${ORVANTIS_CHANGELOG}
  COMMENT "Compressing the package's changelog"
  VERBATIM)

add_custom_target(orvantis_package_docs ALL DEPENDS ${ORVANTIS_MAN_PAGES} ${ORVANTIS_CHANGELOG_GZ})
