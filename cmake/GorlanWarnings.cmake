# Warnings for the project's own code, not for the JUCE sources compiled alongside it.
if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    set(GORLAN_WARNING_FLAGS
        -Wall -Wextra -Wshadow -Wnon-virtual-dtor -Woverloaded-virtual
        -Wconversion -Wno-sign-conversion -Wunused)
elseif(MSVC)
    set(GORLAN_WARNING_FLAGS /W4)
endif()
add_library(gorlan_warnings INTERFACE)
target_compile_options(gorlan_warnings INTERFACE ${GORLAN_WARNING_FLAGS})
