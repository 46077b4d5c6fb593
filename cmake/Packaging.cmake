# Two install components. "program" is a portable archive: one folder holding the program, the
# command-line tool, the skin and the product's page (forum.html), so that the program's folder is
# wherever the user unpacked it (the save window writes there), plus the menu entry, its icon, the
# script that installs both, and the tool's man page. The binaries use the system's shared
# libraries: Qt 6 (Gui, Widgets, Svg), zlib and, for the tool's --verify, zxing-cpp (Debian 12:
# libzxing2) and Poppler for Qt 6 (libpoppler-qt6-3, rendering PDF files), with the Ghostscript
# program for EPS files when it is installed; README.md lists them for the user. "library" is the encoder for developers
# (src/lib/CMakeLists.txt).
set(OSTREL_PACKAGE_FILES
    ${CMAKE_SOURCE_DIR}/packaging/ostrel-qr.desktop
    ${CMAKE_SOURCE_DIR}/packaging/ostrel-qr.svg
    ${CMAKE_SOURCE_DIR}/README.md)

foreach(target ostrel-qr ostrel-qr-cli)
    if(TARGET ${target})
        install(TARGETS ${target} RUNTIME DESTINATION . COMPONENT program)
    endif()
endforeach()
if(TARGET ostrel-qr)
    install(FILES ${CMAKE_SOURCE_DIR}/src/app/skinh.she ${OSTREL_FORUM_PAGE} DESTINATION .
            COMPONENT program)
endif()
install(FILES ${OSTREL_PACKAGE_FILES} DESTINATION . COMPONENT program)
install(PROGRAMS ${CMAKE_SOURCE_DIR}/packaging/install-menu.sh DESTINATION . COMPONENT program)

# The man page is generated from --help by help2man, when it is installed.
find_program(HELP2MAN help2man)
if(TARGET ostrel-qr-cli AND HELP2MAN)
    set(OSTREL_MAN_PAGE ${CMAKE_BINARY_DIR}/ostrel-qr-cli.1)
    add_custom_command(OUTPUT ${OSTREL_MAN_PAGE}
        COMMAND ${HELP2MAN} --no-info --section=1
                --name="encode text as a QR Code symbol"
                --output=${OSTREL_MAN_PAGE} $<TARGET_FILE:ostrel-qr-cli>
        DEPENDS ostrel-qr-cli
        COMMENT "Generating the man page of ostrel-qr-cli")
    add_custom_target(ostrel-qr-cli-man ALL DEPENDS ${OSTREL_MAN_PAGE})
    install(FILES ${OSTREL_MAN_PAGE} DESTINATION . COMPONENT program)
endif()

# The archive holds the program's folder only; the library is installed with
# `make install PREFIX=...`.
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};${PROJECT_NAME};program;/")
set(CPACK_GENERATOR TGZ)
set(CPACK_PACKAGE_NAME ostrel-qr)
set(CPACK_PACKAGE_VENDOR Ostrel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Ostrel二维条码生成器: a QR-code generator")
set(CPACK_PACKAGE_FILE_NAME ostrel-qr-${PROJECT_VERSION}-${CMAKE_SYSTEM_NAME}-${CMAKE_SYSTEM_PROCESSOR})
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
include(CPack)
