# GLSL programs of the renderer: render/shaders/*.vert and *.frag are stages,
# *.glsl are shared pieces pulled in with `#include "name.glsl"`. Every stage
# is expanded, validated with glslangValidator (a broken shader fails the
# build) and embedded into one generated source with a lookup by file name.
find_program(GLSLANG_VALIDATOR glslangValidator REQUIRED)

set(_shader_dir ${PROJECT_SOURCE_DIR}/render/shaders)
set(_shader_out ${CMAKE_BINARY_DIR}/shaders)
file(MAKE_DIRECTORY ${_shader_out}/unchecked)
file(GLOB _shader_stages CONFIGURE_DEPENDS ${_shader_dir}/*.vert ${_shader_dir}/*.frag)
file(GLOB _shader_pieces CONFIGURE_DEPENDS ${_shader_dir}/*.glsl)

set(_checked)
foreach(_src ${_shader_stages})
  get_filename_component(_name ${_src} NAME)
  get_filename_component(_ext ${_src} LAST_EXT)
  string(SUBSTRING ${_ext} 1 -1 _stage)
  set(_tmp ${_shader_out}/unchecked/${_name})
  set(_out ${_shader_out}/${_name})
  # The expanded text only becomes an input of the embedding once it passed.
  add_custom_command(
    OUTPUT ${_out}
    COMMAND ${CMAKE_COMMAND} -DIN=${_src} -DOUT=${_tmp} -DINCLUDE_DIR=${_shader_dir}
            -P ${PROJECT_SOURCE_DIR}/cmake/ExpandShader.cmake
    COMMAND ${GLSLANG_VALIDATOR} -S ${_stage} ${_tmp}
    COMMAND ${CMAKE_COMMAND} -E copy ${_tmp} ${_out}
    DEPENDS ${_src} ${_shader_pieces} ${PROJECT_SOURCE_DIR}/cmake/ExpandShader.cmake
    COMMENT "Validating shader ${_name}"
    VERBATIM)
  list(APPEND _checked ${_out})
endforeach()

set(_embedded ${_shader_out}/shader_sources.cpp)
add_custom_command(
  OUTPUT ${_embedded}
  COMMAND ${CMAKE_COMMAND} -DOUT=${_embedded} "-DSTAGES=${_checked}" "-DPIECES=${_shader_pieces}"
          -P ${PROJECT_SOURCE_DIR}/cmake/EmbedShaders.cmake
  DEPENDS ${_checked} ${_shader_pieces} ${PROJECT_SOURCE_DIR}/cmake/EmbedShaders.cmake
  COMMENT "Embedding shaders"
  VERBATIM)
set(VORLAND_SHADER_SOURCES ${_embedded})
