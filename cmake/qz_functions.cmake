# Common flags for the project's own targets.
function(qz_target_defaults target)
    target_include_directories(${target} PUBLIC ${QZ_ROOT})
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wno-unused-parameter -Wformat=2 -Wformat-security
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
    # A glob, as every .cpp of a folder belongs to its library; file(GLOB) sorts, so the order is the same everywhere.
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
    qz_use_skin_pictures(${target} ${QZ_ROOT}/res/ArdunLauncher.rc qz_skin_pictures)
    if(ARG_DEFINES)
        set_property(TARGET ${target} APPEND PROPERTY COMPILE_DEFINITIONS ${ARG_DEFINES})
    endif()
endfunction()

# qz_pack_skin_pictures(target OUT_DIR folder SOURCE_DIR folder NAMES name...)
# A target that packs the 24-bit BMP pictures SOURCE_DIR/<name>.bmp as the launcher
# stores them (tools/pack_artwork.py) into OUT_DIR/<name>.skin, one command a picture.
# The target's property QZ_SKIN_FILES lists the packed files.
function(qz_pack_skin_pictures target)
    cmake_parse_arguments(ARG "" "OUT_DIR;SOURCE_DIR" "NAMES" ${ARGN})
    set(outputs)
    foreach(name ${ARG_NAMES})
        set(output ${ARG_OUT_DIR}/${name}.skin)
        add_custom_command(OUTPUT ${output}
            COMMAND ${CMAKE_COMMAND} -E make_directory ${ARG_OUT_DIR}
            COMMAND python3 ${QZ_ROOT}/tools/pack_artwork.py ${output} ${ARG_SOURCE_DIR}/${name}.bmp
            DEPENDS ${ARG_SOURCE_DIR}/${name}.bmp ${QZ_ROOT}/tools/pack_artwork.py
            COMMENT "Packing ${ARG_SOURCE_DIR}/${name}.bmp"
            VERBATIM)
        list(APPEND outputs ${output})
    endforeach()
    add_custom_target(${target} DEPENDS ${outputs})
    set_property(TARGET ${target} PROPERTY QZ_SKIN_FILES ${outputs})
endfunction()

# qz_use_skin_pictures(target rc-file pack-target...)
# Lets the resource script rc-file of target name packed pictures by their path below
# <build>/generated (e.g. "skin/150/launch_normal.skin"), built before it and compiled
# again when they change.
function(qz_use_skin_pictures target rc_file)
    set(files)
    foreach(pack ${ARGN})
        add_dependencies(${target} ${pack})
        get_property(packed TARGET ${pack} PROPERTY QZ_SKIN_FILES)
        list(APPEND files ${packed})
    endforeach()
    target_include_directories(${target} PRIVATE ${CMAKE_BINARY_DIR}/generated)
    set_property(SOURCE ${rc_file} TARGET_DIRECTORY ${target} APPEND PROPERTY OBJECT_DEPENDS ${files})
endfunction()

# A stand-in launcher of the self-update's tests and benchmarks: the procedure alone,
# with the launcher's resources at `version`, fetching from `address` (further arguments
# go to qz_set_update_server).
function(qz_add_selfupdate_host target version address)
    add_executable(${target} ${QZ_ROOT}/tests/selfupdate/self_update_host_win.cpp)
    qz_target_defaults(${target})
    target_link_libraries(${target} PRIVATE qz_launcher_self_update)
    qz_add_launcher_resources(${target} ${version})
    qz_set_update_server(${target} "${address}" ${ARGN})
endfunction()

# Compiles the update server's address, the limits of the self-update's downloads and
# optionally the public keys that updates must be signed with into a program (see
# selfupdate/update_server.h).
#   qz_set_update_server(target address [PUBLIC_KEY pem-file [BACKUP_KEY pem-file]]
#                        [LIMITS idle-s index-s file-s index-bytes file-bytes])
# The address is host[:port], or a base http://host[:port] or https://host[:port]. The
# limits default to the QZ_UPDATE_*_SECONDS and QZ_UPDATE_*_MAX_BYTES cache variables.
function(qz_set_update_server target address)
    cmake_parse_arguments(ARG "" "PUBLIC_KEY;BACKUP_KEY" "LIMITS" ${ARGN})
    if(address MATCHES "^(https?)://([A-Za-z0-9._-]+(:[0-9]+)?)$")
        set(QZ_SERVER_BASE "${address}")
    elseif(address MATCHES "^[A-Za-z0-9._-]+(:[0-9]+)?$")
        set(QZ_SERVER_BASE "http://${address}")
    else()
        message(FATAL_ERROR "update server address '${address}' of ${target}: use host[:port], "
                            "http://host[:port] or https://host[:port]")
    endif()
    if(ARG_LIMITS)
        list(LENGTH ARG_LIMITS limit_count)
        if(NOT limit_count EQUAL 5)
            message(FATAL_ERROR "LIMITS of ${target}: idle-s index-s file-s index-bytes file-bytes")
        endif()
        list(GET ARG_LIMITS 0 QZ_UPDATE_IDLE_SECONDS)
        list(GET ARG_LIMITS 1 QZ_UPDATE_INDEX_SECONDS)
        list(GET ARG_LIMITS 2 QZ_UPDATE_FILE_SECONDS)
        list(GET ARG_LIMITS 3 QZ_UPDATE_INDEX_MAX_BYTES)
        list(GET ARG_LIMITS 4 QZ_UPDATE_FILE_MAX_BYTES)
    endif()
    foreach(limit QZ_UPDATE_IDLE_SECONDS QZ_UPDATE_INDEX_SECONDS QZ_UPDATE_FILE_SECONDS
                  QZ_UPDATE_INDEX_MAX_BYTES QZ_UPDATE_FILE_MAX_BYTES)
        if(NOT "${${limit}}" MATCHES "^[1-9][0-9]*$" OR "${${limit}}" GREATER 4294967295)
            message(FATAL_ERROR "${limit} of ${target} is '${${limit}}': use a whole number above 0")
        endif()
    endforeach()
    # The download counts time in milliseconds in 32 bits.
    foreach(limit QZ_UPDATE_IDLE_SECONDS QZ_UPDATE_INDEX_SECONDS QZ_UPDATE_FILE_SECONDS)
        if("${${limit}}" GREATER 4294967)
            message(FATAL_ERROR "${limit} of ${target} is '${${limit}}': at most 4294967 seconds (49 days)")
        endif()
    endforeach()
    # The key table: the main key, then the backup key; a slot without a key stays zero.
    set(QZ_UPDATE_KEY_COUNT 0)
    set(QZ_MAIN_KEY_BYTES 0)
    set(QZ_BACKUP_KEY_BYTES 0)
    set(key_id nokey)
    if(ARG_BACKUP_KEY AND NOT ARG_PUBLIC_KEY)
        message(FATAL_ERROR "update keys of ${target}: a backup key (${ARG_BACKUP_KEY}) needs a main key")
    endif()
    foreach(slot MAIN BACKUP)
        if(slot STREQUAL "MAIN")
            set(key_file "${ARG_PUBLIC_KEY}")
        else()
            set(key_file "${ARG_BACKUP_KEY}")
        endif()
        if(NOT key_file)
            continue()
        endif()
        find_package(Python3 REQUIRED COMPONENTS Interpreter)
        execute_process(COMMAND ${Python3_EXECUTABLE} ${QZ_ROOT}/tools/update_signing.py public-key-hex ${key_file}
                        OUTPUT_VARIABLE key_hex ERROR_VARIABLE key_error RESULT_VARIABLE key_result
                        OUTPUT_STRIP_TRAILING_WHITESPACE)
        string(LENGTH "${key_hex}" key_hex_length)
        if(NOT key_result EQUAL 0 OR NOT key_hex MATCHES "^[0-9a-f]+$" OR NOT key_hex_length EQUAL 128)
            message(FATAL_ERROR "update public key ${key_file} of ${target}: ${key_error}")
        endif()
        if(slot STREQUAL "BACKUP" AND key_hex STREQUAL main_key_hex)
            message(FATAL_ERROR "update keys of ${target}: the backup key ${key_file} is the main key; "
                                "a backup key must be a key pair of its own")
        endif()
        string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," QZ_${slot}_KEY_BYTES "${key_hex}")
        math(EXPR QZ_UPDATE_KEY_COUNT "${QZ_UPDATE_KEY_COUNT} + 1")
        string(SUBSTRING "${key_hex}" 0 16 key_part)
        if(slot STREQUAL "MAIN")
            set(main_key_hex "${key_hex}")
            set(key_id "${key_part}")
        else()
            string(APPEND key_id "-${key_part}")
        endif()
        set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${key_file})
    endforeach()
    set_target_properties(${target} PROPERTIES QZ_UPDATE_BASE_URL "${QZ_SERVER_BASE}/ardunlauncher/"
                          QZ_UPDATE_KEY_FILES "${ARG_PUBLIC_KEY};${ARG_BACKUP_KEY}")
    string(MAKE_C_IDENTIFIER "${address}-${key_id}-${QZ_UPDATE_IDLE_SECONDS}-${QZ_UPDATE_INDEX_SECONDS}-${QZ_UPDATE_FILE_SECONDS}-${QZ_UPDATE_INDEX_MAX_BYTES}-${QZ_UPDATE_FILE_MAX_BYTES}" id)
    set(file ${CMAKE_BINARY_DIR}/generated/update-server-${id}.cpp)
    configure_file(${QZ_ROOT}/selfupdate/update_server.cpp.in ${file} @ONLY)
    target_sources(${target} PRIVATE ${file})
endfunction()

# Says at configuration what a launcher program will carry: its FileVersion, the update
# folder it fetches from and the ids of its update keys (as an index's KeyId names them).
function(qz_report_launcher target version)
    get_target_property(base_url ${target} QZ_UPDATE_BASE_URL)
    get_target_property(key_files ${target} QZ_UPDATE_KEY_FILES)
    set(key_ids "")
    set(roles main backup)
    foreach(key_file IN LISTS key_files)
        list(POP_FRONT roles role)
        if(NOT key_file)
            continue()
        endif()
        find_package(Python3 REQUIRED COMPONENTS Interpreter)
        execute_process(COMMAND ${Python3_EXECUTABLE} ${QZ_ROOT}/tools/update_signing.py key-id ${key_file}
                        OUTPUT_VARIABLE key_id RESULT_VARIABLE key_result OUTPUT_STRIP_TRAILING_WHITESPACE)
        if(NOT key_result EQUAL 0)
            set(key_id "unreadable")
        endif()
        list(APPEND key_ids "${key_id} (${role})")
    endforeach()
    if(NOT key_ids)
        set(key_ids "none: it checks updates by their MD5 only")
    endif()
    list(JOIN key_ids ", " key_ids)
    message(STATUS "${target}: FileVersion ${version}, update address ${base_url}, update keys ${key_ids}")
endfunction()
