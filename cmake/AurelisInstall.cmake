# What `cmake --install` puts under the prefix, laid out the freedesktop way,
# and the Debian package `cpack -G DEB` makes of it.
#
# Programs go to bin from the one list AURELIS_PROGRAMS (component "programs");
# everything else, from data/, is component "data": the desktop entries, the
# icons, the AppStream metainfo, the demo book and the corvane-book launcher.
include(GNUInstallDirs)

install(TARGETS ${AURELIS_PROGRAMS} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT programs)

set(_data ${PROJECT_SOURCE_DIR}/data)
set(_ids org.aurelis.corvane org.aurelis.varnholt org.aurelis.meriton)
foreach(id IN LISTS _ids)
  install(FILES ${_data}/${id}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT data)
  install(FILES ${_data}/icons/${id}.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps COMPONENT data)
  install(FILES ${_data}/${id}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo COMPONENT data)
endforeach()

# corvane reads the folder it runs in; its launcher picks that folder and seeds
# the user's own one from the demo book, found relative to the launcher so the
# installed tree can be moved.
set(AURELIS_DEMO_BOOK_DIR ${CMAKE_INSTALL_DATADIR}/${PROJECT_NAME}/demo-book)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/samples/book/ DESTINATION ${AURELIS_DEMO_BOOK_DIR} COMPONENT data)
file(RELATIVE_PATH AURELIS_BIN_TO_DEMO_BOOK /prefix/${CMAKE_INSTALL_BINDIR} /prefix/${AURELIS_DEMO_BOOK_DIR})
configure_file(${_data}/corvane-book.in ${PROJECT_BINARY_DIR}/corvane-book @ONLY)
install(PROGRAMS ${PROJECT_BINARY_DIR}/corvane-book DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT data)

# ---- Debian package ----
set(CPACK_PACKAGE_NAME ${PROJECT_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Aurelis")
set(CPACK_PACKAGE_CONTACT "Aurelis developers <aurelis@example.org>" CACHE STRING "Maintainer of the Debian package")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "illustrated book reader (Chinese): corvane and two annotated classics")
set(CPACK_PACKAGE_DESCRIPTION "\
A desktop reader for illustrated books with a Chinese user interface. Every
page is a picture with a text that explains it; the reader lists the pages,
shows picture and text side by side, pages and plays the book automatically,
fits, zooms and scrolls the picture, prints it and reads the text aloud.
.
The package holds three programs: corvane, the general reader, started on the
user's book folder by corvane-book; and two title editions that carry their
book inside: varnholt (Sunzi's Art of War, annotated and translated) and
meriton (six classical prose pieces, annotated and translated).")
set(CPACK_STRIP_FILES TRUE)
set(CPACK_DEBIAN_PACKAGE_SECTION text)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The shared libraries come from dpkg-shlibdeps. Beyond them the windows need a
# Chinese font to stand in for 宋体 (without one every caption is empty boxes);
# the brush font for 隶书 and Qt's Chinese standard-dialog texts are welcome.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-arphic-uming | fonts-wqy-zenhei | fonts-noto-cjk")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-arphic-ukai, qt6-translations-l10n")
set(CPACK_GENERATOR DEB)
include(CPack)
