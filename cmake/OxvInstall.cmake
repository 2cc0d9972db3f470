# Programs are installed as in the build tree: each finds "model/gray.obj"
# (and the viewer its INI file) beside its own executable, so the programs
# and the model folder share a private folder, and bin/ holds links to them
# (a program resolves the link to find its folder).
include(GNUInstallDirs)
set(OXV_INSTALL_APPDIR ${CMAKE_INSTALL_LIBEXECDIR}/oxvell)

function(oxv_install_program target)
  install(TARGETS ${target} RUNTIME DESTINATION ${OXV_INSTALL_APPDIR})
  install(CODE "
    set(bindir \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
    file(MAKE_DIRECTORY \"\${bindir}\")
    file(RELATIVE_PATH target \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\"
         \"\${CMAKE_INSTALL_PREFIX}/${OXV_INSTALL_APPDIR}/${target}\")
    file(CREATE_LINK \"\${target}\" \"\${bindir}/${target}\" SYMBOLIC)
    message(STATUS \"Installing: \${bindir}/${target} -> \${target}\")
  ")
endfunction()
