# 3rdaddrclip: the WAN address, looked up with the lookup settings of netwarden.ini, to the
# clipboard and a message box. Loads libtextcut.so and libkanjiconv.so from its folder.
add_executable(3rdaddrclip ${CMAKE_CURRENT_LIST_DIR}/3rdaddrclip.cpp)
target_link_libraries(3rdaddrclip PRIVATE nw_lookup nw_settings nw_platform_gui Qt6::Widgets)
install(TARGETS 3rdaddrclip RUNTIME DESTINATION ${NW_INSTALL_DIR})
