target_sources(velkaro_database PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/ProcessCpuTime.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ProcessCpuTime.h
    ${CMAKE_CURRENT_LIST_DIR}/ReadTable.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ReadTableDecoder.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ReadTableDecoder.h
    ${CMAKE_CURRENT_LIST_DIR}/ReadTableSettings.h
    ${CMAKE_CURRENT_LIST_DIR}/ReadWholeTable.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ReadWholeTable.h
    ${CMAKE_CURRENT_LIST_DIR}/ReaderRun.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ReaderRun.h
    ${CMAKE_CURRENT_LIST_DIR}/ReaderProtocol.h)
