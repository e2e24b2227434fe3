# The Debian package (cpack -G DEB) of the system install: the programs, their
# private library, the launchers, icons, AppStream entry, manual pages, bash
# completion and the user guide.

# Debian's documentation files for the package.
set(debian_doc ${CMAKE_BINARY_DIR}/debian-doc)
file(MAKE_DIRECTORY ${debian_doc})
add_custom_command(OUTPUT ${debian_doc}/changelog.gz
  COMMAND gzip -9nc ${PROJECT_SOURCE_DIR}/installer/debian/changelog > ${debian_doc}/changelog.gz
  DEPENDS ${PROJECT_SOURCE_DIR}/installer/debian/changelog VERBATIM)
add_custom_target(debian_changelog ALL DEPENDS ${debian_doc}/changelog.gz)
install(FILES ${PROJECT_SOURCE_DIR}/installer/debian/copyright ${debian_doc}/changelog.gz
  DESTINATION share/doc/sonavert)
install(FILES ${PROJECT_SOURCE_DIR}/installer/debian/lintian-overrides
  DESTINATION share/lintian/overrides RENAME sonavert)

# libtonekit.so binds FFmpeg, SDL2 and LAME by name at run time, so
# dpkg-shlibdeps cannot see them: their packages are named here from the
# libraries' major versions (a packaging test checks that each package holds
# the library that is loaded).
string(REGEX MATCH "^[0-9]+" avformat_major "${FFMPEG_libavformat_VERSION}")
string(REGEX MATCH "^[0-9]+" avcodec_major "${FFMPEG_libavcodec_VERSION}")
string(REGEX MATCH "^[0-9]+" avutil_major "${FFMPEG_libavutil_VERSION}")
string(REGEX MATCH "^[0-9]+" swresample_major "${FFMPEG_libswresample_VERSION}")
set(SONAVERT_RUNTIME_PACKAGES libavformat${avformat_major} libavcodec${avcodec_major}
  libavutil${avutil_major} libswresample${swresample_major} libsdl2-2.0-0 libmp3lame0
  qt6-qpa-plugins)
list(JOIN SONAVERT_RUNTIME_PACKAGES ", " runtime_depends)

set(CPACK_PACKAGE_NAME sonavert)
set(CPACK_PACKAGE_VENDOR "The Sonavert developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION}.0)
set(CPACK_PACKAGE_CONTACT "Sonavert developers <developers@sonavert.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "audio converter for WAV, MP3, WMA and audio CDs")
set(CPACK_PACKAGE_DESCRIPTION "Sonavert converts a list of WAV, MP3 and WMA files and
audio-CD tracks to MP3, WMA or WAV in one run, with a preview player, a search
for audio files and Wavshift, a resampler for WAV files.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://sonavert.org")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "${runtime_depends}")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-liberation2")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
