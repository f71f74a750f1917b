# The Debian package: cpack -G DEB in a build folder (see the README). It holds what
# cmake --install installs; its Depends are computed from the programs' libraries.

set(KW_PACKAGE_MAINTAINER "Kontrollwerk-Entwicklung <kontrollwerk@example.org>" CACHE STRING
    "Maintainer field of the Debian package: Name <address>")

# The values reach CPack as written (the description has quotation marks).
set(CPACK_VERBATIM_VARIABLES ON)
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kontrollwerk)
set(CPACK_PACKAGE_VENDOR Kontrollwerk)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${KW_PACKAGE_MAINTAINER})
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${KW_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's own German texts (standard buttons, file dialogs); the programs run without them.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-translations-l10n)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# First line: the synopsis; then the English and the German description.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION [=[self-test generator and bus test tool for a modular test rack
tarvik learns the card configuration of a modular in-circuit and functional
test rack, over the bus or from the user, and generates the rack's self-test
project folders ("Testmappen") from the installed templates. korvane sends
and receives single bus words, records and replays sequence files, runs them
unattended and runs the bus adapters' self-tests. testsystem-sim simulates
the bus adapters and a rack, for demonstrations and training.

Werkzeuge für ein modulares Testsystem: tarvik liest den Ausbau des
Testsystems über den Bus oder lässt ihn zusammenstellen und generiert daraus
die Selbsttest-Testmappen. korvane sendet und empfängt einzelne Buswörter,
zeichnet Abläufe auf, führt sie aus und testet die Busadapter.
testsystem-sim simuliert Busadapter und Testsystem.]=])

include(CPack)
