# The Debian package: everything `cmake --install` puts under the prefix, with the run-time
# dependencies that dpkg-shlibdeps reads off every installed ELF file.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zepim)
set(CPACK_PACKAGE_VENDOR "Corvane")
set(CPACK_PACKAGE_CONTACT "ZEP Instant Messenger team <zepim@example.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Instant messenger for the mail server's messaging service")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The package's version is the project's with the revision of the newest entry in its
# changelog, which must be that version's: a new version needs a new entry.
file(STRINGS ${PROJECT_SOURCE_DIR}/resources/package/changelog ZEP_CHANGELOG_TOP LIMIT_COUNT 1)
if(NOT ZEP_CHANGELOG_TOP MATCHES "^zepim \\(([^)-]+)-([^)]+)\\) ")
    message(FATAL_ERROR "resources/package/changelog does not begin with an entry for zepim")
endif()
if(NOT CMAKE_MATCH_1 STREQUAL PROJECT_VERSION)
    message(FATAL_ERROR "resources/package/changelog begins with version ${CMAKE_MATCH_1}, the "
        "project is ${PROJECT_VERSION}: add an entry for ${PROJECT_VERSION}")
endif()
set(CPACK_DEBIAN_PACKAGE_RELEASE ${CMAKE_MATCH_2})
# CPack puts the summary above as the synopsis and this below it, indented.
string(JOIN "\n" CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "ZEP Instant Messenger shows the contacts of the suite's messaging server with"
    "their presence, holds one-to-one and multi-party conversations, sends e-mail,"
    "SMS and pager messages to contacts who are offline and lives in the desktop's"
    "notification area. It includes the command line clients zepim-cli and"
    "zepim-ctl and the mail-client add-in library.")
# Debug information stays in the build tree.
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Opened with dlopen, so no ELF file names them: X11 and its idle-time extension, read by the
# activity monitor, and Qt's SQLite driver, which keeps the conversation history.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libx11-6, libxss1, libqt6sql6-sqlite")
# Qt's own German texts for its standard dialogs and buttons; the session bus for the control
# interface; xdg-open for the help pages; Qt's Wayland platform, to run as a Wayland program in
# a Wayland session; libproxy (opened with dlopen) and its plug-ins that read the desktop's
# proxy setting (GNOME, KDE, NetworkManager); the spelling dictionaries of the two interface
# languages; the emoji and their names for the picker, and a font that draws them.
string(JOIN ", " CPACK_DEBIAN_PACKAGE_RECOMMENDS
    dbus-user-session xdg-utils qt6-translations-l10n qt6-wayland
    libproxy1v5 libproxy1-plugin-gsettings libproxy1-plugin-kconfig
    libproxy1-plugin-networkmanager hunspell-en-us hunspell-de-de unicode-data
    fonts-noto-color-emoji)
include(CPack)
