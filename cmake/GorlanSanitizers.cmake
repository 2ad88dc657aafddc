# GORLAN_SANITIZE: sanitizers for every target of this build folder, the JUCE copy included
# (include this before JUCE is added). A comma- or semicolon-separated list of
#   address, undefined  AddressSanitizer and UndefinedBehaviorSanitizer
#   thread              ThreadSanitizer (not together with address)
#   fuzzer              libFuzzer coverage for everything, plus the fuzz/ targets (clang only)
# Any sanitizer defines GORLAN_SANITIZED=1, so code can leave out what a sanitizer would trip over
# (replacing malloc, for one).
set(GORLAN_SANITIZE "" CACHE STRING "Sanitizers for every target: address,undefined | thread | fuzzer,address,undefined")

string(REPLACE "," ";" GORLAN_SANITIZERS "${GORLAN_SANITIZE}")
list(TRANSFORM GORLAN_SANITIZERS STRIP)
list(REMOVE_ITEM GORLAN_SANITIZERS "")
list(REMOVE_DUPLICATES GORLAN_SANITIZERS)

set(GORLAN_FUZZ OFF)
if(NOT GORLAN_SANITIZERS)
    return()
endif()

foreach(sanitizer IN LISTS GORLAN_SANITIZERS)
    if(NOT sanitizer MATCHES "^(address|undefined|thread|fuzzer)$")
        message(FATAL_ERROR "GORLAN_SANITIZE: unknown sanitizer '${sanitizer}'")
    endif()
endforeach()

if("thread" IN_LIST GORLAN_SANITIZERS AND "address" IN_LIST GORLAN_SANITIZERS)
    message(FATAL_ERROR "GORLAN_SANITIZE: thread and address cannot share a build")
endif()

if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang|GNU")
    message(FATAL_ERROR "GORLAN_SANITIZE needs clang or gcc")
endif()

set(GORLAN_SANITIZER_FLAGS ${GORLAN_SANITIZERS})
if("fuzzer" IN_LIST GORLAN_SANITIZERS)
    if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
        message(FATAL_ERROR "GORLAN_SANITIZE=fuzzer needs clang (-DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang)")
    endif()
    set(GORLAN_FUZZ ON)
    # Only the fuzz targets link libFuzzer's main; everything else just carries its coverage.
    list(REMOVE_ITEM GORLAN_SANITIZER_FLAGS fuzzer)
    add_compile_options(-fsanitize=fuzzer-no-link)
endif()

if(GORLAN_SANITIZER_FLAGS)
    list(JOIN GORLAN_SANITIZER_FLAGS "," joined)
    add_compile_options(-fsanitize=${joined})
    add_link_options(-fsanitize=${joined})
endif()

# A finding stops the program, so no report can scroll by unnoticed in a passing run.
if("undefined" IN_LIST GORLAN_SANITIZERS)
    add_compile_options(-fno-sanitize-recover=undefined)
    add_link_options(-fno-sanitize-recover=undefined)
endif()

add_compile_options(-fno-omit-frame-pointer)
add_compile_definitions(GORLAN_SANITIZED=1)
message(STATUS "Sanitizers for every target: ${GORLAN_SANITIZERS}")
