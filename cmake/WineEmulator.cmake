# Runs the programs of a Windows build under Wine: custom commands and tests get cmake/wine-run.sh, made for this
# build, as their emulator. Include after Qt is found and before any target is made.
find_program(VELKARO_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH REQUIRED)
find_program(VELKARO_WINESERVER NAMES wineserver64 wineserver PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH REQUIRED)

# The DLLs the programs load: Qt's and the mingw runtime's, found where they lie instead of copied.
get_target_property(velkaro_qt_core Qt6::Core IMPORTED_LOCATION_RELEASE)
get_filename_component(velkaro_qt_bin ${velkaro_qt_core} DIRECTORY)
set(velkaro_wine_path "Z:${velkaro_qt_bin}")
foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
        OUTPUT_VARIABLE velkaro_dll OUTPUT_STRIP_TRAILING_WHITESPACE)
    get_filename_component(velkaro_dll_folder ${velkaro_dll} DIRECTORY)
    get_filename_component(velkaro_dll_folder ${velkaro_dll_folder} REALPATH)
    string(APPEND velkaro_wine_path ";Z:${velkaro_dll_folder}")
endforeach()

# Wine takes the ANSI code page from the Unix locale: a Russian one, compiled into the build where the system lacks it.
set(VELKARO_WINE_LOCALES ${CMAKE_BINARY_DIR}/wine-locales)
if(NOT EXISTS ${VELKARO_WINE_LOCALES}/ru_RU.UTF-8/LC_CTYPE)
    file(MAKE_DIRECTORY ${VELKARO_WINE_LOCALES})
    execute_process(COMMAND localedef -i ru_RU -f UTF-8 ${VELKARO_WINE_LOCALES}/ru_RU.UTF-8
        RESULT_VARIABLE velkaro_localedef OUTPUT_QUIET)
    if(NOT velkaro_localedef EQUAL 0)
        message(FATAL_ERROR "localedef could not make the Russian locale for Wine")
    endif()
endif()

# Qt's offscreen platform reads the fonts of one folder: DejaVu for its defaults and Liberation Sans, which has
# Arial's metrics, for the fonts the windows name.
set(VELKARO_WINE_FONTS ${CMAKE_BINARY_DIR}/wine-fonts)
file(GLOB velkaro_fonts /usr/share/fonts/truetype/dejavu/*.ttf /usr/share/fonts/truetype/liberation2/*.ttf)
file(MAKE_DIRECTORY ${VELKARO_WINE_FONTS})
foreach(font ${velkaro_fonts})
    get_filename_component(velkaro_font_name ${font} NAME)
    file(CREATE_LINK ${font} ${VELKARO_WINE_FONTS}/${velkaro_font_name} SYMBOLIC)
endforeach()

# The prefix is made on first use, with two test drives: one mapped to a folder, one to a folder that is gone.
set(VELKARO_WINE_PREFIX ${CMAKE_BINARY_DIR}/wine-prefix)
set(VELKARO_WINE_DRIVES ${CMAKE_BINARY_DIR}/wine-drives)
set(VELKARO_TEST_MAPPED_DRIVE M:/)
set(VELKARO_TEST_GONE_DRIVE N:/)
configure_file(${CMAKE_CURRENT_LIST_DIR}/wine-run.sh.in ${CMAKE_BINARY_DIR}/wine-run.sh @ONLY
    FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run.sh)
