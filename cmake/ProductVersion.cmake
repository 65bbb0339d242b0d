# ORVANTIS_PRODUCT_VERSION_STRING: the version the program reports
# (orvantis --version, the about box), read from the numbers that
# VersionInfo.cmake embeds, so the package, the desktop metadata and the
# manual carry the same one. Cheap to read again in every scope that needs it.

file(STRINGS ${CMAKE_CURRENT_LIST_DIR}/VersionInfo.cmake ORVANTIS_VERSION_LINES
     REGEX "set\\(ORVANTIS_VERSION_(MAJOR|MINOR|PATCH) [0-9]+\\)")
foreach(part MAJOR MINOR PATCH)
  string(REGEX MATCH "ORVANTIS_VERSION_${part} ([0-9]+)" found "${ORVANTIS_VERSION_LINES}")
  if(NOT found)
    message(FATAL_ERROR "VersionInfo.cmake has no ORVANTIS_VERSION_${part}")
  endif()
  set(ORVANTIS_PRODUCT_${part} ${CMAKE_MATCH_1})
endforeach()
set(ORVANTIS_PRODUCT_VERSION_STRING "${ORVANTIS_PRODUCT_MAJOR}.${ORVANTIS_PRODUCT_MINOR}.${ORVANTIS_PRODUCT_PATCH}")
