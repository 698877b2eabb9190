# 3rdaddrclip: its steps with recorded boxes (offscreen), and end to end on Xvfb against a test
# HTTP server on 127.0.0.1.
nw_gtest(3rdaddrclip_test GUI
         SOURCES ${CMAKE_CURRENT_LIST_DIR}/3rdaddrclip_test.cpp ${PROJECT_SOURCE_DIR}/tools/3rdaddrclip.cpp
                 ${PROJECT_SOURCE_DIR}/tests/lookup/http_server.cpp
         LIBS nw_lookup nw_settings nw_platform_gui)
target_compile_definitions(3rdaddrclip_test PRIVATE NW_3RDADDRCLIP_NO_MAIN)
target_include_directories(3rdaddrclip_test PRIVATE ${PROJECT_SOURCE_DIR}/tools ${PROJECT_SOURCE_DIR}/tests/lookup)

nw_script_test(3rdaddrclip_e2e 3rdaddrclip.sh TIMEOUT 180)
