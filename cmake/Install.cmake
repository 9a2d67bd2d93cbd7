# Installing and packaging.
#
# Linux: the bundle is installed whole under <prefix>/lib/vellmora, because it holds an
# architecture-dependent executable together with its private data and is not meant to be run by
# path (FHS: /usr/lib/<package> for a program's internal files; /usr/share must stay
# architecture-independent). The launcher finds Resources/ and Info.plist next to its real path, so
# the bundle keeps its layout and bin/vellmora is only a relative symbolic link into it.
# macOS: the bundle itself is the product; it goes to the root of a disk image, carrying Qt and the
# Homebrew libraries it links, ad-hoc signed so that Apple silicon runs it. Real signing and
# notarisation are left to whoever releases it.

set(VLMR_INSTALL_COMMAND "bin/vellmora")
if(APPLE)
  set(VLMR_INSTALL_BUNDLE "Vellmora.app")
else()
  set(VLMR_INSTALL_BUNDLE "lib/vellmora/Vellmora.app")
endif()

# Source and build folders must not end up in the installed executable's debug information.
if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
  target_compile_options(vlmr_options INTERFACE
    "-ffile-prefix-map=${CMAKE_SOURCE_DIR}=."
    "-ffile-prefix-map=${CMAKE_BINARY_DIR}=build")
endif()

# First of all, before anything is copied: a manifest that no user could download (a placeholder, a
# test server's) makes every setup of the installed launcher fail. The same check runs on the macOS
# disk image (scripts/check-macos-bundle); configure warns early.
execute_process(COMMAND "${VLMR_BUILD_PYTHON}" "${CMAKE_SOURCE_DIR}/scripts/make-manifest" --check
                  "${VLMR_SOURCE_MANIFEST}" RESULT_VARIABLE manifest_status ERROR_VARIABLE manifest_problems)
if(NOT manifest_status EQUAL 0)
  message(WARNING "cmake --install and cpack refuse this build's bundle:\n${manifest_problems}")
endif()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${VLMR_SOURCE_MANIFEST}")
install(CODE "
  execute_process(COMMAND \"${VLMR_BUILD_PYTHON}\" \"${CMAKE_SOURCE_DIR}/scripts/make-manifest\" --check
                    \"${VLMR_BUNDLE_MANIFEST}\" RESULT_VARIABLE manifest_status)
  if(NOT manifest_status EQUAL 0)
    message(FATAL_ERROR \"Refusing to install or package a bundle whose runtime no user could download. \"
      \"Its manifest comes from ${VLMR_SOURCE_MANIFEST}; name another with -DVLMR_RUNTIME_MANIFEST=PATH.\")
  endif()")

if(APPLE)
  # The whole built bundle, Info.plist included.
  install(TARGETS Vellmora BUNDLE DESTINATION .)
else()
  install(TARGETS Vellmora RUNTIME DESTINATION "${VLMR_INSTALL_BUNDLE}/Contents/MacOS")
  install(FILES "${VLMR_BUNDLE_DIR}/Contents/Info.plist" DESTINATION "${VLMR_INSTALL_BUNDLE}/Contents")
endif()

# The same resource list the build copies into the bundle; scripts (#!) stay executable.
foreach(resource IN LISTS VLMR_RESOURCE_FILES)
  file(RELATIVE_PATH relative "${CMAKE_SOURCE_DIR}/resources" "${resource}")
  get_filename_component(folder "${relative}" DIRECTORY)
  set(destination "${VLMR_INSTALL_BUNDLE}/Contents/Resources/${folder}")
  file(READ "${resource}" head LIMIT 2 HEX)
  if(head STREQUAL "2321")
    install(PROGRAMS "${resource}" DESTINATION "${destination}")
  else()
    install(FILES "${resource}" DESTINATION "${destination}")
  endif()
endforeach()
# The manifest the build generates, with the digest of what setup installs.
install(FILES "${VLMR_BUNDLE_MANIFEST}" DESTINATION "${VLMR_INSTALL_BUNDLE}/Contents/Resources/runtime")

if(APPLE)
  # After everything else is in the bundle, macdeployqt copies into it Qt's frameworks and plugins and
  # every other library they or the launcher load from outside the system (Homebrew's libplist and
  # libcrypto, named by absolute paths), and points all load commands into the bundle. Qt's own
  # names are @rpath ones: the installed executable keeps an rpath to them for macdeployqt to
  # follow, which it replaces with one into the bundle. Signing comes last, as every rewrite breaks
  # the signature.
  set_target_properties(Vellmora PROPERTIES INSTALL_RPATH "${QT6_INSTALL_PREFIX}/${QT6_INSTALL_LIBS}")
  qt_generate_deploy_app_script(TARGET Vellmora OUTPUT_SCRIPT VLMR_DEPLOY_SCRIPT)
  install(SCRIPT "${VLMR_DEPLOY_SCRIPT}")
  # Qt's own translations for the languages the launcher has, which a Mac does not.
  foreach(ts IN LISTS VLMR_LAUNCHER_TS_FILES)
    string(REGEX REPLACE ".*/vellmora_(.*)\\.ts$" "\\1" language "${ts}")
    set(qt_translation "${QT6_INSTALL_PREFIX}/${QT6_INSTALL_TRANSLATIONS}/qtbase_${language}.qm")
    if(EXISTS "${qt_translation}")
      install(FILES "${qt_translation}" DESTINATION "${VLMR_INSTALL_BUNDLE}/Contents/Resources/translations")
    endif()
  endforeach()
  install(CODE "
    execute_process(COMMAND /usr/bin/codesign --force --deep --sign -
                      \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${VLMR_INSTALL_BUNDLE}\"
                    COMMAND_ECHO STDOUT COMMAND_ERROR_IS_FATAL ANY)")
else()
  # Made at configure time so the install copies a link, not the executable it points to.
  get_filename_component(command_folder "${VLMR_INSTALL_COMMAND}" DIRECTORY)
  file(RELATIVE_PATH link_target "/prefix/${command_folder}" "/prefix/${VLMR_INSTALL_BUNDLE}/Contents/MacOS/Vellmora")
  set(VLMR_COMMAND_LINK "${CMAKE_BINARY_DIR}/install-links/vellmora")
  file(MAKE_DIRECTORY "${CMAKE_BINARY_DIR}/install-links")
  file(CREATE_LINK "${link_target}" "${VLMR_COMMAND_LINK}" SYMBOLIC)
  install(FILES "${VLMR_COMMAND_LINK}" DESTINATION "${command_folder}")

  install(FILES packaging/vellmora.desktop DESTINATION share/applications)
  install(FILES packaging/com.vellmora.launcher.metainfo.xml DESTINATION share/metainfo)
  install(DIRECTORY resources/icons/hicolor DESTINATION share/icons
    FILES_MATCHING PATTERN "vellmora.png")
endif()

set(CPACK_PACKAGE_NAME "vellmora")
set(CPACK_PACKAGE_VENDOR "Vellmora")
set(CPACK_PACKAGE_CONTACT "Vellmora <packages@vellmora.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Launcher for the Vellmora local voice studio")
# CPack indents every line by one space; Debian's limit is 80 columns.
set(CPACK_PACKAGE_DESCRIPTION
  "Vellmora is a voice studio that runs on the local machine. This package\n\
carries the studio's sources and the launcher that prepares and starts it.\n\
\n\
On first start the launcher downloads a standalone Python runtime over HTTPS,\n\
verifies it and installs the voice engines into the user's data folder\n\
(~/.local/share/Vellmora), several GB in all; later starts open the studio at\n\
once. The option --repair, also offered as the menu entry's repair action,\n\
runs the setup again.")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_STRIP_FILES ON)
set(CPACK_SOURCE_GENERATOR "TGZ")
set(CPACK_SOURCE_IGNORE_FILES "/\\\\.git/" "/build[^/]*/" "__pycache__")

if(NOT APPLE)
  # What Debian expects beside every package; cmake --install and the .tar.gz carry it too.
  set(docs "${CMAKE_BINARY_DIR}/packaging")

  # The copyright file quotes LICENSE, as DEP-5 wants it: holder in a field, text indented,
  # blank lines as ".".
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS LICENSE)
  file(READ LICENSE licence)
  if(NOT licence MATCHES "Copyright \\(c\\) ([^\n]+)\n\n(.*[^\n])\n*$")
    message(FATAL_ERROR "LICENSE: expected a copyright line followed by the licence text")
  endif()
  set(VLMR_COPYRIGHT "${CMAKE_MATCH_1}")
  string(REPLACE "\n\n" "\n.\n" licence_text "${CMAKE_MATCH_2}")
  string(REPLACE "\n" "\n " licence_text "${licence_text}")
  set(VLMR_LICENSE_TEXT " ${licence_text}")
  configure_file(packaging/copyright.in "${docs}/copyright" @ONLY)
  install(FILES "${docs}/copyright" DESTINATION share/doc/vellmora)

  # Compressed as Debian does (-9 for size, -n so the bytes do not depend on the build's time).
  find_program(VLMR_GZIP gzip REQUIRED)
  set(compressed)
  foreach(name IN ITEMS changelog.Debian vellmora.1)
    add_custom_command(OUTPUT "${docs}/${name}.gz"
      COMMAND "${CMAKE_COMMAND}" -E copy "${CMAKE_SOURCE_DIR}/packaging/${name}" "${docs}/${name}"
      COMMAND "${VLMR_GZIP}" -9nf "${docs}/${name}"
      DEPENDS "packaging/${name}" VERBATIM)
    list(APPEND compressed "${docs}/${name}.gz")
  endforeach()
  add_custom_target(package_documents ALL DEPENDS ${compressed})
  install(FILES "${docs}/changelog.Debian.gz" DESTINATION share/doc/vellmora)
  install(FILES "${docs}/vellmora.1.gz" DESTINATION share/man/man1)
  install(FILES packaging/vellmora.lintian-overrides DESTINATION share/lintian/overrides RENAME vellmora)
endif()

if(APPLE)
  # Not checked on the Linux machines this is built on.
  set(CPACK_GENERATOR "DragNDrop")
  set(CPACK_DMG_VOLUME_NAME "Vellmora")
else()
  set(CPACK_GENERATOR "DEB;TGZ")
  set(CPACK_DEBIAN_FILE_NAME "DEB-DEFAULT")
  set(CPACK_DEBIAN_PACKAGE_RELEASE "1")
  set(CPACK_DEBIAN_PACKAGE_SECTION "sound")
  set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
  # Libraries come from dpkg-shlibdeps; these are what the launcher loads or runs by name:
  # the .icns icon through Qt's image-format plugin, "Show details" through xdg-open,
  # downloads through /usr/bin/curl, and Python with venv for runtime interpreters that defer
  # to the system's, Qt's own translations for standard controls, and a font with Chinese, Japanese
  # and Korean glyphs for the window in those languages. /usr/bin/tar is essential, and Debian
  # forbids depending on it unversioned.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "curl, python3, python3-venv, qt6-image-formats-plugins, xdg-utils, qt6-translations-l10n, fonts-wqy-microhei")
  # Without it Qt's libproxy does not see a proxy set in GNOME's settings.
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libproxy1-plugin-gsettings")
endif()

include(CPack)
