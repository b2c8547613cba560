# mnx_net: the socket layer of the face link, POSIX or Winsock behind the same functions. Included by
# face/CMakeLists.txt and by the Windows cross build, which has no Qt.
set(MNX_NET_DIR ${CMAKE_CURRENT_LIST_DIR})
if(WIN32)
    add_library(mnx_net STATIC ${MNX_NET_DIR}/SocketWinsock.cpp)
    target_link_libraries(mnx_net PUBLIC ws2_32)
else()
    add_library(mnx_net STATIC ${MNX_NET_DIR}/SocketPosix.cpp)
endif()
get_filename_component(MNX_NET_ROOT ${MNX_NET_DIR} DIRECTORY)
target_include_directories(mnx_net PUBLIC ${MNX_NET_ROOT})
mnx_warnings(mnx_net)
