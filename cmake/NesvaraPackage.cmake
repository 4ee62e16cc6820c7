# The Debian package, built by `cpack -G DEB` in the build folder (scripts/build-deb.sh).
# Its dependencies on Qt, SDL2 and libmpg123 are found by dpkg-shlibdeps from what the
# executable links; Qt's platform plugins are loaded at run time, so their package is named.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME nesvara)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Nesvara <nesvara@nesvara.example>")
set(CPACK_PACKAGE_VENDOR "Nesvara")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "проигрыватель медитаций с голосом инструктора")
# The first line of the package's description is the summary above; CPack indents the rest.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION [=[
Nesvara ведёт медитацию голосом инструктора: девять техник, два голоса,
подготовка к медитации, музыка и фоновые звуки природы. Пока идёт медитация,
компьютер не уходит в спящий режим; после неё программа может выключить
компьютер с обратным отсчётом.]=])
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "http://www.nesvara.example/")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# Only what `cmake --install` puts in place: the build's tests and benchmarks stay out.
set(CPACK_STRIP_FILES ON)
include(CPack)
