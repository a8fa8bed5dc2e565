# What `cmake --install` puts where, and the Debian package CPack makes of it
# (`make install`, `make deb`). The program finds nothing through its install
# prefix: its icons are compiled in, its data lives in the user's folders, and
# its sound module is found beside or below its own folder.
if(NOT KVX_GUI)
  return()
endif()

include(GNUInstallDirs)
set(KVX_APP_ID org.kalvendorix.kalvendorix)
set(KVX_PACKAGING ${PROJECT_SOURCE_DIR}/packaging)
set(KVX_PACKAGING_OUT ${PROJECT_BINARY_DIR}/packaging)
set(KVX_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/kalvendorix)
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# Compressed the way Debian wants: best ratio, no name or time stamp inside.
function(kvx_gzip source output)
  find_program(KVX_GZIP gzip REQUIRED)
  configure_file(${source} ${output} COPYONLY)
  execute_process(COMMAND ${KVX_GZIP} -9nf ${output} COMMAND_ERROR_IS_FATAL ANY)
endfunction()

# The changelog's date is the configure time, or SOURCE_DATE_EPOCH when set.
string(TIMESTAMP KVX_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
configure_file(${KVX_PACKAGING}/changelog.in ${KVX_PACKAGING_OUT}/changelog.in @ONLY)
kvx_gzip(${KVX_PACKAGING_OUT}/changelog.in ${KVX_PACKAGING_OUT}/changelog)
kvx_gzip(${KVX_PACKAGING}/kalvendorix.1 ${KVX_PACKAGING_OUT}/kalvendorix.1)

install(TARGETS kalvendorix RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The sound module, a private library the program finds from its own folder
# (../lib/kalvendorix), so it is not multiarch and not in the linker's path.
install(TARGETS kvx_sound LIBRARY DESTINATION lib/kalvendorix)
# The helper that wakes a sleeping computer for the next bell, beside it; the
# one file given CAP_WAKE_ALARM: by the package's postinst, or here by an
# install as root into the running system.
install(TARGETS kalvendorix-wake RUNTIME DESTINATION lib/kalvendorix)
install(CODE [[
  set(helper "${CMAKE_INSTALL_PREFIX}/lib/kalvendorix/kalvendorix-wake")
  execute_process(COMMAND id -u OUTPUT_VARIABLE uid OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT "$ENV{DESTDIR}" STREQUAL "" OR CMAKE_INSTALL_PREFIX MATCHES "_CPack_Packages")
    # A staged install: the package's postinst gives the capability.
  elseif(uid STREQUAL "0")
    execute_process(COMMAND setcap cap_wake_alarm+ep "${helper}" RESULT_VARIABLE failed)
    if(failed)
      message(WARNING "setcap failed: ${helper} cannot wake a sleeping computer")
    else()
      message(STATUS "Gave ${helper} the capability cap_wake_alarm")
    endif()
  else()
    message(STATUS "Not root: to wake a sleeping computer for alarms, run as root: setcap cap_wake_alarm+ep ${helper}")
  endif()
]])
install(FILES ${KVX_PACKAGING}/kalvendorix.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/resources/kalvendorix.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${KVX_PACKAGING}/${KVX_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${KVX_PACKAGING_OUT}/kalvendorix.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${KVX_PACKAGING}/copyright ${KVX_PACKAGING_OUT}/changelog.gz DESTINATION ${KVX_DOC_DIR})
# The calendar folder's sync through vdirsyncer.
install(FILES ${KVX_PACKAGING}/vdirsyncer.conf.example DESTINATION ${KVX_DOC_DIR}/examples)

# The Debian package: kalvendorix_<version>_<arch>.deb.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kalvendorix)
set(CPACK_PACKAGE_VENDOR "The Kalvendorix developers")
set(CPACK_PACKAGE_CONTACT "Kalvendorix developers <kalvendorix@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "alarm clock and scheduler with a calendar")
# One line of the package's long description each, as Debian wraps it.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "Kalvendorix sits in the notification area, checks its alarms every second"
  "and rings them with a notification window and a sound; a pre-alarm can ring"
  "minutes before the main alarm. Alarms ring once or repeat daily, weekly,"
  "every other week, monthly or on the n-th weekday of a month, and a month"
  "calendar shows the Japanese public holidays. The user interface is in"
  "Japanese.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# What the program loads at run time without linking it: the GStreamer
# elements of playbin (wave, MP3, the fluidsynth MIDI decoder, the PulseAudio
# sink), the General MIDI sound font, the Japanese fonts, Qt's own Japanese
# texts (standard buttons, dialogs, context menus) and Qt's Wayland platform,
# on which the program runs in a Wayland session without an X server.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "gstreamer1.0-plugins-base, gstreamer1.0-plugins-good, gstreamer1.0-plugins-bad, fluid-soundfont-gm, fonts-ipafont-gothic, fonts-ipafont-mincho, qt6-translations-l10n, qt6-wayland, libcap2-bin")
# The postinst gives the wake helper its capability (setcap, from libcap2-bin).
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${KVX_PACKAGING}/postinst)
# Further sound formats; Japanese typed through fcitx5 (IBus's Qt 6 plugin
# comes with Qt itself); vdirsyncer to keep the calendar folder in step with
# a CalDAV server.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "gstreamer1.0-plugins-ugly, gstreamer1.0-libav, fcitx5-frontend-qt6, vdirsyncer")
include(CPack)
