# Common flags for the project's own targets.
function(qz_target_defaults target)
    target_include_directories(${target} PUBLIC ${QZ_ROOT})
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wno-unused-parameter
                           $<$<COMPILE_LANGUAGE:CXX>:-include ${QZ_ROOT}/base/qz_compat.h>)
    if(WIN32)
        # Narrow (ANSI) texts throughout; Windows XP and later.
        target_compile_definitions(${target} PUBLIC _WIN32_WINNT=0x0501 WINVER=0x0501 _CRT_SECURE_NO_WARNINGS)
    elseif(QZ_SANITIZE)
        target_compile_options(${target} PRIVATE -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
        target_link_options(${target} PUBLIC -fsanitize=address,undefined)
    endif()
endfunction()

# Sources of a folder: every .cpp, less the Win32 ones (*_win.cpp) on the host build.
function(qz_folder_sources out_var folder)
    file(GLOB sources CONFIGURE_DEPENDS ${QZ_ROOT}/${folder}/*.cpp)
    if(NOT WIN32)
        list(FILTER sources EXCLUDE REGEX "_win\\.cpp$")
    endif()
    set(${out_var} ${sources} PARENT_SCOPE)
endfunction()

# Adds the launcher's resources (res/ArdunLauncher.rc) to a program, with its own
# FileVersion: every program built this way carries the same dialog, icon, bitmaps
# and manifest, and a version resource that says `version`. Extra preprocessor
# definitions for the resource script can be given after DEFINES.
function(qz_add_launcher_resources target version)
    cmake_parse_arguments(ARG "" "" "DEFINES" ${ARGN})
    if(NOT version MATCHES "^[0-9]+\\.[0-9]+\\.[0-9]+\\.[0-9]+$")
        message(FATAL_ERROR "version '${version}' of ${target} is not four numbers")
    endif()
    string(REPLACE "." "," QZ_VERSION_COMMAS "${version}")
    set(QZ_VERSION_TEXT "${version}")
    set(dir ${CMAKE_BINARY_DIR}/generated/version-${version})
    configure_file(${QZ_ROOT}/res/version.h.in ${dir}/qz_version.h @ONLY)
    target_sources(${target} PRIVATE ${QZ_ROOT}/res/ArdunLauncher.rc)
    target_include_directories(${target} PRIVATE ${dir} ${QZ_ROOT})
    if(ARG_DEFINES)
        set_property(TARGET ${target} APPEND PROPERTY COMPILE_DEFINITIONS ${ARG_DEFINES})
    endif()
endfunction()

# Compiles the update server's address into a program (see selfupdate/update_server.h).
function(qz_set_update_server target address)
    if(NOT address MATCHES "^[A-Za-z0-9.:_-]+$")
        message(FATAL_ERROR "update server address '${address}' of ${target}: use host[:port]")
    endif()
    string(MAKE_C_IDENTIFIER "${address}" id)
    set(QZ_SERVER_ADDRESS "${address}")
    set(file ${CMAKE_BINARY_DIR}/generated/update-server-${id}.cpp)
    configure_file(${QZ_ROOT}/selfupdate/update_server.cpp.in ${file} @ONLY)
    target_sources(${target} PRIVATE ${file})
endfunction()
