# Installs the build tree into a fresh folder and checks the layout a client
# expects. cmake -DBUILD_TREE=<tree> -DPREFIX=<folder> -P install_package.cmake
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_TREE} --prefix ${PREFIX}
                RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmake --install failed (${status})")
endif()

set(expected
  bin/KyPCX.dll
  bin/KyPCXCodec.dll
  include/KyPCX.h
  include/KyPCXCodec.h
  include/KyPcxTypes.h
  lib/libKyPCX.dll.a
  lib/KyPCX.lib
  lib/cmake/KyPCX/KyPCXConfig.cmake
  lib/cmake/KyPCX/KyPCXConfigVersion.cmake)
file(GLOB_RECURSE installed RELATIVE ${PREFIX} ${PREFIX}/*)
list(SORT installed)
list(SORT expected)
if(NOT installed STREQUAL expected)
  message(FATAL_ERROR "installed files:\n  ${installed}\nexpected:\n  ${expected}")
endif()
message(STATUS "installed: ${installed}")
