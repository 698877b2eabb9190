# 1staddrclip: the first local address to the clipboard and a message box.
add_executable(1staddrclip ${CMAKE_CURRENT_LIST_DIR}/1staddrclip.cpp)
target_link_libraries(1staddrclip PRIVATE nw_platform_gui)
install(TARGETS 1staddrclip RUNTIME DESTINATION ${NW_INSTALL_DIR})
