# zep_library(<name> [AUTOMOC] [AUTORCC] [INTERFACE] SOURCES ... [PUBLIC ...] [PRIVATE ...])
#
# One library of the tree: the target zep_<name> with the alias zep::<name>, its sources listed
# one by one, and the project root as its include path, so every include names its folder
# ("session/settings.h") and no folder is on the path by itself.
function(zep_library name)
    cmake_parse_arguments(PARSE_ARGV 1 arg "AUTOMOC;AUTORCC;INTERFACE" "" "SOURCES;PUBLIC;PRIVATE")
    if(arg_INTERFACE)
        add_library(zep_${name} INTERFACE ${arg_SOURCES})
        target_include_directories(zep_${name} INTERFACE ${PROJECT_SOURCE_DIR})
        target_link_libraries(zep_${name} INTERFACE ${arg_PUBLIC})
    else()
        add_library(zep_${name} STATIC ${arg_SOURCES})
        target_include_directories(zep_${name} PUBLIC ${PROJECT_SOURCE_DIR})
        target_link_libraries(zep_${name} PUBLIC ${arg_PUBLIC} PRIVATE ${arg_PRIVATE})
    endif()
    add_library(zep::${name} ALIAS zep_${name})
    if(arg_AUTOMOC)
        set_target_properties(zep_${name} PROPERTIES AUTOMOC ON)
    endif()
    if(arg_AUTORCC)
        set_target_properties(zep_${name} PROPERTIES AUTORCC ON)
    endif()
endfunction()
