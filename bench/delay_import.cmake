# cmake -DNM=... -DDLLTOOL=... -DIMPORT_LIB=... -DDLL=... -DOUTPUT=... -P delay_import.cmake
# Makes a delay-load import library of DLL with every function that the import library
# IMPORT_LIB names: a program linked with it loads DLL on its first call into it.
execute_process(COMMAND ${NM} -g --defined-only ${IMPORT_LIB} OUTPUT_VARIABLE symbols COMMAND_ERROR_IS_FATAL ANY)
string(REGEX MATCHALL "[0-9a-f]+ T [A-Za-z_][A-Za-z0-9_@]*" functions "${symbols}")
set(def "LIBRARY ${DLL}\nEXPORTS\n")
foreach(line IN LISTS functions)
    string(REGEX REPLACE "^[0-9a-f]+ T " "" name "${line}")
    string(APPEND def "${name}\n")
endforeach()
file(WRITE ${OUTPUT}.def "${def}")
execute_process(COMMAND ${DLLTOOL} -d ${OUTPUT}.def -y ${OUTPUT} COMMAND_ERROR_IS_FATAL ANY)
