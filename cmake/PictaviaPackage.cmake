# What an installation holds besides the programs' own install rules (man pages, the AppStream
# metainfo, the sample scenes), and the Debian package `cpack -G DEB` makes of it in the build tree.
include_guard(GLOBAL)
include(GNUInstallDirs)

# Man pages compressed, as Debian keeps them; -n leaves the name and time out, so the same page
# gives the same bytes.
set(man_pages)
foreach(page pictavia.1 pictavia-cli.1)
  set(source "${PROJECT_SOURCE_DIR}/data/man/${page}")
  set(compressed "${CMAKE_BINARY_DIR}/man/${page}.gz")
  add_custom_command(
    OUTPUT "${compressed}"
    COMMAND ${CMAKE_COMMAND} -E make_directory "${CMAKE_BINARY_DIR}/man"
    COMMAND sh -c "gzip -9 -n -c \"$1\" > \"$2\"" sh "${source}" "${compressed}"
    DEPENDS "${source}"
    VERBATIM)
  list(APPEND man_pages "${compressed}")
endforeach()
add_custom_target(pictavia_man_pages ALL DEPENDS ${man_pages})
install(FILES ${man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

install(FILES "${PROJECT_SOURCE_DIR}/data/io.github.pictavia.Pictavia.metainfo.xml"
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
# The scenes name the pictures as ../BackGround_Photo/..., beside the data folders.
install(DIRECTORY "${PICTAVIA_RUNTIME_DIR}/examples" DESTINATION ${CMAKE_INSTALL_DATADIR}/pictavia
        OPTIONAL)

set(PICTAVIA_PACKAGE_MAINTAINER "The Pictavia developers <pictavia@invalid>"
    CACHE STRING "The Maintainer field of the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME pictavia)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Pictavia developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "photo-collage editor")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${PICTAVIA_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
string(CONCAT CPACK_DEBIAN_PACKAGE_DESCRIPTION
       "Put photos, clips with transparency, colour bars and text together on a canvas; move,\n"
       "resize, turn, mirror and fade them, give photos soft or shaped edges, and save the\n"
       "collage as BMP or export it as PNG or JPEG. pictavia-cli converts pictures and renders\n"
       "collages from scene files without a window.")
# The libraries the programs link, as dpkg-shlibdeps finds them; the fonts scenes ask for by
# name (Arial, Times New Roman) have metric twins there.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-liberation2, fonts-dejavu-core")
include(CPack)

if(PICTAVIA_BUILD_TESTS)
  # Skipped (77) where the tools are missing.
  add_test(NAME package_contents
           COMMAND "${PROJECT_SOURCE_DIR}/scripts/check-package.sh" "${CMAKE_BINARY_DIR}")
  add_test(NAME metainfo_valid
           COMMAND sh -c "command -v appstreamcli >/dev/null || exit 77; appstreamcli validate --no-net \"$1\""
                   sh "${PROJECT_SOURCE_DIR}/data/io.github.pictavia.Pictavia.metainfo.xml")
  # groff says nothing about a page without mistakes.
  add_test(NAME man_pages_format
           COMMAND sh -c "command -v groff >/dev/null || exit 77; for page; do out=$(LC_ALL=C.UTF-8 groff -man -Tutf8 -ww -z \"$page\" 2>&1); [ -z \"$out\" ] || { echo \"$page: $out\"; exit 1; }; done"
                   sh "${PROJECT_SOURCE_DIR}/data/man/pictavia.1" "${PROJECT_SOURCE_DIR}/data/man/pictavia-cli.1")
  set_tests_properties(package_contents metainfo_valid man_pages_format PROPERTIES SKIP_RETURN_CODE 77)
  set_tests_properties(package_contents PROPERTIES TIMEOUT 300)
endif()
