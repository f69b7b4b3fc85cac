# `cpack -G DEB` in the build directory makes vorlix_VERSION_ARCH.deb from what `cmake --install`
# puts under /usr. The libraries it needs are found by dpkg-shlibdeps; Qt's platform plugins are
# only a recommendation of Qt itself, but without them the window cannot open.
set(CPACK_PACKAGE_NAME vorlix)
set(CPACK_PACKAGE_VENDOR "The VORLIX developers")
set(CPACK_PACKAGE_CONTACT "The VORLIX developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_DESCRIPTION
    "VORLIX works on PlayStation CD images kept as raw .bin files (2352-byte sectors) and their
cue sheets. It finds the movies, XA audio and dummy files of a disc by what their sectors hold
and blanks them in place, so that the image compresses to a fraction of its size. The window is
vorlix; vorlix-cli does the same for scripts.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGE_INSTALL_DIRECTORY vorlix)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
set(CPACK_SOURCE_GENERATOR TGZ)
set(CPACK_SOURCE_IGNORE_FILES "/\\\\.git/" "/build[^/]*/")

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${VORLIX_HOMEPAGE}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
if(VORLIX_BUILD_WINDOW)
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
endif()
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "bash-completion")

include(CPack)
