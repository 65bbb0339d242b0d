# The program's version resource. orvantis_embed_version(target) compiles a
# VS_VERSIONINFO block into the target, in the ELF section .orvantis_version,
# where the about box reads it back from the executable file.
include_guard(GLOBAL)

function(orvantis_embed_version target)
  set(ORVANTIS_VERSION_MAJOR 1)
  set(ORVANTIS_VERSION_MINOR 0)
  set(ORVANTIS_VERSION_PATCH 2)
  set(ORVANTIS_VERSION_BUILD 0)
  # The about box shows the product version as it stands here.
  set(ORVANTIS_PRODUCT_VERSION "${ORVANTIS_VERSION_MAJOR}. ${ORVANTIS_VERSION_MINOR}. ${ORVANTIS_VERSION_PATCH}")
  set(ORVANTIS_FILE_VERSION
      "${ORVANTIS_VERSION_MAJOR}.${ORVANTIS_VERSION_MINOR}.${ORVANTIS_VERSION_PATCH}.${ORVANTIS_VERSION_BUILD}")
  set(source ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.cpp)
  configure_file(${CMAKE_CURRENT_FUNCTION_LIST_DIR}/VersionResource.cpp.in ${source} @ONLY)
  # A source of the target itself, not of a library: an archive member that
  # nothing refers to would never reach the executable.
  target_sources(${target} PRIVATE ${source})
endfunction()
