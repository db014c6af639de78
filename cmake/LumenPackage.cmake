# Installation and the Debian package: the two programs, a man page for each
# made from its --help by help2man, and a desktop entry for the player.
# `cmake --install build` installs them; `cd build && cpack -G DEB` packs them.
include(GNUInstallDirs)

set(LUMEN_PACKAGE_VERSION "0.1.0")

install(TARGETS lumen lumenkit RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/dist/lumen.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)

# Man pages: help2man runs each program's --help, so the page never drifts from
# what the program says. Debian ships them compressed, reproducibly (gzip -n).
find_program(HELP2MAN help2man)
if(HELP2MAN)
  set(lumen_man_pages)
  foreach(program IN ITEMS lumen lumenkit)
    if(program STREQUAL "lumen")
      set(summary "play the real-time audiovisual show Lumen")
    else()
      set(summary "tools for Lumen's packs, textures, songs and frames")
    endif()
    set(page ${CMAKE_CURRENT_BINARY_DIR}/man/${program}.1)
    add_custom_command(OUTPUT ${page}.gz
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/man
      COMMAND ${CMAKE_COMMAND} -E env SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy
              ${HELP2MAN} --no-info --no-discard-stderr --section=1
              --version-string=${LUMEN_PACKAGE_VERSION} --name=${summary}
              --output=${page} $<TARGET_FILE:${program}>
      COMMAND gzip -9nf ${page}
      DEPENDS ${program}
      COMMENT "Man page for ${program} from its --help"
      VERBATIM)
    list(APPEND lumen_man_pages ${page}.gz)
  endforeach()
  add_custom_target(man_pages ALL DEPENDS ${lumen_man_pages})
  install(FILES ${lumen_man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
else()
  message(WARNING "help2man not found (Debian package help2man): the install and the package will have no man pages")
endif()

set(CPACK_PACKAGE_NAME lumen)
set(CPACK_PACKAGE_VERSION ${LUMEN_PACKAGE_VERSION})
set(CPACK_PACKAGE_CONTACT "Lumen developers <lumen@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "real-time audiovisual show with a synthesised soundtrack")
set(CPACK_PACKAGE_DESCRIPTION
  "Lumen builds every texture, mesh and 3D scene of its show from generator\n\
instructions compiled into the program, synthesises the instruments of its\n\
tracker soundtrack, and plays a scripted timeline in time with the music,\n\
full screen, in a window, or headless on Mesa's software renderer.\n\
lumenkit writes, inspects and renders packs, textures, songs and frames.")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# dpkg-shlibdeps finds the libraries the programs link. What it cannot see:
# SDL loads the GL (GLX) and EGL libraries at run time, and the Text operation's
# pixels depend on the metric-compatible fonts fontconfig finds.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libgl1, libegl1, fonts-liberation2, fonts-dejavu-core")
# ffmpeg encodes `lumenkit render`; Mesa's drivers draw when there is no GPU
# driver of the machine's own, and always headless.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "ffmpeg, libgl1-mesa-dri")
include(CPack)
