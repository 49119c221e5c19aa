# The project's version is the only one typed by hand: the window's caption text, the man
# pages, the desktop metadata, the Windows resources and the installer all take it from here.

# The caption text is the window's own literal; a release that forgets it fails here.
file(STRINGS ${PROJECT_SOURCE_DIR}/app/logic/WindowTexts.h kovrin_caption_line REGEX "kVersion = \"Version [0-9.]+\"")
string(REGEX REPLACE ".*Version ([0-9.]+)\".*" "\\1" kovrin_caption_version "${kovrin_caption_line}")
if(NOT kovrin_caption_version STREQUAL PROJECT_VERSION)
  message(FATAL_ERROR "app/logic/WindowTexts.h says version ${kovrin_caption_version}, the project ${PROJECT_VERSION}")
endif()

# Version information for a Windows program or library built from this tree.
#   kovrin_version_resource(<target> <description> <APP|DLL>)
function(kovrin_version_resource target description type)
  if(NOT WIN32 OR NOT TARGET ${target})
    return()
  endif()
  get_target_property(name ${target} OUTPUT_NAME)
  if(NOT name)
    set(name ${target})
  endif()
  if(type STREQUAL "DLL")
    set(KOVRIN_RC_FILE ${name}.dll)
    set(KOVRIN_RC_TYPE VFT_DLL)
  else()
    set(KOVRIN_RC_FILE ${name}.exe)
    set(KOVRIN_RC_TYPE VFT_APP)
  endif()
  set(KOVRIN_RC_NAME ${name})
  set(KOVRIN_RC_DESCRIPTION "${description}")
  string(REPLACE "." "," KOVRIN_RC_VERSION_COMMAS "${PROJECT_VERSION}")
  set(rc ${PROJECT_BINARY_DIR}/version-resources/${target}.rc)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/version.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
endfunction()
