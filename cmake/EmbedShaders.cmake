# Writes OUT: every validated stage and every shared piece as a string,
# looked up by file name through FindShaderSource (render/shader_source.h).
set(_body "// Generated from render/shaders by cmake/EmbedShaders.cmake.\n#include \"render/shader_source.h\"\n\n#include <cstring>\n\nnamespace {\nstruct Entry {\n    const char* name;\n    const char* text;\n};\nconst Entry kEntries[] = {\n")
foreach(_file IN LISTS STAGES PIECES)
  get_filename_component(_name ${_file} NAME)
  file(READ ${_file} _hex HEX)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "\\\\x\\1" _escaped "${_hex}")
  # Split the literal so no line gets unwieldy.
  string(REGEX REPLACE "((\\\\x[0-9a-f][0-9a-f]){64})" "\\1\"\n     \"" _escaped "${_escaped}")
  string(APPEND _body "    {\"${_name}\",\n     \"${_escaped}\"},\n")
endforeach()
string(APPEND _body "};\n}  // namespace\n\nconst char* FindShaderSource(const char* name) {\n    for (const Entry& e : kEntries)\n        if (std::strcmp(e.name, name) == 0) return e.text;\n    return nullptr;\n}\n")
file(WRITE ${OUT} "${_body}")
