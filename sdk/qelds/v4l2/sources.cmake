# The V4L2 cameras of qelds. Included by the qelds library (and by its tests): sets
# QELDS_V4L2_SOURCES and QELDS_V4L2_LIBS, and puts the extension-unit map beside the library.
set(QELDS_V4L2_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/HotplugMonitor.cpp
    ${CMAKE_CURRENT_LIST_DIR}/RealV4l2Io.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ReplayIoctl.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ReplayModel.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ReplayPictures.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ReplayV4l2Io.cpp
    ${CMAKE_CURRENT_LIST_DIR}/V4l2Camera.cpp
    ${CMAKE_CURRENT_LIST_DIR}/V4l2Controls.cpp
    ${CMAKE_CURRENT_LIST_DIR}/V4l2Log.cpp
    ${CMAKE_CURRENT_LIST_DIR}/V4l2Probe.cpp
    ${CMAKE_CURRENT_LIST_DIR}/V4l2Source.cpp
    ${CMAKE_CURRENT_LIST_DIR}/V4l2Stream.cpp
    ${CMAKE_CURRENT_LIST_DIR}/XuMap.cpp)
set(QELDS_V4L2_INCLUDE_DIRS ${CMAKE_CURRENT_LIST_DIR})
# Beyond libudev and nlohmann_json (linked by the library already): threads and dladdr.
set(QELDS_V4L2_LIBS Threads::Threads ${CMAKE_DL_LIBS})

set(QELDS_XU_MAP_FILE ${CMAKE_CURRENT_LIST_DIR}/xu_map.json)
configure_file(${QELDS_XU_MAP_FILE} ${CMAKE_LIBRARY_OUTPUT_DIRECTORY}/xu_map.json COPYONLY)
