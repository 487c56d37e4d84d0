# The module boundaries, checked on the source tree under ROOT:
#   cmake -DROOT=<tree> -P cmake/check_boundaries.cmake
# 1. No module of the link, the run or the recording includes the main
#    window's or painting's header: they report back instead.
# 2. The portable core includes no Windows header and no file of the program
#    outside the core.
# Every breach is listed; any breach fails.
if(NOT ROOT)
    message(FATAL_ERROR "check_boundaries: ROOT is not set")
endif()
include(${CMAKE_CURRENT_LIST_DIR}/portable.cmake)

set(breaches 0)

function(includes_of file out)
    file(STRINGS ${file} lines REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
    set(names)
    foreach(line IN LISTS lines)
        # The opening "<" or quote stays in front of the name.
        string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*([<\"][^>\"]+)[>\"].*$" "\\1" name "${line}")
        list(APPEND names "${name}")
    endforeach()
    set(${out} "${names}" PARENT_SCOPE)
endfunction()

file(GLOB_RECURSE reporting RELATIVE ${ROOT}
     ${ROOT}/src/link/*.h ${ROOT}/src/link/*.cpp
     ${ROOT}/src/control/*.h ${ROOT}/src/control/*.cpp
     ${ROOT}/src/recording/*.h ${ROOT}/src/recording/*.cpp)
foreach(file IN LISTS reporting)
    includes_of(${ROOT}/${file} names)
    foreach(name IN LISTS names)
        string(SUBSTRING "${name}" 1 -1 name)
        if(name STREQUAL "app/main_window.h" OR name STREQUAL "app/painting.h")
            message("${file}: includes ${name}; report to the window instead")
            math(EXPR breaches "${breaches} + 1")
        endif()
    endforeach()
endforeach()

set(core_headers)
foreach(header IN LISTS PORTABLE_HEADERS)
    string(REGEX REPLACE "^src/" "" header "${header}")
    list(APPEND core_headers "${header}")
endforeach()
foreach(file IN LISTS PORTABLE_SOURCES PORTABLE_HEADERS)
    if(NOT EXISTS ${ROOT}/${file})
        continue()
    endif()
    includes_of(${ROOT}/${file} names)
    get_filename_component(folder ${file} DIRECTORY)
    string(REGEX REPLACE "^src/?" "" folder "${folder}")
    foreach(quoted IN LISTS names)
        string(SUBSTRING "${quoted}" 1 -1 name)
        string(TOLOWER "${name}" lower)
        if(lower MATCHES "^(windows|winbase|windef|winuser|wingdi|winreg|commctrl|commdlg|shlobj|shellapi|winsock2?|ws2tcpip|psapi|tchar|rpc)\\.h$")
            message("${file}: includes the Windows header ${name}; the portable core has none")
            math(EXPR breaches "${breaches} + 1")
        elseif(quoted MATCHES "^\"")
            # A program header: by its path from src, or beside the file.
            set(resolved "${name}")
            if(NOT name MATCHES "/")
                set(resolved "${folder}/${name}")
            endif()
            list(FIND core_headers "${resolved}" found)
            if(found EQUAL -1)
                message("${file}: includes ${name}, which is not in the portable core")
                math(EXPR breaches "${breaches} + 1")
            endif()
        endif()
    endforeach()
endforeach()

if(breaches GREATER 0)
    message(FATAL_ERROR "check_boundaries: ${breaches} breach(es) of the module boundaries")
endif()
message("check_boundaries: no breach")
