# Installs the build into a scratch prefix and checks what a desktop needs from it: the desktop
# entry, the AppStream metainfo, the lab package MIME type, every icon size, and programs that
# find their language file where they were installed.
# Inputs: BUILD_DIR, WORK_DIR, VERSION, ICON_SIZES (a ;-list), METAINFO, MIME_TYPE.
set(prefix ${WORK_DIR}/install-test)
file(REMOVE_RECURSE ${prefix})

function(need_tool variable program package)
  find_program(${variable} ${program})
  if(NOT ${variable})
    message(FATAL_ERROR "${program} is not installed; scripts/install-deps adds it (Debian package ${package})")
  endif()
endfunction()
need_tool(desktop_validate desktop-file-validate desktop-file-utils)
need_tool(appstreamcli appstreamcli appstream)
need_tool(xmllint xmllint libxml2-utils)
need_tool(update_mime update-mime-database shared-mime-info)

execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix}
  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed:\n${output}")
endif()

set(share ${prefix}/share)
set(desktop ${share}/applications/fendrel.desktop)
set(metainfo ${share}/metainfo/${METAINFO})
set(mime ${share}/mime/packages/fendrel.xml)
set(expected bin/fendrel bin/fendrel-cli share/fendrel/lclang.bdb share/fendrel/help.pdf
    share/applications/fendrel.desktop share/metainfo/${METAINFO} share/mime/packages/fendrel.xml
    share/icons/hicolor/scalable/apps/fendrel.svg)
foreach(size IN LISTS ICON_SIZES)
  list(APPEND expected share/icons/hicolor/${size}x${size}/apps/fendrel.png)
endforeach()
foreach(file IN LISTS expected)
  if(NOT EXISTS ${prefix}/${file})
    message(FATAL_ERROR "cmake --install did not put ${file} in place")
  endif()
endforeach()

# A PNG's width and height are the big-endian words at bytes 16 and 20 of its header.
foreach(size IN LISTS ICON_SIZES)
  set(icon ${share}/icons/hicolor/${size}x${size}/apps/fendrel.png)
  file(READ ${icon} header LIMIT 24 HEX)
  string(SUBSTRING "${header}" 0 16 signature)
  string(SUBSTRING "${header}" 32 8 width)
  string(SUBSTRING "${header}" 40 8 height)
  math(EXPR width "0x${width}")
  math(EXPR height "0x${height}")
  if(NOT signature STREQUAL "89504e470d0a1a0a" OR NOT width EQUAL size OR NOT height EQUAL size)
    message(FATAL_ERROR "${icon} is not a ${size}x${size} PNG (${width}x${height})")
  endif()
endforeach()

# desktop-file-validate exits 0 over warnings; they count as failures here all the same.
execute_process(COMMAND ${desktop_validate} ${desktop} RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0 OR output MATCHES "error:|warning:")
  message(FATAL_ERROR "desktop-file-validate refused fendrel.desktop:\n${output}")
endif()
file(READ ${desktop} desktop_text)
if(NOT desktop_text MATCHES "\nMimeType=${MIME_TYPE};\n" OR NOT desktop_text MATCHES "\nExec=fendrel %f\n")
  message(FATAL_ERROR "fendrel.desktop does not offer fendrel for ${MIME_TYPE} files:\n${desktop_text}")
endif()

# validate-tree also checks that the launchable names a desktop file that was installed.
execute_process(COMMAND ${appstreamcli} validate --no-net ${metainfo} RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "appstreamcli validate refused ${METAINFO}:\n${output}")
endif()
execute_process(COMMAND ${appstreamcli} validate-tree --no-net ${prefix} RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "appstreamcli validate-tree refused the installed tree:\n${output}")
endif()
file(READ ${metainfo} metainfo_text)
string(FIND "${metainfo_text}" "<release version=\"${VERSION}\"" at)
if(at EQUAL -1)
  message(FATAL_ERROR "${METAINFO} has no release entry for version ${VERSION}")
endif()
string(FIND "${metainfo_text}" "<mediatype>${MIME_TYPE}</mediatype>" at)
if(at EQUAL -1)
  message(FATAL_ERROR "${METAINFO} does not say that Fendrel provides ${MIME_TYPE}")
endif()

# The desktop reads the MIME XML through update-mime-database, so the type is checked as it would
# see it: the glob must reach globs2.
execute_process(COMMAND ${xmllint} --noout ${mime} RESULT_VARIABLE result ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "the MIME type file is not well-formed XML:\n${output}")
endif()
execute_process(COMMAND ${update_mime} ${share}/mime RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0 OR NOT EXISTS ${share}/mime/globs2)
  message(FATAL_ERROR "update-mime-database refused the MIME type file:\n${output}")
endif()
file(STRINGS ${share}/mime/globs2 globs REGEX "^[0-9]+:${MIME_TYPE}:\\*\\.lab$")
if(NOT globs)
  message(FATAL_ERROR "update-mime-database does not know *.lab as ${MIME_TYPE}")
endif()

# The installed CLI must find lclang.bdb in ../share/fendrel; it then gets as far as missing the
# catalogue of an empty data folder. HOME and XDG point into the scratch folder so that nothing is
# written to the real ones.
set(home ${WORK_DIR}/install-test-home)
file(REMOVE_RECURSE ${home})
file(MAKE_DIRECTORY ${home}/data)
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env HOME=${home} XDG_CONFIG_HOME=${home}/.config XDG_DATA_HOME=${home}/.local/share
          --unset=FENDREL_DATA_DIR ${prefix}/bin/fendrel-cli --data-dir ${home}/data check
  WORKING_DIRECTORY ${home} RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(output MATCHES "lclang\\.bdb" OR NOT output MATCHES "Fendrel\\.ini")
  message(FATAL_ERROR "the installed fendrel-cli did not start as it should (exit ${result}):\n${output}")
endif()
file(REMOVE_RECURSE ${home} ${prefix})
