# Lays out Quenlark.app/Contents/ in the build folder the way the running bundle is read:
# Info.plist, MacOS/quenlark, Resources/ (anchors, back-end configuration, images) and
# Helpers/quenlark-tools with the links named like the platform's tools. The executables are
# copied, not linked, so that /proc/self/exe resolves inside the bundle.
set(QUENLARK_BUNDLE_ID "com.quenlark.Quenlark")
set(QUENLARK_BUILD_NUMBER "${PROJECT_VERSION_MAJOR}${PROJECT_VERSION_MINOR}${PROJECT_VERSION_PATCH}"
  CACHE STRING "CFBundleVersion of the application bundle")
set(QUENLARK_BUNDLE_DIR ${CMAKE_BINARY_DIR}/Quenlark.app)

function(quenlark_bundle)
  set(contents ${QUENLARK_BUNDLE_DIR}/Contents)
  set(resources ${PROJECT_SOURCE_DIR}/resources)
  configure_file(${resources}/bundle/Info.plist.in ${contents}/Info.plist @ONLY)
  file(GLOB anchors CONFIGURE_DEPENDS ${resources}/anchors/*.pem ${resources}/anchors/*.crl)
  set(files ${resources}/bundle/firebase.json ${resources}/bundle/google-g.svg ${resources}/bundle/AppIcon.svg)

  set(links)
  foreach(tool IN LISTS QUENLARK_TOOL_NAMES)
    list(APPEND links
      COMMAND ${CMAKE_COMMAND} -E rm -f ${contents}/Helpers/${tool}
      COMMAND ${CMAKE_COMMAND} -E create_symlink quenlark-tools ${contents}/Helpers/${tool})
  endforeach()
  set(stamp ${CMAKE_BINARY_DIR}/CMakeFiles/quenlark_bundle.stamp)
  add_custom_command(OUTPUT ${stamp}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${contents}/MacOS ${contents}/Helpers
      ${contents}/Resources/anchors
    COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:quenlark> ${contents}/MacOS/quenlark
    COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:quenlark-tools> ${contents}/Helpers/quenlark-tools
    ${links}
    COMMAND ${CMAKE_COMMAND} -E rm -f ${contents}/Resources/anchors/*
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${anchors} ${contents}/Resources/anchors/
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${files} ${contents}/Resources/
    COMMAND ${CMAKE_COMMAND} -E touch ${stamp}
    DEPENDS quenlark quenlark-tools $<TARGET_FILE:quenlark> $<TARGET_FILE:quenlark-tools> ${anchors} ${files} ${contents}/Info.plist
    COMMENT "Laying out Quenlark.app"
    VERBATIM)
  add_custom_target(quenlark_bundle ALL DEPENDS ${stamp})

  # <prefix>/lib/quenlark/Quenlark.app, reached as <prefix>/bin/quenlark. The administrator line
  # runs the tools as root, so they must be owned by root: an install by anyone else says so.
  set(destination ${CMAKE_INSTALL_LIBDIR}/quenlark)
  install(DIRECTORY ${QUENLARK_BUNDLE_DIR} DESTINATION ${destination} USE_SOURCE_PERMISSIONS)
  install(CODE "
    set(app \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${destination}/Quenlark.app\")
    file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
    file(CREATE_LINK \"../${destination}/Quenlark.app/Contents/MacOS/quenlark\"
      \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/quenlark\" SYMBOLIC)
    execute_process(COMMAND id -u OUTPUT_VARIABLE uid OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(uid STREQUAL \"0\")
      execute_process(COMMAND chown -R -h root:root \"\${app}\" RESULT_VARIABLE failed)
      execute_process(COMMAND chmod -R go-w \"\${app}\")
      if(failed)
        message(FATAL_ERROR \"Could not give the bundle to root.\")
      endif()
    else()
      message(WARNING \"Installed without root: the tools in \${app}/Contents/Helpers are not owned by root, so installer packages can not be installed from this copy.\")
    endif()")
endfunction()
