# JUCE 8: a tree given with -DGORLAN_JUCE_DIR, else a system JUCE 8, else the tree
# that scripts/setup.sh fetched from Debian's source package.
set(GORLAN_JUCE_DIR "" CACHE PATH "JUCE 8 source tree to build with")
set(GORLAN_FETCHED_JUCE_DIR ${PROJECT_SOURCE_DIR}/.cache/juce-8.0.6+ds)

if(GORLAN_JUCE_DIR)
    add_subdirectory(${GORLAN_JUCE_DIR} juce EXCLUDE_FROM_ALL)
else()
    find_package(JUCE 8 CONFIG QUIET)
    if(NOT JUCE_FOUND)
        if(NOT EXISTS ${GORLAN_FETCHED_JUCE_DIR}/CMakeLists.txt)
            message(FATAL_ERROR "No JUCE 8 found: run scripts/setup.sh, or pass -DGORLAN_JUCE_DIR=<JUCE tree>")
        endif()
        add_subdirectory(${GORLAN_FETCHED_JUCE_DIR} juce EXCLUDE_FROM_ALL)
    endif()
endif()

# Settings shared by every copy of JUCE this project compiles.
set(GORLAN_JUCE_DEFINITIONS
    JUCE_WEB_BROWSER=0
    JUCE_USE_CURL=0
    JUCE_USE_FLAC=0
    JUCE_USE_OGGVORBIS=0
    JUCE_DISPLAY_SPLASH_SCREEN=0
    JUCE_VST3_CAN_REPLACE_VST2=0)

# One compiled copy of JUCE for the tests, tools and benchmarks, with VST3 and LV2
# hosting so they can load the built bundles. JUCE modules are interface libraries
# whose sources compile into whoever links them, so they are linked privately here
# and their include paths and definitions are passed on by hand.
add_library(gorlan_juce STATIC)
target_link_libraries(gorlan_juce
    PRIVATE
        juce::juce_audio_utils
        juce::juce_dsp
    PUBLIC
        juce::juce_recommended_config_flags)
# Debian's JUCE reads and writes images through the system libpng and libjpeg.
find_package(PNG REQUIRED)
find_package(JPEG REQUIRED)
target_link_libraries(gorlan_juce PUBLIC PNG::PNG JPEG::JPEG)
target_compile_definitions(gorlan_juce PUBLIC
    ${GORLAN_JUCE_DEFINITIONS}
    JUCE_GLOBAL_MODULE_SETTINGS_INCLUDED=1
    JUCE_STANDALONE_APPLICATION=1
    JUCE_PLUGINHOST_VST3=1
    JUCE_PLUGINHOST_LV2=1
    JUCE_JACK=0)
target_include_directories(gorlan_juce SYSTEM INTERFACE
    $<TARGET_PROPERTY:gorlan_juce,INCLUDE_DIRECTORIES>)
target_compile_definitions(gorlan_juce INTERFACE
    $<TARGET_PROPERTY:gorlan_juce,COMPILE_DEFINITIONS>)
