# Runs at install time, when the prefix is known (CPack stages the package as <stage>/usr).
# The INI file is configuration: it goes to <etc>/pelkupdater, and the program folder links
# to it, so that the program still finds it beside itself. <etc> is /etc for the prefix /usr
# and <prefix>/etc for any other. The autostart entry goes to <etc>/xdg/autostart.
# An INI file already there is kept: it may carry the address of the local service.
if(CMAKE_INSTALL_PREFIX MATCHES "^(.*)/usr/?$")
    set(pelk_etc "${CMAKE_MATCH_1}/etc")
else()
    set(pelk_etc "${CMAKE_INSTALL_PREFIX}/etc")
endif()
set(pelk_ini "${pelk_etc}/pelkupdater/PelkUpdater.ini")
set(pelk_program_dir "${CMAKE_INSTALL_PREFIX}/${PELK_PROGRAM_DIR}")

if(EXISTS "$ENV{DESTDIR}${pelk_ini}")
    message(STATUS "Keeping: $ENV{DESTDIR}${pelk_ini}")
else()
    file(INSTALL DESTINATION "${pelk_etc}/pelkupdater" TYPE FILE FILES "${PELK_INI_SOURCE}")
endif()
file(INSTALL DESTINATION "${pelk_etc}/xdg/autostart" TYPE FILE FILES "${PELK_AUTOSTART_SOURCE}")

file(RELATIVE_PATH pelk_link_target "${pelk_program_dir}" "${pelk_ini}")
set(pelk_link "$ENV{DESTDIR}${pelk_program_dir}/PelkUpdater.ini")
message(STATUS "Linking: ${pelk_link} -> ${pelk_link_target}")
file(MAKE_DIRECTORY "$ENV{DESTDIR}${pelk_program_dir}")
file(REMOVE "${pelk_link}")
file(CREATE_LINK "${pelk_link_target}" "${pelk_link}" SYMBOLIC)
list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${pelk_link}")
