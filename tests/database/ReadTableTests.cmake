add_library(velkaro_readtable_fixtures STATIC
    ${CMAKE_CURRENT_LIST_DIR}/ReadTableFixtures.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ReadTableFixtures.h)
target_link_libraries(velkaro_readtable_fixtures PUBLIC velkaro_database velkaro_mkbase Qt6::Test)

velkaro_add_test(tst_readtable SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_readtable.cpp
    LIBS velkaro_readtable_fixtures)
add_dependencies(tst_readtable velkaro-reader)

velkaro_add_test(tst_readtable_badfiles SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_readtable_badfiles.cpp
    LIBS velkaro_readtable_fixtures)
add_dependencies(tst_readtable_badfiles velkaro-reader)

velkaro_add_test(tst_readtable_mutation SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_readtable_mutation.cpp
    LIBS velkaro_readtable_fixtures)
add_dependencies(tst_readtable_mutation velkaro-reader)

velkaro_add_test(tst_readtable_parts SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_readtable_parts.cpp
    LIBS velkaro_readtable_fixtures)
add_dependencies(tst_readtable_parts velkaro-reader)

