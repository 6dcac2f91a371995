# Installation: the program and the archive tool share one folder of their own, since the
# program takes the tool from its own directory.
set(CPACK_PACKAGE_NAME vokruzeru)
set(CPACK_PACKAGE_VENDOR "The VOKRuzeru developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "graphical front end for the VOK/TEMO archive tool")

if(WIN32)
  # A .zip to unpack anywhere and run: the two programs side by side, nothing else needed.
  install(TARGETS vokruzeru vokmaker2 RUNTIME DESTINATION .)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_SYSTEM_NAME windows-x64)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
  include(CPack)
  return()
endif()

# On Linux <prefix>/lib/vokruzeru/ holds both, and <prefix>/bin/vokruzeru links to the program.
include(GNUInstallDirs)
set(VOK_INSTALL_DIR lib/vokruzeru)

install(TARGETS vokruzeru RUNTIME DESTINATION ${VOK_INSTALL_DIR})
if(TARGET vokmaker2)
  install(TARGETS vokmaker2 RUNTIME DESTINATION ${VOK_INSTALL_DIR})
endif()

file(RELATIVE_PATH vok_link_target /${CMAKE_INSTALL_BINDIR} /${VOK_INSTALL_DIR}/vokruzeru)
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/packaging)
file(CREATE_LINK ${vok_link_target} ${CMAKE_BINARY_DIR}/packaging/vokruzeru SYMBOLIC)
install(FILES ${CMAKE_BINARY_DIR}/packaging/vokruzeru DESTINATION ${CMAKE_INSTALL_BINDIR})

# The desktop's menu entry, the two archive types it opens, their icons and the software
# centre's description. The .deb's triggers (shared-mime-info, desktop-file-utils) update the
# desktop's caches; after `cmake --install` that is update-mime-database and
# update-desktop-database on <prefix>/share/mime and <prefix>/share/applications.
install(FILES ${PROJECT_SOURCE_DIR}/packaging/vokruzeru.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/vokruzeru-mime.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME vokruzeru.xml)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/com.example.vokruzeru.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size 16 32 48 128 256)
  install(FILES ${PROJECT_SOURCE_DIR}/app/resources/icons/${size}/vokruzeru.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
foreach(size 16 32 64 128)
  install(FILES ${PROJECT_SOURCE_DIR}/app/resources/icons/${size}/application-x-vok.png
                ${PROJECT_SOURCE_DIR}/app/resources/icons/${size}/application-x-temo.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/mimetypes)
endforeach()

# A Debian package: `scripts/package.sh` builds it.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_DESCRIPTION
    "VOK/TEMO Vozare lists, unpacks and creates VOK and TEMO archives\nthrough the VOKMaker2 archive tool, which is installed with it.")
set(CPACK_PACKAGE_CONTACT "VOKRuzeru developers <vokruzeru@example.com>")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)  # Debian's own Qt 6 libraries, found by dpkg-shlibdeps
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
