# The module boundaries that the compiler cannot see, checked on the source
# tree under ROOT:
#   cmake -DROOT=<tree> -P cmake/check_boundaries.cmake
# 1. No two units of src/ depend on each other in a circle; a unit is a
#    header with its source (x.h and x.cpp), and a unit depends on every
#    program header it includes.
# 2. Only the entry point includes the main window's header: the window is the
#    top of the program.
# That the engine includes nothing of the Windows side the compiler sees: the
# engine builds natively, with its own folder as its only include root.
# Every breach is listed; any breach fails.
if(NOT ROOT)
    message(FATAL_ERROR "check_boundaries: ROOT is not set")
endif()

set(breaches 0)

function(includes_of file out)
    file(STRINGS ${file} lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
    set(names)
    foreach(line IN LISTS lines)
        string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\".*$" "\\1" name "${line}")
        list(APPEND names "${name}")
    endforeach()
    set(${out} "${names}" PARENT_SCOPE)
endfunction()

# A quoted include as a path from src/, as the compiler finds it: beside the
# file, then under the engine's include root, then the Windows side's.
function(resolve name folder out)
    set(found "")
    foreach(place "${folder}" engine windows)
        if(EXISTS ${ROOT}/src/${place}/${name})
            set(found "${place}/${name}")
            break()
        endif()
    endforeach()
    set(${out} "${found}" PARENT_SCOPE)
endfunction()

# 1. Circles: the units and what each includes.
file(GLOB_RECURSE sources RELATIVE ${ROOT}/src ${ROOT}/src/*.h ${ROOT}/src/*.cpp)
set(units)
foreach(file IN LISTS sources)
    string(REGEX REPLACE "\\.(h|cpp)$" "" unit "${file}")
    string(MAKE_C_IDENTIFIER "${unit}" key)
    list(APPEND units "${unit}")
    get_filename_component(folder ${file} DIRECTORY)
    includes_of(${ROOT}/src/${file} names)
    foreach(name IN LISTS names)
        resolve("${name}" "${folder}" included)
        string(REGEX REPLACE "\\.h$" "" target "${included}")
        if(included AND NOT target STREQUAL unit)
            list(APPEND edges_${key} "${target}")
        endif()
    endforeach()
endforeach()
list(REMOVE_DUPLICATES units)
# Units that reach no remaining unit are taken away until none is left; what
# stays lies on a circle or leads into one.
set(left ${units})
set(changed TRUE)
while(changed)
    set(changed FALSE)
    set(still)
    foreach(unit IN LISTS left)
        string(MAKE_C_IDENTIFIER "${unit}" key)
        set(blocked FALSE)
        foreach(target IN LISTS edges_${key})
            list(FIND left "${target}" found)
            if(NOT found EQUAL -1)
                set(blocked TRUE)
                break()
            endif()
        endforeach()
        if(blocked)
            list(APPEND still "${unit}")
        else()
            set(changed TRUE)
        endif()
    endforeach()
    set(left ${still})
endwhile()
foreach(unit IN LISTS left)
    string(MAKE_C_IDENTIFIER "${unit}" key)
    set(onward)
    foreach(target IN LISTS edges_${key})
        list(FIND left "${target}" found)
        if(NOT found EQUAL -1)
            list(APPEND onward "${target}")
        endif()
    endforeach()
    message("src/${unit}: on or leading into a circle of includes, through ${onward}")
    math(EXPR breaches "${breaches} + 1")
endforeach()

# 2. The window at the top.
foreach(file IN LISTS sources)
    if(file STREQUAL "windows/main.cpp" OR file MATCHES "^windows/main_window\\.")
        continue()
    endif()
    get_filename_component(folder ${file} DIRECTORY)
    includes_of(${ROOT}/src/${file} names)
    foreach(name IN LISTS names)
        resolve("${name}" "${folder}" included)
        if(included STREQUAL "windows/main_window.h")
            message("src/${file}: includes the main window's header; only the entry point does")
            math(EXPR breaches "${breaches} + 1")
        endif()
    endforeach()
endforeach()

if(breaches GREATER 0)
    message(FATAL_ERROR "check_boundaries: ${breaches} breach(es) of the module boundaries")
endif()
message("check_boundaries: no breach")
