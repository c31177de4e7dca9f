# The compiled help files and the installer, built beside the program when their tools are there.
set(BRENNA_VERSION 2.0.1)
set(BIN_DIR ${CMAKE_BINARY_DIR}/bin)

find_program(CHMCMD chmcmd)
find_program(SEVENZIP 7z)
find_program(PYTHON3 python3)
set(HELP_FILES)
if(CHMCMD AND SEVENZIP AND PYTHON3)
    # English is the default help file, named after the program; the Japanese one carries ".ja".
    foreach(lang en ja)
        if(lang STREQUAL en)
            set(chm ${BIN_DIR}/Brennahold.chm)
            set(encoding utf-8)
        else()
            set(chm ${BIN_DIR}/Brennahold.ja.chm)
            set(encoding cp932)
        endif()
        file(GLOB pages CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/docs/help/${lang}/*)
        add_custom_command(
            OUTPUT ${chm}
            COMMAND ${PYTHON3} ${CMAKE_SOURCE_DIR}/docs/help/build_help.py
                    ${CMAKE_SOURCE_DIR}/docs/help/${lang} ${CMAKE_SOURCE_DIR}/res/resource.h
                    ${CMAKE_BINARY_DIR}/help/${lang} ${chm} ${encoding} ${CHMCMD} ${SEVENZIP}
            DEPENDS ${pages} ${CMAKE_SOURCE_DIR}/res/resource.h
                    ${CMAKE_SOURCE_DIR}/docs/help/build_help.py
                    ${CMAKE_SOURCE_DIR}/docs/help/fix_chm_aliases.py
            COMMENT "Compiling help file ${chm}"
            VERBATIM)
        list(APPEND HELP_FILES ${chm})
    endforeach()
    add_custom_target(help_files ALL DEPENDS ${HELP_FILES})
else()
    message(STATUS "chmcmd, 7z or python3 not found: the help files are not built "
                   "(scripts/setup.sh installs fp-utils and p7zip-full)")
endif()

find_program(MAKENSIS makensis)
if(MAKENSIS)
    set(SETUP_EXE ${BIN_DIR}/Brennahold-setup.exe)
    # makensis takes Windows-style folder names for File; it runs on the build machine, where
    # the forward-slash path works too.
    add_custom_command(
        OUTPUT ${SETUP_EXE}
        COMMAND ${MAKENSIS} -V2 -DVERSION=${BRENNA_VERSION} -DBINDIR=${BIN_DIR}
                -DOUTFILE=${SETUP_EXE} ${CMAKE_SOURCE_DIR}/installer/brennahold.nsi
        DEPENDS Brennahold ${HELP_FILES} ${CMAKE_SOURCE_DIR}/installer/brennahold.nsi
        COMMENT "Building installer ${SETUP_EXE}"
        VERBATIM)
    add_custom_target(installer ALL DEPENDS ${SETUP_EXE})
else()
    message(STATUS "makensis not found: the installer is not built (scripts/setup.sh installs nsis)")
endif()
