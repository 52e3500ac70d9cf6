# Runs clang-format over the project's C++ sources, found when it runs (so a new file needs no reconfigure).
#   cmake -DCLANG_FORMAT=<program> -DROOT=<source root> [-DCHECK=ON] -P ClangFormat.cmake
# Without CHECK the files are rewritten in place; with CHECK nothing is written and every file that would change
# is reported, failing the run.
# The folders are the layers of cmake/Layers.txt, which the layering check reads too.
file(STRINGS ${ROOT}/cmake/Layers.txt lines REGEX "^[^#].*:")
set(folders)
foreach(line IN LISTS lines)
    string(REGEX REPLACE ":.*" "" folder "${line}")
    string(STRIP "${folder}" folder)
    list(APPEND folders ${folder})
endforeach()
set(patterns)
foreach(folder IN LISTS folders)
    list(APPEND patterns ${ROOT}/${folder}/*.cpp ${ROOT}/${folder}/*.h)
endforeach()
file(GLOB_RECURSE sources ${patterns})
list(SORT sources)
list(LENGTH sources count)
if(CHECK)
    execute_process(COMMAND ${CLANG_FORMAT} --dry-run --Werror ${sources} WORKING_DIRECTORY ${ROOT}
        RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "clang-format would change the files named above; run the 'format' target")
    endif()
    message(STATUS "${count} source files formatted as .clang-format asks")
else()
    execute_process(COMMAND ${CLANG_FORMAT} -i ${sources} WORKING_DIRECTORY ${ROOT} RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "clang-format failed")
    endif()
    message(STATUS "${count} source files formatted")
endif()
