# Run by CPack before it makes the Debian package: Debian keeps games in /usr/games, so the
# package's programs move there from usr/bin (an install tree keeps bin), and systemd units in
# /lib/systemd/system. The game finds its data at ../share/velmora from either.
set(root "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/usr")
file(GLOB programs "${root}/bin/*")
file(MAKE_DIRECTORY "${root}/games")
foreach(program ${programs})
  get_filename_component(name "${program}" NAME)
  file(RENAME "${program}" "${root}/games/${name}")
endforeach()
file(REMOVE_RECURSE "${root}/bin")
# The server's unit names it where the package puts it, and lies where Debian 12 keeps units.
set(units "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/lib/systemd/system")
file(MAKE_DIRECTORY "${units}")
file(READ "${root}/lib/systemd/system/velmora-server.service" text)
string(REGEX REPLACE "ExecStart=[^ ]*/velmora-server" "ExecStart=/usr/games/velmora-server" text
                     "${text}")
file(WRITE "${units}/velmora-server.service" "${text}")
file(REMOVE_RECURSE "${root}/lib")
