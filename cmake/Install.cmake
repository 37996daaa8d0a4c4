# `cmake --install` in the usual layout and the Debian package (`cpack -G DEB`
# in the build folder). Programs find share/vorland from their own path
# (platform/data_paths.h). Install and cpack take what is built: build first.
include(GNUInstallDirs)
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
set(VORLAND_SHARE ${CMAKE_INSTALL_DATADIR}/vorland)
set(VORLAND_PACKAGING ${PROJECT_SOURCE_DIR}/packaging)

install(TARGETS vorland-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${VORLAND_PACKAGING}/vorland-cli.bash-completion
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME vorland-cli)

if(NOT VORLAND_CORE_ONLY)
  target_compile_definitions(vorland PRIVATE VORLAND_VERSION="${PROJECT_VERSION}")
  install(TARGETS vorland RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(TARGETS vorland-render RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/vorland)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/model/washitu DESTINATION ${VORLAND_SHARE}/model)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/pict ${PROJECT_SOURCE_DIR}/img DESTINATION ${VORLAND_SHARE}
          FILES_MATCHING PATTERN "*.png")
  install(FILES ${VORLAND_PACKAGING}/vorland.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${VORLAND_PACKAGING}/vorland.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  install(FILES ${VORLAND_PACKAGING}/vorland-mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
          RENAME vorland.xml)
  install(FILES ${VORLAND_PACKAGING}/vorland.thumbnailer DESTINATION ${CMAKE_INSTALL_DATADIR}/thumbnailers)

  # Manual pages from the programs' own --help (help2man), compressed as
  # Debian wants them.
  find_program(HELP2MAN help2man)
  if(HELP2MAN)
    set(man ${CMAKE_BINARY_DIR}/man)
    set(pages)
    # page name, program, --help option, NAME line, include file
    set(man_pages
      "vorland|$<TARGET_FILE:vorland>|--help|viewer for skinned, animated 3D models|vorland.h2m"
      "vorland-cli|$<TARGET_FILE:vorland-cli>|--help|inspect, convert and render models from scripts|vorland-cli.h2m"
      "vorland-cli-info|$<TARGET_FILE:vorland-cli>|info --help|print the counts of a model or animation file as JSON|vorland-cli-verb.h2m"
      "vorland-cli-convert|$<TARGET_FILE:vorland-cli>|convert --help|convert models to .mdl and .ani|vorland-cli-verb.h2m"
      "vorland-cli-render|$<TARGET_FILE:vorland-cli>|render --help|draw one frame of a model into an image without a display|vorland-cli-verb.h2m"
      "vorland-cli-settings|$<TARGET_FILE:vorland-cli>|settings --help|print the config.ini the viewer would write|vorland-cli-verb.h2m")
    foreach(entry IN LISTS man_pages)
      string(REPLACE "|" ";" entry "${entry}")
      list(GET entry 0 page)
      list(GET entry 1 program)
      list(GET entry 2 help)
      list(GET entry 3 name)
      list(GET entry 4 include)
      add_custom_command(OUTPUT ${man}/${page}.1.gz
        COMMAND ${CMAKE_COMMAND} -E make_directory ${man}
        COMMAND ${HELP2MAN} --no-info --section=1 "--name=${name}" "--help-option=${help}"
                "--version-string=${page} ${PROJECT_VERSION}" "--include=${VORLAND_PACKAGING}/${include}"
                --output=${man}/${page}.1 ${program}
        COMMAND gzip -9nf ${man}/${page}.1
        DEPENDS ${program} ${VORLAND_PACKAGING}/${include} vorland vorland-cli vorland-render
        VERBATIM)
      list(APPEND pages ${man}/${page}.1.gz)
    endforeach()
    add_custom_target(vorland_man ALL DEPENDS ${pages})
    install(FILES ${pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  else()
    message(WARNING "help2man not found: no manual pages (scripts/install-deps.sh installs it)")
  endif()

  # --- Debian package ----------------------------------------------------------
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGE_NAME vorland)
  set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
  set(CPACK_PACKAGE_CONTACT "Vorland developers <vorland@example.org>")
  set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "viewer for skinned, animated 3D models")
  set(CPACK_PACKAGE_DESCRIPTION
      "Vorland opens COLLADA (.dae), glTF 2.0 (.gltf, .glb) and its own .mdl models,
adds animations from the model or from .ani files and plays them in a small
lamp-lit Japanese room with shadows, light shafts and a sky. vorland-cli
inspects, converts and renders models from scripts; file managers show
thumbnails of models through it.")
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_STRIP_FILES ON)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_VERSION ${PROJECT_VERSION})
  set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
  set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  # Libraries from dpkg-shlibdeps; Qt's platform plugins and Mesa's drivers
  # are loaded at run time, so they are named here.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libgl1-mesa-dri")

  string(TIMESTAMP VORLAND_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
  configure_file(${VORLAND_PACKAGING}/changelog.in ${CMAKE_BINARY_DIR}/packaging/changelog.Debian @ONLY)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/packaging/changelog.Debian.gz
    COMMAND gzip -9nkf ${CMAKE_BINARY_DIR}/packaging/changelog.Debian
    DEPENDS ${CMAKE_BINARY_DIR}/packaging/changelog.Debian VERBATIM)
  add_custom_target(vorland_changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/packaging/changelog.Debian.gz)
  install(FILES ${VORLAND_PACKAGING}/copyright ${CMAKE_BINARY_DIR}/packaging/changelog.Debian.gz
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/vorland)
  include(CPack)
endif()
