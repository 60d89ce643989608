# The build keeps the layers apart: engine libraries (catalogue format, scan walk,
# metadata readers, archive library, platform) must never reach Qt, not even
# through another library they link. Window libraries link Qt 6 Widgets.

set_property(GLOBAL PROPERTY SORVANE_ENGINE_TARGETS "")

# sorvane_engine_library(name sources...): a static engine library without Qt.
function(sorvane_engine_library name)
    add_library(${name} STATIC ${ARGN})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
    set_property(GLOBAL APPEND PROPERTY SORVANE_ENGINE_TARGETS ${name})
endfunction()

# sorvane_window_library(name sources...): a static library of windows and controls.
function(sorvane_window_library name)
    add_library(${name} STATIC ${ARGN})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC Qt6::Widgets)
    set_target_properties(${name} PROPERTIES AUTOMOC ON)
endfunction()

# Collects every library that `target` links, directly or through other targets.
function(_sorvane_link_closure target result)
    set(seen ${${result}})
    get_target_property(direct ${target} LINK_LIBRARIES)
    get_target_property(iface ${target} INTERFACE_LINK_LIBRARIES)
    foreach(lib IN LISTS direct iface)
        if(NOT lib OR lib MATCHES "-NOTFOUND$" OR lib IN_LIST seen)
            continue()
        endif()
        list(APPEND seen ${lib})
        string(REGEX REPLACE "^\\$<LINK_ONLY:(.*)>$" "\\1" plain "${lib}")
        if(TARGET ${plain})
            _sorvane_link_closure(${plain} seen)
        endif()
    endforeach()
    set(${result} ${seen} PARENT_SCOPE)
endfunction()

# sorvane_keep_from_main_window(target): `target` is a window library below the
# main window. It must not link the main window, directly or through another
# library, and its sources and their headers include no main-window header but
# its doors (the cataloguing host, the dialog host, the settings view and the
# tree's node type they hand over), so no build cycle
# between it and the main window can come back.
set_property(GLOBAL PROPERTY SORVANE_BELOW_MAIN_WINDOW "")
function(sorvane_keep_from_main_window target)
    set_property(GLOBAL APPEND PROPERTY SORVANE_BELOW_MAIN_WINDOW ${target})
    get_target_property(folder ${target} SOURCE_DIR)
    get_target_property(sources ${target} SOURCES)
    foreach(source IN LISTS sources)
        string(REGEX REPLACE "\\.cpp$" ".h" header ${source})
        foreach(file IN ITEMS ${source} ${header})
            if(NOT EXISTS ${folder}/${file})
                continue()
            endif()
            file(STRINGS ${folder}/${file} includes REGEX "^#include \"mainwindow/")
            foreach(line IN LISTS includes)
                if(NOT line MATCHES "^#include \"mainwindow/(CataloguingHost|DialogHost|SettingsView|TreeNode)\\.h\"")
                    message(FATAL_ERROR "${folder}/${file} includes a main-window header "
                                        "(${line}); this window uses the main window's doors only.")
                endif()
            endforeach()
        endforeach()
    endforeach()
endfunction()

# Fails the configuration when an engine library reaches Qt.
function(sorvane_check_layers)
    get_property(engine GLOBAL PROPERTY SORVANE_ENGINE_TARGETS)
    foreach(target IN LISTS engine)
        set(closure "")
        _sorvane_link_closure(${target} closure)
        foreach(lib IN LISTS closure)
            if(lib MATCHES "Qt[0-9]*::|Qt[0-9]*(Core|Gui|Widgets)")
                message(FATAL_ERROR "Engine library ${target} links ${lib}; the engine must not use Qt.")
            endif()
        endforeach()
    endforeach()
    get_property(below GLOBAL PROPERTY SORVANE_BELOW_MAIN_WINDOW)
    foreach(target IN LISTS below)
        set(closure "")
        _sorvane_link_closure(${target} closure)
        if(sorvane_mainwindow IN_LIST closure)
            message(FATAL_ERROR "${target} links the main window; it must use its doors only.")
        endif()
    endforeach()
endfunction()
