# What a Windows user downloads: kova-<version>-win32.zip, built by the "package" target, holding
# kova.exe, our picture plug-in and a Japanese read-me. The programs and the plug-in add their own
# install rules and version resources in their folders.

# Gives TARGET a version resource with the project's version and DESCRIPTION (Japanese, UTF-8).
function(kova_version_resource target description)
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "EXECUTABLE")
    set(file_type VFT_APP)
  else()
    set(file_type VFT_DLL)
  endif()
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/version.rc.in ${rc}.in @ONLY)
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
