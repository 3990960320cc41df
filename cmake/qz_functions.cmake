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
