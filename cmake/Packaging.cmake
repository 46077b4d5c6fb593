# The program's files are installed in two layouts by the same rules (ostrel_install_program):
# - component "program", the standard layout of a Linux program (GNUInstallDirs): what a plain
#   `cmake --install` and the Debian package (make deb) put in place, together with the library
#   (component "library", src/lib/CMakeLists.txt): bin/, share/applications/, share/icons/hicolor/,
#   share/man/man1/, share/metainfo/, share/doc/ostrel-qr/ and the program's data in
#   share/ostrel-qr/;
# - component "portable", the archive (make package): one folder holding the program, the
#   command-line tool, the skin and the product's page, so that the program's folder is wherever
#   the user unpacked it (the save window writes there), plus the menu entry, its icon, the script
#   that installs both, and the tool's man page. It is left out of a plain install.
# The binaries use the system's shared libraries: Qt 6 (Gui, Widgets, Svg), zlib and, for the
# tool's --verify, zxing-cpp (Debian 12: libzxing2) and Poppler for Qt 6 (libpoppler-qt6-3),
# with the Ghostscript program for EPS files when it is installed; README.md lists them.
include(GNUInstallDirs)

# The AppStream id: the reverse of the project address's domain (OSTREL_HOMEPAGE).
set(OSTREL_APP_ID example.ostrel.OstrelQR)
set(OSTREL_HOMEPAGE "https://ostrel.example/qr" CACHE STRING
    "The project's web address, named in the AppStream metadata and the Debian package")
set(OSTREL_PACKAGING_DIR ${CMAKE_SOURCE_DIR}/packaging)
set(OSTREL_PACKAGING_OUT ${CMAKE_BINARY_DIR}/packaging)
set(OSTREL_ICON_SIZES 48 128 256)
# The date of this version, for the AppStream metadata (packaging/changelog names it too).
set(OSTREL_RELEASE_DATE 2026-12-09)

# ---- Generated files: man pages, PNG icons, the changelog, the AppStream metadata ----
find_program(HELP2MAN help2man)
find_program(GZIP gzip)
set(OSTREL_MAN_PAGES)
set(OSTREL_GENERATED)
if(TARGET ostrel-qr-cli AND HELP2MAN)
    # The tool's page from its --help.
    set(OSTREL_MAN_PAGE ${OSTREL_PACKAGING_OUT}/ostrel-qr-cli.1)
    add_custom_command(OUTPUT ${OSTREL_MAN_PAGE}
        COMMAND ${HELP2MAN} --no-info --section=1
                --name="encode text as a QR Code symbol"
                --output=${OSTREL_MAN_PAGE} $<TARGET_FILE:ostrel-qr-cli>
        DEPENDS ostrel-qr-cli
        COMMENT "Generating the man page of ostrel-qr-cli")
    list(APPEND OSTREL_MAN_PAGES ${OSTREL_MAN_PAGE})
endif()
if(TARGET ostrel-qr)
    configure_file(${OSTREL_PACKAGING_DIR}/ostrel-qr.1.in ${OSTREL_PACKAGING_OUT}/ostrel-qr.1 @ONLY)
    list(APPEND OSTREL_MAN_PAGES ${OSTREL_PACKAGING_OUT}/ostrel-qr.1)
endif()

# Debian's way: gzip -9n (no name, no time stamp), so that the files are reproducible.
function(ostrel_gzip source output)
    add_custom_command(OUTPUT ${output}
        COMMAND ${GZIP} -9nc ${source} > ${output}
        DEPENDS ${source}
        COMMENT "Compressing ${source}")
    set_property(DIRECTORY APPEND PROPERTY OSTREL_GENERATED_FILES ${output})
endfunction()

set(OSTREL_MAN_PAGES_GZ)
if(GZIP)
    foreach(page IN LISTS OSTREL_MAN_PAGES)
        ostrel_gzip(${page} ${page}.gz)
        list(APPEND OSTREL_MAN_PAGES_GZ ${page}.gz)
    endforeach()
    ostrel_gzip(${OSTREL_PACKAGING_DIR}/changelog ${OSTREL_PACKAGING_OUT}/changelog.gz)
endif()

if(TARGET ostrel-qr)
    find_package(Qt6 REQUIRED COMPONENTS Gui Svg)
    add_executable(ostrel-render-icon ${OSTREL_PACKAGING_DIR}/render-icon.cpp)
    target_link_libraries(ostrel-render-icon PRIVATE Qt6::Gui Qt6::Svg)
    foreach(size IN LISTS OSTREL_ICON_SIZES)
        set(png ${OSTREL_PACKAGING_OUT}/icons/${size}/ostrel-qr.png)
        add_custom_command(OUTPUT ${png}
            COMMAND ${CMAKE_COMMAND} -E make_directory ${OSTREL_PACKAGING_OUT}/icons/${size}
            COMMAND ostrel-render-icon ${OSTREL_PACKAGING_DIR}/ostrel-qr.svg ${size} ${png}
            DEPENDS ostrel-render-icon ${OSTREL_PACKAGING_DIR}/ostrel-qr.svg
            COMMENT "Rendering the ${size} px icon")
        set_property(DIRECTORY APPEND PROPERTY OSTREL_GENERATED_FILES ${png})
    endforeach()
    configure_file(${OSTREL_PACKAGING_DIR}/ostrel-qr.metainfo.xml.in
        ${OSTREL_PACKAGING_OUT}/${OSTREL_APP_ID}.metainfo.xml @ONLY)
endif()
get_directory_property(OSTREL_GENERATED OSTREL_GENERATED_FILES)
add_custom_target(ostrel-packaging-files ALL DEPENDS ${OSTREL_MAN_PAGES} ${OSTREL_GENERATED})

# ---- The program's install rules, for one layout ----
# ostrel_install_program(COMPONENT c [EXCLUDE_FROM_ALL] BIN dir DATA dir DOC dir [MENU dir]
#                        [ICONS dir] [MAN dir] [METAINFO dir] [FLAT])
# FLAT: the portable folder (man page plain, the menu script beside the program); else the
# system's layout (man pages gzipped, PNG icons by size, the AppStream metadata, the copyright
# file and the changelog).
function(ostrel_install_program)
    cmake_parse_arguments(ARG "EXCLUDE_FROM_ALL;FLAT" "COMPONENT;BIN;DATA;DOC;MENU;ICONS;MAN;METAINFO"
                          "" ${ARGN})
    set(common COMPONENT ${ARG_COMPONENT})
    if(ARG_EXCLUDE_FROM_ALL)
        list(APPEND common EXCLUDE_FROM_ALL)
    endif()
    foreach(target ostrel-qr ostrel-qr-cli)
        if(TARGET ${target})
            install(TARGETS ${target} RUNTIME DESTINATION ${ARG_BIN} ${common})
        endif()
    endforeach()
    if(NOT TARGET ostrel-qr)
        return()
    endif()
    install(FILES ${CMAKE_SOURCE_DIR}/src/app/skinh.she ${OSTREL_FORUM_PAGE}
            DESTINATION ${ARG_DATA} ${common})
    install(FILES ${OSTREL_PACKAGING_DIR}/ostrel-qr.desktop DESTINATION ${ARG_MENU} ${common})
    install(FILES ${OSTREL_PACKAGING_DIR}/ostrel-qr.svg DESTINATION ${ARG_ICONS} ${common})
    install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION ${ARG_DOC} ${common})
    if(ARG_FLAT)
        install(PROGRAMS ${OSTREL_PACKAGING_DIR}/install-menu.sh DESTINATION ${ARG_BIN} ${common})
        if(OSTREL_MAN_PAGE)
            install(FILES ${OSTREL_MAN_PAGE} DESTINATION ${ARG_MAN} ${common})
        endif()
        return()
    endif()
    install(FILES ${OSTREL_MAN_PAGES_GZ} DESTINATION ${ARG_MAN} ${common})
    foreach(size IN LISTS OSTREL_ICON_SIZES)
        install(FILES ${OSTREL_PACKAGING_OUT}/icons/${size}/ostrel-qr.png
                DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/${size}x${size}/apps
                ${common})
    endforeach()
    install(FILES ${OSTREL_PACKAGING_OUT}/${OSTREL_APP_ID}.metainfo.xml
            DESTINATION ${ARG_METAINFO} ${common})
    install(FILES ${OSTREL_PACKAGING_DIR}/copyright ${OSTREL_PACKAGING_OUT}/changelog.gz
            DESTINATION ${ARG_DOC} ${common})
endfunction()

ostrel_install_program(COMPONENT program
    BIN ${CMAKE_INSTALL_BINDIR}
    DATA ${CMAKE_INSTALL_DATAROOTDIR}/ostrel-qr
    DOC ${CMAKE_INSTALL_DATAROOTDIR}/doc/ostrel-qr
    MENU ${CMAKE_INSTALL_DATAROOTDIR}/applications
    ICONS ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/scalable/apps
    MAN ${CMAKE_INSTALL_MANDIR}/man1
    METAINFO ${CMAKE_INSTALL_DATAROOTDIR}/metainfo)
ostrel_install_program(COMPONENT portable EXCLUDE_FROM_ALL FLAT
    BIN . DATA . DOC . MENU . ICONS . MAN .)

# ---- Packages ----
# The archive (cpack -G TGZ, make package) holds the portable folder only; the Debian package
# (cpack -G DEB from the deb preset, make deb) holds everything a plain install puts in place.
# cmake/CPackGenerators.cmake sets what differs between the two.
set(CPACK_PACKAGE_NAME ostrel-qr)
set(CPACK_PACKAGE_VENDOR Ostrel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Ostrel二维条码生成器: a QR-code generator")
set(CPACK_PACKAGE_FILE_NAME ostrel-qr-${PROJECT_VERSION}-${CMAKE_SYSTEM_NAME}-${CMAKE_SYSTEM_PROCESSOR})
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
set(OSTREL_PORTABLE_PROJECT "${CMAKE_BINARY_DIR};${PROJECT_NAME};portable;/")
set(OSTREL_DEB_DESCRIPTION_FILE ${OSTREL_PACKAGING_DIR}/debian/description)
configure_file(${CMAKE_SOURCE_DIR}/cmake/CPackGenerators.cmake.in
    ${CMAKE_BINARY_DIR}/CPackGenerators.cmake @ONLY)
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_BINARY_DIR}/CPackGenerators.cmake)
set(CPACK_GENERATOR TGZ)
include(CPack)
