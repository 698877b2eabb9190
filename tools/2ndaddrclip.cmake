# 2ndaddrclip: the host address library's address to the clipboard and a message box.
add_executable(2ndaddrclip ${CMAKE_CURRENT_LIST_DIR}/2ndaddrclip.cpp)
target_link_libraries(2ndaddrclip PRIVATE nw_platform_gui nw_hostaddr_client)
# Only the shared libraries it calls: the platform layer's unused services (the page fetch and
# its TLS stack) would otherwise be loaded at every start.
target_link_options(2ndaddrclip PRIVATE LINKER:--as-needed)
install(TARGETS 2ndaddrclip RUNTIME DESTINATION ${NW_INSTALL_DIR})
