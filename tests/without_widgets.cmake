# cmake -DPROGRAM=<file> -P without_widgets.cmake: fails when the program loads Qt Gui or Qt
# Widgets, or no Qt Core (then the check itself sees nothing).
file(GET_RUNTIME_DEPENDENCIES EXECUTABLES "${PROGRAM}"
    RESOLVED_DEPENDENCIES_VAR resolved UNRESOLVED_DEPENDENCIES_VAR unresolved)
set(core FALSE)
foreach(library IN LISTS resolved unresolved)
    if(library MATCHES "Qt6?(Gui|Widgets)")
        message(FATAL_ERROR "${PROGRAM} needs ${library}")
    elseif(library MATCHES "Qt6?Core")
        set(core TRUE)
    endif()
endforeach()
if(NOT core)
    message(FATAL_ERROR "${PROGRAM} loads no Qt Core: ${resolved} ${unresolved}")
endif()
message(STATUS "${PROGRAM} loads Qt Core and neither Qt Gui nor Qt Widgets")
