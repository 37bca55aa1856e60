# QUILLET_WINDOWS_RUNTIME_DLLS: the compiler's runtime DLLs every program of the Windows build
# loads, as the compiler itself finds them.
set(QUILLET_WINDOWS_RUNTIME_DLLS "")
foreach(runtime libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${runtime}
        OUTPUT_VARIABLE runtime_path OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT IS_ABSOLUTE "${runtime_path}" OR NOT EXISTS "${runtime_path}")
        message(FATAL_ERROR "${CMAKE_CXX_COMPILER} does not find ${runtime}")
    endif()
    get_filename_component(runtime_path ${runtime_path} REALPATH)
    list(APPEND QUILLET_WINDOWS_RUNTIME_DLLS ${runtime_path})
endforeach()
