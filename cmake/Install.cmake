# Installation and the Debian package. The program, its res/ folder and the
# manual share one folder, <prefix>/lib/orvantis, because the program finds
# everything beside its own file; <prefix>/bin holds symbolic links to it.
# The desktop entry, the icons, the AppStream metadata, the card file's media
# type and its thumbnailer go where desktops look for them; the manual pages
# to share/man/man1, the copyright file and the changelog to
# share/doc/orvantis, where Debian wants them.
#   cmake --install build --prefix /usr      (DESTDIR is honoured)
#   cpack -G DEB --config build/CPackConfig.cmake
include(${CMAKE_CURRENT_LIST_DIR}/ProductVersion.cmake)

set(ORVANTIS_INSTALL_DIR lib/orvantis)
set(ORVANTIS_PROGRAMS orvantis)
if(TARGET orvantis-render)
  list(APPEND ORVANTIS_PROGRAMS orvantis-render)
endif()

include(${CMAKE_CURRENT_LIST_DIR}/PackageDocs.cmake)

install(TARGETS ${ORVANTIS_PROGRAMS} RUNTIME DESTINATION ${ORVANTIS_INSTALL_DIR})
install(DIRECTORY ${CMAKE_BINARY_DIR}/res DESTINATION ${ORVANTIS_INSTALL_DIR})
install(FILES ${CMAKE_BINARY_DIR}/Orvantis.html DESTINATION ${ORVANTIS_INSTALL_DIR})

# Relative links, so the tree works wherever DESTDIR or a package puts it.
set(ORVANTIS_LINKS ${CMAKE_BINARY_DIR}/install-links)
file(MAKE_DIRECTORY ${ORVANTIS_LINKS})
foreach(program ${ORVANTIS_PROGRAMS})
  file(CREATE_LINK ../${ORVANTIS_INSTALL_DIR}/${program} ${ORVANTIS_LINKS}/${program} SYMBOLIC)
  install(FILES ${ORVANTIS_LINKS}/${program} DESTINATION bin)
endforeach()

set(ORVANTIS_DESKTOP_SOURCES ${PROJECT_SOURCE_DIR}/tools/desktop)
configure_file(${ORVANTIS_DESKTOP_SOURCES}/orvantis.metainfo.xml.in ${CMAKE_BINARY_DIR}/orvantis.metainfo.xml @ONLY)
install(FILES ${ORVANTIS_DESKTOP_SOURCES}/orvantis.desktop DESTINATION share/applications)
install(FILES ${CMAKE_BINARY_DIR}/orvantis.metainfo.xml DESTINATION share/metainfo)
install(DIRECTORY ${CMAKE_BINARY_DIR}/res/icons/ DESTINATION share/icons/hicolor)
install(FILES ${ORVANTIS_DESKTOP_SOURCES}/orvantis-card.xml DESTINATION share/mime/packages)
install(FILES ${ORVANTIS_DESKTOP_SOURCES}/orvantis.thumbnailer DESTINATION share/thumbnailers)
install(FILES ${ORVANTIS_MAN_PAGES} DESTINATION share/man/man1)
install(FILES ${ORVANTIS_PACKAGE_SOURCES}/copyright ${ORVANTIS_CHANGELOG_GZ} DESTINATION share/doc/orvantis)
# A live prefix gets its MIME database rebuilt, so the card type is known at
# once. A staged tree (DESTDIR, which CPack sets too) is left with only the
# package file: the database's files belong to the system's shared-mime-info,
# whose trigger rebuilds them when the Debian package is installed.
install(CODE [[
  if("$ENV{DESTDIR}" STREQUAL "")
    find_program(ORVANTIS_UPDATE_MIME_DATABASE update-mime-database)
    if(ORVANTIS_UPDATE_MIME_DATABASE)
      message(STATUS "Updating the MIME database: ${CMAKE_INSTALL_PREFIX}/share/mime")
      execute_process(COMMAND ${ORVANTIS_UPDATE_MIME_DATABASE} "${CMAKE_INSTALL_PREFIX}/share/mime"
                      RESULT_VARIABLE orvantis_mime_result)
      if(NOT orvantis_mime_result EQUAL 0)
        message(WARNING "update-mime-database ${CMAKE_INSTALL_PREFIX}/share/mime failed (${orvantis_mime_result})")
      endif()
    endif()
  endif()
]])

# The Debian package: the libraries' packages come from dpkg-shlibdeps; the
# fonts that stand in for the templates' faces, and Qt's window-system
# plugins, which no library names, are added by hand.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orvantis)
set(CPACK_PACKAGE_VERSION ${ORVANTIS_PRODUCT_VERSION_STRING})
set(CPACK_PACKAGE_CONTACT "The Orvantis developers <support@orvantis.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Compose picture cards from templates, photos and texts")
# The extended description, below the summary: CPack indents its lines and
# turns the empty ones into Debian's " ." paragraph breaks.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION [[
Orvantis puts photographs into decorative card templates on the desktop. A
template is a frame picture with transparent windows and preset texts; each
photo sinks below the frame and shows through a window, where it is moved,
resized, rotated, flipped and mirrored. Texts are typed straight onto the
card in any font, size and colour. The card is saved at the template's full
resolution as BMP, JPEG or PNG, printed, or kept as a card file whose photos
and texts stay editable.

A library of 24 print-size templates in six categories comes with it; any
picture with transparent regions becomes a template of the user's own, and
templates travel as ZIP packages. Photos are read from JPEG, PNG, TIFF,
JPEG 2000, WebP, HEIF, AVIF, GIF and other formats, colour-managed to sRGB.

orvantis-render makes the same cards without a display: one from the command
line, a CSV batch on several cores, or one share of a batch per task of a
cluster's job array.]])
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# Debian packages carry no debugging information; the version block the
# program reads back is an allocated section and survives stripping.
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://www.orvantis.example/)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The libraries the image core opens itself (image/CMakeLists.txt) are not
# linked, so dpkg-shlibdeps misses them: dpkg names their packages.
set(ORVANTIS_OPENED_PACKAGES "")
get_property(ORVANTIS_OPENED_LIBRARIES GLOBAL PROPERTY ORVANTIS_OPENED_LIBRARIES)
foreach(library ${ORVANTIS_OPENED_LIBRARIES})
  execute_process(COMMAND dpkg-query -S ${library} OUTPUT_VARIABLE owner RESULT_VARIABLE failed ERROR_QUIET)
  if(NOT failed AND owner MATCHES "^([^:,]+)")
    string(APPEND ORVANTIS_OPENED_PACKAGES ", ${CMAKE_MATCH_1}")
  endif()
endforeach()
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "qt6-qpa-plugins, fontconfig, fonts-liberation, fonts-liberation2, fonts-dejavu-core${ORVANTIS_OPENED_PACKAGES}")
# Help Topic hands the manual to the desktop's browser; qt6-wayland lets the
# program run as a Wayland client rather than through Xwayland; the colour
# emoji and CJK faces draw the emoji, Chinese, Japanese and Korean of texts.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, qt6-wayland, fonts-noto-color-emoji, fonts-noto-cjk")
include(CPack)
