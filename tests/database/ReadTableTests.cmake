add_library(velkaro_readtable_fixtures STATIC
    ${CMAKE_CURRENT_LIST_DIR}/ReadTableFixtures.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ReadTableFixtures.h)
target_link_libraries(velkaro_readtable_fixtures PUBLIC velkaro_database velkaro_jet4 Qt6::Test)

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

velkaro_add_test(tst_readtable_text SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_readtable_text.cpp
    LIBS velkaro_readtable_fixtures mkbase_test_support)
# A file Access wrote; compared when present, never shipped.
target_compile_definitions(tst_readtable_text PRIVATE
    VELKARO_ACCESS_MADE_MDB="${PROJECT_SOURCE_DIR}/../shared/reference/access-made-jet4.mdb")
add_dependencies(tst_readtable_text velkaro-reader)
