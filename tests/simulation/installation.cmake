# Installs the build into a fresh prefix and checks that a desktop finds the program there: the
# programs, the desktop entry and the icon it names.
#   cmake -DCONSTRUCTION=<build dir> -DPREFIXE=<empty dir> -P installation.cmake
file(REMOVE_RECURSE "${PREFIXE}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${CONSTRUCTION}" --prefix "${PREFIXE}"
                RESULT_VARIABLE statut OUTPUT_QUIET)
if(NOT statut EQUAL 0)
    message(FATAL_ERROR "cmake --install failed (${statut})")
endif()

set(entree "${PREFIXE}/share/applications/zelvor.desktop")
foreach(f bin/zelvor bin/scorbot-sim share/applications/zelvor.desktop)
    if(NOT EXISTS "${PREFIXE}/${f}")
        message(FATAL_ERROR "not installed: ${f}")
    endif()
endforeach()

# What the entry names must be there: every program it runs, and its icon in the theme.
file(STRINGS "${entree}" icones REGEX "^Icon=")
string(REGEX REPLACE "^Icon=" "" icone "${icones}")
if(NOT EXISTS "${PREFIXE}/share/icons/hicolor/64x64/apps/${icone}.png")
    message(FATAL_ERROR "the entry's icon '${icone}' is not in share/icons/hicolor/64x64/apps")
endif()
file(STRINGS "${entree}" commandes REGEX "^Exec=")
foreach(c ${commandes})
    string(REGEX MATCH "^Exec=([^ ]+)" _ "${c}")
    if(NOT EXISTS "${PREFIXE}/bin/${CMAKE_MATCH_1}")
        message(FATAL_ERROR "'${c}' runs a program that is not installed")
    endif()
endforeach()

find_program(VALIDATEUR desktop-file-validate)
if(VALIDATEUR)
    execute_process(COMMAND "${VALIDATEUR}" "${entree}" RESULT_VARIABLE statut
                    OUTPUT_VARIABLE sortie ERROR_VARIABLE sortie)
    if(NOT statut EQUAL 0 OR sortie MATCHES "error")
        message(FATAL_ERROR "desktop-file-validate: ${sortie}")
    endif()
endif()
