# cmake --install: the driver library, the programs that use it and the
# examples they plot.
if(WIN32)
  install(TARGETS trnkv_p adihost RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  return()
endif()
install(TARGETS trnkv_p LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}/trnkv_p)
install(TARGETS adihost jobview RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY examples/ DESTINATION ${CMAKE_INSTALL_DATADIR}/trnkv_p/examples)
install(FILES docs/man/adihost.1 docs/man/jobview.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
