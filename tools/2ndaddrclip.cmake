# 2ndaddrclip: the host address library's address to the clipboard and a message box.
add_executable(2ndaddrclip ${CMAKE_CURRENT_LIST_DIR}/2ndaddrclip.cpp)
target_link_libraries(2ndaddrclip PRIVATE nw_platform_gui nw_hostaddr_client)
install(TARGETS 2ndaddrclip RUNTIME DESTINATION ${NW_INSTALL_DIR})
