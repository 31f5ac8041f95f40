# The Debian package: `make package` (CPack's DEB generator) packs what
# cmake/Install.cmake installs, below /usr, into build/wordlark_2.0_amd64.deb.
# The dependencies on shared libraries are computed from the executables with
# dpkg-shlibdeps; what they load at run time without linking it is named here.
set(WORDLARK_PACKAGE_MAINTAINER "Wordlark maintainers <maintainers@wordlark.example.org>"
  CACHE STRING "Maintainer field of the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME wordlark)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Wordlark developers")
set(CPACK_PACKAGE_CONTACT ${WORDLARK_PACKAGE_MAINTAINER})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})
# Every install rule is of the default component; naming it makes CPack keep
# its own manifest (install_manifest_Unspecified.txt), so packing never
# overwrites the install_manifest.txt of a `make install`.
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};${PROJECT_NAME};Unspecified;/")
# Debug information stays in the build; the package gets stripped programs.
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${WORDLARK_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION web)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Pictures in more formats (banners named .webp or .tiff), and the desktop's
# opener for web addresses, which the browser buttons hand their links to.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-image-formats-plugins, xdg-utils")

# The summary becomes the description's first line; CPack indents the rest as
# the control file wants it.
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "sales letter writer for the web")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "\
Wordlark helps a small online seller write a sales letter for the web. An
eight-step wizard collects the page's general settings, the headline and
introduction, the product and its features, testimonials, the closing words
with a postscript, and the ways to order. The last step fills a page template
and saves a standalone web page, with the local pictures copied beside it.

Work in progress is kept in letter files (*.set), which open in the program
from the file manager. wordlark-render renders a letter from the command
line; wordlark-brand prepares the files a reseller ships in the program
folder, /usr/lib/wordlark.")

include(CPack)
