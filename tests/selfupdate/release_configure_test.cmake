# Configures the 32-bit release in a scratch folder with neither an update key nor the
# opt-out: the configuration must stop, and say how to make a key or how to opt out.
#   cmake -DQZ_ROOT=... -DWORK=... -P release_configure_test.cmake
file(REMOVE_RECURSE ${WORK})
execute_process(COMMAND ${CMAKE_COMMAND} -S ${QZ_ROOT} -B ${WORK} -G "Unix Makefiles"
                        -DCMAKE_TOOLCHAIN_FILE=${QZ_ROOT}/cmake/toolchain-mingw-i686.cmake
                        -DCMAKE_BUILD_TYPE=Release -DQZ_BUILD_TESTS=OFF
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE errors)
file(REMOVE_RECURSE ${WORK})
if(result EQUAL 0)
    message(FATAL_ERROR "a release without an update key and without QZ_UPDATE_UNSIGNED=ON was configured")
endif()
foreach(expected "QZ_UPDATE_PUBLIC_KEY_FILE" "openssl ecparam -name prime256v1" "-DQZ_UPDATE_UNSIGNED=ON")
    string(FIND "${errors}" "${expected}" position)
    if(position EQUAL -1)
        message(FATAL_ERROR "the refusal does not say '${expected}':\n${errors}")
    endif()
endforeach()
message(STATUS "refused as expected")
