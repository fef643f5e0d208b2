# Runs at install time, when the prefix is known (CPack stages the package as <stage>/usr).
# <etc> is /etc for the prefix /usr and <prefix>/etc for any other. The administrator's file
# goes to <etc>/xdg/Orbel, the autostart entry to <etc>/xdg/autostart. An administrator's
# file already there is kept: it carries the address of the local service.
if(CMAKE_INSTALL_PREFIX MATCHES "^(.*)/usr/?$")
    set(pelk_etc "${CMAKE_MATCH_1}/etc")
else()
    set(pelk_etc "${CMAKE_INSTALL_PREFIX}/etc")
endif()
set(pelk_admin_ini "${pelk_etc}/xdg/Orbel/PelkUpdater.ini")

if(EXISTS "$ENV{DESTDIR}${pelk_admin_ini}")
    message(STATUS "Keeping: $ENV{DESTDIR}${pelk_admin_ini}")
else()
    file(INSTALL DESTINATION "${pelk_etc}/xdg/Orbel" TYPE FILE RENAME PelkUpdater.ini
         FILES "${PELK_ADMIN_INI_SOURCE}")
endif()
file(INSTALL DESTINATION "${pelk_etc}/xdg/autostart" TYPE FILE FILES "${PELK_AUTOSTART_SOURCE}")
