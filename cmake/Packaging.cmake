# The Debian package: cpack -G DEB in the build folder, or bash scripts/package.sh.
#
# The program and the data tool live in a folder of their own, /usr/lib/varneldispatchduzudu, with a marker
# file beside them that sends the data to each user's application data folder; /usr/bin has links to both.
# The desktop entry starts the program from the desktop menu; the manual lies in /usr/share/doc.

set(VD_PACKAGE varneldispatchduzudu)
set(VD_LIBDIR lib/${VD_PACKAGE})

install(TARGETS VarnelDispatchDuzudu dispatch-data RUNTIME DESTINATION ${VD_LIBDIR})
install(FILES packaging/data-in-user-folder DESTINATION ${VD_LIBDIR})
install(CODE "
    set(_bin \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin\")
    file(MAKE_DIRECTORY \"\${_bin}\")
    file(CREATE_LINK ../${VD_LIBDIR}/VarnelDispatchDuzudu \"\${_bin}/${VD_PACKAGE}\" SYMBOLIC)
    file(CREATE_LINK ../${VD_LIBDIR}/dispatch-data \"\${_bin}/dispatch-data\" SYMBOLIC)
")
install(FILES packaging/${VD_PACKAGE}.desktop DESTINATION share/applications)
foreach(_size 48 64 128 256)
    install(FILES packaging/icons/${_size}x${_size}.png DESTINATION share/icons/hicolor/${_size}x${_size}/apps
            RENAME ${VD_PACKAGE}.png)
endforeach()
file(GLOB _doc_pictures CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/docs/*.png)
install(FILES docs/manual.md README.md packaging/copyright ${_doc_pictures} DESTINATION share/doc/${VD_PACKAGE})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${VD_PACKAGE})
set(CPACK_PACKAGE_VENDOR "Varnel")
set(CPACK_PACKAGE_CONTACT "VarnelDispatchDuzudu developers <dispatch@varnel.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Dispatch, scheduling and invoicing for small service businesses")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Keeps customer accounts, the services catalogue and technicians or crews; writes numbered service slips, "
    "schedules them without double bookings, follows them on a dispatch board, finalizes and posts them, and "
    "prints invoices, service orders and reports. Includes the dispatch-data tool.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The Qt libraries come from the shared-library scan; the window system and the fonts the windows and the
# printed documents use are not libraries it can see.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-dejavu-core")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-liberation2")
set(CPACK_OUTPUT_FILE_PREFIX ${CMAKE_BINARY_DIR}/package)
include(CPack)
