# Reproducible Windows builds: one commit gives the same program, byte for byte, whatever
# the folder it is built in and whenever it is built.

# The build time: GCC writes it for __DATE__ and __TIME__ (the launcher logs them at start)
# and the linker into the PE header. From QZ_SOURCE_DATE_EPOCH when set, else from the
# environment's SOURCE_DATE_EPOCH at configure time, else the last commit's time.
set(QZ_SOURCE_DATE_EPOCH "" CACHE STRING
    "Build time in seconds since 1970 (empty: SOURCE_DATE_EPOCH, else the last commit's time)")
if(NOT QZ_SOURCE_DATE_EPOCH STREQUAL "")
    set(qz_epoch "${QZ_SOURCE_DATE_EPOCH}")
    set(qz_epoch_origin "QZ_SOURCE_DATE_EPOCH")
elseif(DEFINED ENV{SOURCE_DATE_EPOCH})
    set(qz_epoch "$ENV{SOURCE_DATE_EPOCH}")
    set(qz_epoch_origin "SOURCE_DATE_EPOCH")
else()
    execute_process(COMMAND git -C ${QZ_ROOT} log -1 --format=%ct
                    OUTPUT_VARIABLE qz_epoch RESULT_VARIABLE qz_git_result ERROR_QUIET
                    OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT qz_git_result EQUAL 0)
        set(qz_epoch "")
    endif()
    set(qz_epoch_origin "the last commit")
    # A new commit configures again: HEAD, the branch it names, or the packed refs moved.
    execute_process(COMMAND git -C ${QZ_ROOT} rev-parse --git-path HEAD --git-path packed-refs
                    OUTPUT_VARIABLE qz_git_files ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE)
    execute_process(COMMAND git -C ${QZ_ROOT} symbolic-ref -q HEAD
                    OUTPUT_VARIABLE qz_branch ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(qz_branch)
        execute_process(COMMAND git -C ${QZ_ROOT} rev-parse --git-path ${qz_branch}
                        OUTPUT_VARIABLE qz_branch_file ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE)
        string(APPEND qz_git_files "\n${qz_branch_file}")
    endif()
    string(REPLACE "\n" ";" qz_git_files "${qz_git_files}")
    foreach(file IN LISTS qz_git_files)
        get_filename_component(file "${file}" ABSOLUTE BASE_DIR ${QZ_ROOT})
        if(EXISTS "${file}")
            set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${file}")
        endif()
    endforeach()
endif()

if(qz_epoch STREQUAL "")
    message(WARNING "No build time (no git checkout, no SOURCE_DATE_EPOCH, no QZ_SOURCE_DATE_EPOCH): "
                    "the programs carry the time they are built at, and two builds differ")
elseif(NOT qz_epoch MATCHES "^[0-9]+$")
    message(FATAL_ERROR "build time '${qz_epoch}' from ${qz_epoch_origin}: use seconds since 1970")
else()
    message(STATUS "Build time ${qz_epoch} (from ${qz_epoch_origin})")
endif()

# Rewritten only when the time changes. Compilers, the linker and objcopy (which stamps
# the PE header again) read the time from their environment: every compile and link (before
# any compiler launcher such as ccache), and the commands that start with
# QZ_BUILD_TIME_ENV, run under it. Make compares no environment, so what embeds the time
# depends on this file: the links of the launcher programs and the sources that use
# __DATE__ or __TIME__.
set(QZ_BUILD_TIME_FILE ${CMAKE_BINARY_DIR}/generated/build_time.txt)
file(CONFIGURE OUTPUT ${QZ_BUILD_TIME_FILE} CONTENT "${qz_epoch}")
set(QZ_BUILD_TIME_ENV /bin/sh ${QZ_ROOT}/cmake/qz_with_build_time.sh ${QZ_BUILD_TIME_FILE})
string(JOIN " " qz_launch ${QZ_BUILD_TIME_ENV})
set_property(GLOBAL PROPERTY RULE_LAUNCH_COMPILE "${qz_launch}")
set_property(GLOBAL PROPERTY RULE_LAUNCH_LINK "${qz_launch}")

# No folder of this build is stored: source paths read as ./..., generated ones as
# build/... . GCC tries the last matching map first, so the build folder, which may lie
# inside the source tree, comes after it. A compiler launcher such as ccache may pass the
# paths relative to the target's folder instead (its base_dir): those spellings are mapped
# too, the source tree's last, as the build folder's relative one is a prefix of it.
set(qz_c_cxx "$<COMPILE_LANGUAGE:C,CXX>")
add_compile_options("$<${qz_c_cxx}:-ffile-prefix-map=${CMAKE_SOURCE_DIR}=.>"
                    "$<${qz_c_cxx}:-ffile-prefix-map=${CMAKE_BINARY_DIR}=build>")
if(CMAKE_VERSION VERSION_GREATER_EQUAL 3.24)
    foreach(dir_and_name "${CMAKE_BINARY_DIR}=build" "${CMAKE_SOURCE_DIR}=.")
        string(REGEX REPLACE "=[^=]*$" "" dir "${dir_and_name}")
        string(REGEX REPLACE "^.*=" "" name "${dir_and_name}")
        set(relative "$<PATH:RELATIVE_PATH,${dir},$<TARGET_PROPERTY:BINARY_DIR>>")
        # Only a spelling that climbs out of the target's folder: "." or "" would match any path.
        add_compile_options("$<$<AND:${qz_c_cxx},$<NOT:$<IN_LIST:x${relative},x.;x>>>:-ffile-prefix-map=${relative}=${name}>")
    endforeach()
endif()

# Archives without time stamps, owners or modes, whatever the distribution's default.
foreach(lang C CXX)
    set(CMAKE_${lang}_ARCHIVE_CREATE "<CMAKE_AR> qcD <TARGET> <LINK_FLAGS> <OBJECTS>")
    set(CMAKE_${lang}_ARCHIVE_APPEND "<CMAKE_AR> qD <TARGET> <LINK_FLAGS> <OBJECTS>")
    set(CMAKE_${lang}_ARCHIVE_FINISH "<CMAKE_RANLIB> -D <TARGET>")
endforeach()
