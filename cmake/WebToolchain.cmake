# Toolchain of the browser edition (preset `web`): Emscripten's own CMake
# toolchain, found under $EMSCRIPTEN or through `em-config` (Debian's
# package puts it in /usr/share/emscripten).
#
# Emscripten's linker runs JavaScript tools under the system's Node.js, which
# finds Debian's packaged modules only on /usr/share/nodejs. The link step
# therefore always runs with that on NODE_PATH, whoever starts the build.
set(_bezier_emscripten "$ENV{EMSCRIPTEN}")
if(NOT _bezier_emscripten)
  find_program(_bezier_em_config em-config)
  if(_bezier_em_config)
    execute_process(COMMAND ${_bezier_em_config} EMSCRIPTEN_ROOT
                    OUTPUT_VARIABLE _bezier_emscripten OUTPUT_STRIP_TRAILING_WHITESPACE
                    RESULT_VARIABLE _bezier_em_config_result)
    if(NOT _bezier_em_config_result EQUAL 0)
      set(_bezier_emscripten "")
    endif()
  endif()
endif()
set(_bezier_toolchain "${_bezier_emscripten}/cmake/Modules/Platform/Emscripten.cmake")
if(NOT _bezier_emscripten OR NOT EXISTS "${_bezier_toolchain}")
  message(FATAL_ERROR "Emscripten was not found: the browser edition needs it "
                      "(Debian: apt-get install emscripten; or set EMSCRIPTEN to its directory)")
endif()

set(BEZIER_NODE_PATH "/usr/share/nodejs" CACHE PATH "Node.js module path for Emscripten's tools")
set(ENV{NODE_PATH} "${BEZIER_NODE_PATH}")
include("${_bezier_toolchain}")
set(CMAKE_C_LINKER_LAUNCHER ${CMAKE_COMMAND} -E env NODE_PATH=${BEZIER_NODE_PATH})
set(CMAKE_CXX_LINKER_LAUNCHER ${CMAKE_COMMAND} -E env NODE_PATH=${BEZIER_NODE_PATH})
