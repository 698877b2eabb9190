# 1staddrclip: the first local address to the clipboard and a message box.
add_executable(1staddrclip ${CMAKE_CURRENT_LIST_DIR}/1staddrclip.cpp)
target_link_libraries(1staddrclip PRIVATE nw_platform_gui)
# Only the shared libraries it calls: the platform layer's unused services (the page fetch and
# its TLS stack) would otherwise be loaded at every start.
target_link_options(1staddrclip PRIVATE LINKER:--as-needed)
install(TARGETS 1staddrclip RUNTIME DESTINATION ${NW_INSTALL_DIR})
