# What a Windows user downloads: kova-<version>-win32.zip, built by the "package" target, holding
# kova.exe, our picture plug-in and a Japanese read-me. The programs and the plug-in add their own
# install rules and resources in their folders.

# The program's icon, drawn from its source at the sizes Windows shows (caption, task bar, Alt+Tab,
# Explorer); the 256 px one is kept as PNG. ImageMagick 7 is "magick"; on Windows "convert" would
# be the file system tool.
find_program(KOVA_MAGICK NAMES magick convert REQUIRED)
set(KOVA_ICON_FILE ${PROJECT_BINARY_DIR}/kova.ico)
set(KOVA_MANIFEST ${PROJECT_SOURCE_DIR}/app/kova.manifest)
add_custom_command(OUTPUT ${KOVA_ICON_FILE}
  COMMAND ${KOVA_MAGICK} -background none ${PROJECT_SOURCE_DIR}/app/kova.svg -depth 8
          -define icon:auto-resize=256,48,32,24,16 ${KOVA_ICON_FILE}
  DEPENDS ${PROJECT_SOURCE_DIR}/app/kova.svg)
add_custom_target(kova_icon DEPENDS ${KOVA_ICON_FILE})

# Gives TARGET a version resource with the project's version and DESCRIPTION (Japanese, UTF-8);
# a program also gets the icon and the application manifest.
function(kova_resources target description)
  get_target_property(type ${target} TYPE)
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}_resources.rc)
  if(type STREQUAL "EXECUTABLE")
    set(file_type VFT_APP)
    set(program 1)
    add_dependencies(${target} kova_icon)
    set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS "${KOVA_ICON_FILE};${KOVA_MANIFEST}")
  else()
    set(file_type VFT_DLL)
    set(program 0)
  endif()
  configure_file(${PROJECT_SOURCE_DIR}/cmake/resources.rc.in ${rc}.in @ONLY)
  file(GENERATE OUTPUT ${rc} INPUT ${rc}.in)
  target_sources(${target} PRIVATE ${rc})
endfunction()

# The read-me is kept in UTF-8; users of Susie plug-ins expect Shift_JIS with CRLF line ends.
find_program(KOVA_ICONV iconv REQUIRED)
configure_file(${PROJECT_SOURCE_DIR}/docs/readme.txt.in ${PROJECT_BINARY_DIR}/readme-utf8.txt @ONLY)
add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/readme.txt
  COMMAND ${CMAKE_COMMAND} -DICONV=${KOVA_ICONV} -DIN=${PROJECT_BINARY_DIR}/readme-utf8.txt
          -DOUT=${PROJECT_BINARY_DIR}/readme.txt -P ${PROJECT_SOURCE_DIR}/cmake/shift_jis.cmake
  DEPENDS ${PROJECT_BINARY_DIR}/readme-utf8.txt ${PROJECT_SOURCE_DIR}/cmake/shift_jis.cmake)
add_custom_target(readme ALL DEPENDS ${PROJECT_BINARY_DIR}/readme.txt)
install(FILES ${PROJECT_BINARY_DIR}/readme.txt DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(KOVA_PACKAGE_NAME kova-${PROJECT_VERSION}-win32)
set(CPACK_PACKAGE_FILE_NAME ${KOVA_PACKAGE_NAME})
set(CPACK_STRIP_FILES ON)
include(CPack)
