# What `cmake --install` puts under the prefix, laid out the freedesktop way,
# and the Debian package `cpack -G DEB` makes of it.
#
# Programs go to bin from the one list AURELIS_PROGRAMS (component "programs"),
# the internal helper to libexec/aurelis; everything else, from data/, is
# component "data": desktop entries, icons, AppStream metainfo, the catalogue's
# MIME type, manual pages, the copyright and changelog, and the demo book.
include(GNUInstallDirs)

install(TARGETS ${AURELIS_PROGRAMS} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT programs)

# aurelis-metafile is started by the reader only, never by a user: it stays off
# PATH, and the reader finds it from its own folder, wherever the tree was moved.
set(AURELIS_HELPER_DIR ${CMAKE_INSTALL_LIBEXECDIR}/${PROJECT_NAME})
install(TARGETS aurelis-metafile RUNTIME DESTINATION ${AURELIS_HELPER_DIR} COMPONENT programs)
file(RELATIVE_PATH _bin_to_helper /prefix/${CMAKE_INSTALL_BINDIR} /prefix/${AURELIS_HELPER_DIR})
target_compile_definitions(platform_core PRIVATE AURELIS_BIN_TO_HELPER="${_bin_to_helper}")

set(_data ${PROJECT_SOURCE_DIR}/data)
set(_ids org.aurelis.corvane org.aurelis.varnholt org.aurelis.meriton)
set(_icons ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
foreach(id IN LISTS _ids)
  install(FILES ${_data}/${id}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT data)
  install(FILES ${_data}/icons/${id}.svg DESTINATION ${_icons}/scalable/apps COMPONENT data)
  # The drawing scaled down is a blur at the smallest sizes: they have their own.
  foreach(size 16 24)
    install(FILES ${_data}/icons/${size}/${id}.svg DESTINATION ${_icons}/${size}x${size}/apps COMPONENT data)
  endforeach()
  install(FILES ${_data}/${id}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo COMPONENT data)
endforeach()
# docitem.txt as a type of its own, so a file manager offers corvane for a book.
install(FILES ${_data}/aurelis.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages COMPONENT data)

# corvane reads the folder it runs in; its launcher picks that folder and seeds
# the user's own one from the demo book, found relative to the launcher so the
# installed tree can be moved.
set(AURELIS_DEMO_BOOK_DIR ${CMAKE_INSTALL_DATADIR}/${PROJECT_NAME}/demo-book)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/samples/book/ DESTINATION ${AURELIS_DEMO_BOOK_DIR} COMPONENT data)
file(RELATIVE_PATH _bin_to_demo_book /prefix/${CMAKE_INSTALL_BINDIR} /prefix/${AURELIS_DEMO_BOOK_DIR})
target_compile_definitions(corvane-book PRIVATE AURELIS_BIN_TO_DEMO_BOOK="${_bin_to_demo_book}")

# Manual pages, English and Chinese, written in scdoc and compressed as Debian
# wants them; one page for each program on PATH.
find_program(AURELIS_SCDOC scdoc REQUIRED)
set(_pages)
foreach(lang en zh_CN)
  if(lang STREQUAL "en")
    set(_mandir ${CMAKE_INSTALL_MANDIR}/man1)
  else()
    set(_mandir ${CMAKE_INSTALL_MANDIR}/${lang}/man1)
  endif()
  foreach(program IN LISTS AURELIS_PROGRAMS)
    set(_source ${_data}/man/${lang}/${program}.1.scd)
    set(_page ${PROJECT_BINARY_DIR}/man/${lang}/${program}.1.gz)
    add_custom_command(OUTPUT ${_page}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man/${lang}
      COMMAND sh ${_data}/man/manual-page.sh ${AURELIS_SCDOC} ${_source} ${_page}
      DEPENDS ${_source} ${_data}/man/manual-page.sh VERBATIM)
    list(APPEND _pages ${_page})
    install(FILES ${_page} DESTINATION ${_mandir} COMPONENT data)
  endforeach()
endforeach()
add_custom_target(manual_pages ALL DEPENDS ${_pages})

# The package's copyright and changelog, where Debian keeps them.
set(_changelog ${PROJECT_BINARY_DIR}/changelog.gz)
add_custom_command(OUTPUT ${_changelog}
  COMMAND sh -c "gzip -9n <\"$1\" >\"$2\"" sh ${_data}/changelog ${_changelog}
  DEPENDS ${_data}/changelog VERBATIM)
add_custom_target(package_changelog ALL DEPENDS ${_changelog})
install(FILES ${_data}/copyright ${_changelog} DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT data)

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
