# Installing: the programs, the desktop entry, the icon in the hicolor theme, the MIME type for *.tvq, the
# AppStream metainfo, the man pages and the systemd user units of tvq remind (prefix-aware: cmake --install build --prefix DIR), and a Debian package
# through CPack (cpack --config build/CPackConfig.cmake). Included once from the top CMakeLists.txt, after the
# program targets exist.
include(GNUInstallDirs)

add_subdirectory(${CMAKE_CURRENT_LIST_DIR}/../res/linux ${CMAKE_BINARY_DIR}/res-linux)
set(TVQ_LINUX_DATA ${CMAKE_CURRENT_LIST_DIR}/../res/linux)
set(TVQ_APP_ID com.vornakel.Tarvelquist)

install(TARGETS tarvelquist tvq RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# tvq remind's desktop notifications and the program of tvq sync, found by tvq at the same path from its own
# folder, and the window program that tarvelquist starts.
install(TARGETS tarvelquist_window RUNTIME DESTINATION ${TVQ_PRIVATE_FOLDER})
install(TARGETS tvq_notify LIBRARY DESTINATION ${TVQ_PRIVATE_FOLDER})
install(TARGETS tvq_sync_program RUNTIME DESTINATION ${TVQ_PRIVATE_FOLDER})

# tvq remind at login and every hour, off until the user enables the timer. The service names tvq by its
# installed path, known only at install time (cmake --install --prefix, CPack's /usr); the data folder's
# systemd/user is where the user's systemd looks under /usr, /usr/local and ~/.local alike.
install(CODE "
  set(TVQ_INSTALLED_BINDIR \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
  configure_file(\"${TVQ_LINUX_DATA}/systemd/tvq-remind.service.in\" \"${CMAKE_BINARY_DIR}/tvq-remind.service\" @ONLY)
")
install(FILES ${CMAKE_BINARY_DIR}/tvq-remind.service ${TVQ_LINUX_DATA}/systemd/tvq-remind.timer
        DESTINATION ${CMAKE_INSTALL_DATADIR}/systemd/user)

install(FILES ${TVQ_LINUX_DATA}/${TVQ_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${TVQ_LINUX_DATA}/${TVQ_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${TVQ_LINUX_DATA}/tarvelquist-mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
        RENAME tarvelquist.xml)
install(FILES ${TVQ_LINUX_DATA}/man/tarvelquist.1 ${TVQ_LINUX_DATA}/man/tvq.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# tvq sync's units (the instance names the file), beside tvq remind's and in the same way: off until enabled.
install(CODE "
  set(TVQ_INSTALLED_BINDIR \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
  configure_file(\"${TVQ_LINUX_DATA}/systemd/tvq-sync@.service.in\" \"${CMAKE_BINARY_DIR}/tvq-sync@.service\" @ONLY)
")
install(FILES ${CMAKE_BINARY_DIR}/tvq-sync@.service ${TVQ_LINUX_DATA}/systemd/tvq-sync@.timer
        DESTINATION ${CMAKE_INSTALL_DATADIR}/systemd/user)

# The icon: the program's own and the one file managers show for *.tvq.
set(tvq_hicolor ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
foreach(size ${TVQ_ICON_SIZES})
  install(FILES ${TVQ_ICON_DIR}/tarvelquist-${size}.png DESTINATION ${tvq_hicolor}/${size}x${size}/apps
          RENAME tarvelquist.png)
  install(FILES ${TVQ_ICON_DIR}/tarvelquist-${size}.png DESTINATION ${tvq_hicolor}/${size}x${size}/mimetypes
          RENAME application-x-tarvelquist.png)
endforeach()
install(FILES ${TVQ_ICON_DIR}/tarvelquist.svg DESTINATION ${tvq_hicolor}/scalable/apps)
install(FILES ${TVQ_ICON_DIR}/tarvelquist.svg DESTINATION ${tvq_hicolor}/scalable/mimetypes
        RENAME application-x-tarvelquist.svg)

# The Debian package. Its desktop, MIME and icon caches are refreshed by the triggers of desktop-file-utils,
# shared-mime-info and hicolor-icon-theme, so it needs no maintainer scripts.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tarvelquist)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR VORNAKEL)
set(CPACK_PACKAGE_CONTACT "VORNAKEL <tarvelquist@vornakel.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "personal task list with due dates, priorities and memos")
set(CPACK_PACKAGE_DESCRIPTION
    "Tarvelquist keeps one list of tasks per file, each with a subject, a due date, a priority and a memo. \
The tvq command works with the same files from a terminal and from scripts.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The font the dialogs and the list are laid out for (VL Gothic stands in for the handheld's MS UI Gothic):
# without a Japanese font every built-in text would show as empty boxes.
set(CPACK_DEBIAN_PACKAGE_DEPENDS fonts-vlgothic)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "hicolor-icon-theme, shared-mime-info, desktop-file-utils")
set(CPACK_STRIP_FILES ON)
include(CPack)
