# The Windows build's tests are left out of its default build, which `make windows` runs; the
# target windows_tests builds every program under tests/ (the test programs and their helpers),
# which ctest then runs under Wine (make test-windows).
function(quillet_executables_under folder result)
    set(found "")
    get_property(targets DIRECTORY ${folder} PROPERTY BUILDSYSTEM_TARGETS)
    foreach(target IN LISTS targets)
        get_target_property(type ${target} TYPE)
        if(type STREQUAL "EXECUTABLE")
            list(APPEND found ${target})
        endif()
    endforeach()
    get_property(subfolders DIRECTORY ${folder} PROPERTY SUBDIRECTORIES)
    foreach(subfolder IN LISTS subfolders)
        quillet_executables_under(${subfolder} below)
        list(APPEND found ${below})
    endforeach()
    set(${result} ${found} PARENT_SCOPE)
endfunction()

quillet_executables_under(${CMAKE_SOURCE_DIR}/tests test_programs)
add_custom_target(windows_tests)
add_dependencies(windows_tests ${test_programs})
