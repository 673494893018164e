# What `cmake --install` puts where, in the places a Linux desktop looks.
install(TARGETS qd40-control qd40-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
