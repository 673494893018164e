# What `cmake --install` puts where, in the places a Linux desktop looks, and
# the Debian package built from the same rules (scripts/package).

# No web site yet: a reserved documentation address stands in until one is
# given with -DQD40_HOMEPAGE=URL (the screenshot address is taken from it).
set(QD40_HOMEPAGE "https://example.org/qd40-control" CACHE STRING "The project's web site, named in the metainfo")
# The project's address stands in the same way, as the package's maintainer.
set(QD40_MAINTAINER "The QD40 Control developers <qd40-control@example.org>"
    CACHE STRING "The package's maintainer, a name and an address")

set(data ${PROJECT_SOURCE_DIR}/data)
set(generated ${PROJECT_BINARY_DIR}/data)

# Man pages carry the version; Debian wants them compressed.
set(manPages "")
foreach(page qd40-control.1 qd40-sim.1 qd40ctl.1)
  configure_file(${data}/man/${page} ${generated}/man/${page} @ONLY)
  add_custom_command(
    OUTPUT ${generated}/man/${page}.gz
    COMMAND gzip -9 -n -c ${generated}/man/${page} > ${generated}/man/${page}.gz
    DEPENDS ${generated}/man/${page}
    VERBATIM)
  list(APPEND manPages ${generated}/man/${page}.gz)
endforeach()
# The changelog (a native package's, so changelog.gz) and the README are
# compressed as Debian wants every document of some length.
set(docs "")
foreach(doc data/debian/changelog:changelog README.md:README.md)
  string(REPLACE ":" ";" pair ${doc})
  list(GET pair 0 from)
  list(GET pair 1 to)
  add_custom_command(
    OUTPUT ${generated}/doc/${to}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${generated}/doc
    COMMAND gzip -9 -n -c ${PROJECT_SOURCE_DIR}/${from} > ${generated}/doc/${to}.gz
    DEPENDS ${PROJECT_SOURCE_DIR}/${from}
    VERBATIM)
  list(APPEND docs ${generated}/doc/${to}.gz)
endforeach()
add_custom_target(qd40-data ALL DEPENDS ${manPages} ${docs})
configure_file(${data}/${QD40_APP_ID}.metainfo.xml.in ${generated}/${QD40_APP_ID}.metainfo.xml
               @ONLY)

install(TARGETS qd40-control qd40-sim qd40ctl RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# Started by the panel, found beside it or here.
install(TARGETS qd40-log-writer RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/qd40-control)
install(FILES ${data}/lintian/qd40-control DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides)
# Stripping (cpack, cmake --install --strip) also drops the compiler's notes,
# which nothing at run time reads.
install(CODE "
  if(CMAKE_INSTALL_DO_STRIP)
    foreach(program ${CMAKE_INSTALL_BINDIR}/qd40-control ${CMAKE_INSTALL_BINDIR}/qd40-sim
                    ${CMAKE_INSTALL_BINDIR}/qd40ctl
                    ${CMAKE_INSTALL_LIBEXECDIR}/qd40-control/qd40-log-writer)
      execute_process(COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment --remove-section=.note
                              --strip-unneeded
                              \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/\${program}\"
                      COMMAND_ERROR_IS_FATAL ANY)
    endforeach()
  endif()")
install(FILES ${manPages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${data}/completion/qd40-control ${data}/completion/qd40ctl
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
install(FILES ${data}/${QD40_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${generated}/${QD40_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${data}/icons/${QD40_APP_ID}.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 16 22 24 32 48 128 256)
  install(FILES ${data}/icons/${QD40_APP_ID}-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME ${QD40_APP_ID}.png)
endforeach()
# The MQTT bridge as a service: its unit, its user (made by the package's
# postinst through systemd-sysusers) and its configuration under /etc/qd40.
install(FILES ${data}/service/qd40-mqtt.service DESTINATION lib/systemd/system)
install(FILES ${data}/service/qd40-mqtt.sysusers DESTINATION lib/sysusers.d
        RENAME qd40-mqtt.conf)
install(FILES ${data}/service/mqtt.conf ${data}/service/mqtt-projectors DESTINATION /etc/qd40)
# The licence is in the machine-readable copyright file.
install(FILES ${data}/debian/copyright ${docs} DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME qd40-control)
set(CPACK_PACKAGE_VENDOR "The QD40 Control developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "control panel for a data projector on a serial line")
set(CPACK_PACKAGE_DESCRIPTION
    "QD40 Control drives a QD40 data projector over an RS-232C serial line:\n"
    "one window of buttons sends its command codes, a line monitor shows every\n"
    "character sent and received, and replies to status reads are decoded into\n"
    "plain text. qd40ctl does the same from a shell, a script or cron, for one\n"
    "projector or many at once. qd40-sim, a projector simulated on a\n"
    "pseudo-terminal, lets you try both without hardware.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${QD40_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION comm)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${QD40_HOMEPAGE})
# The library dependencies come from dpkg-shlibdeps; the window's Japanese
# captions want a CJK font, a Wayland session the Qt Wayland plugin, and a
# translated box Qt's own words for its buttons.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk, qt6-wayland, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${data}/service/postinst ${data}/service/conffiles)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
