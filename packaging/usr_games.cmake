# Run by CPack before it makes the Debian package: Debian keeps games in /usr/games, so the
# package's programs move there from usr/bin (an install tree keeps bin). The game finds its data
# at ../share/velmora from either.
set(root "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/usr")
file(GLOB programs "${root}/bin/*")
file(MAKE_DIRECTORY "${root}/games")
foreach(program ${programs})
  get_filename_component(name "${program}" NAME)
  file(RENAME "${program}" "${root}/games/${name}")
endforeach()
file(REMOVE_RECURSE "${root}/bin")
