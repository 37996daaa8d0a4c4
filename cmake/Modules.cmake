# Libraries and executables. Each folder's sources are picked up by glob, so
# adding a file needs no edit here.
find_package(PkgConfig REQUIRED)
pkg_check_modules(PUGIXML REQUIRED IMPORTED_TARGET pugixml)

function(vorland_glob out)
  file(GLOB _files CONFIGURE_DEPENDS ${ARGN})
  set(${out} ${_files} PARENT_SCOPE)
endfunction()

# --- display-free core -------------------------------------------------------
vorland_glob(PLATFORM_SOURCES ${PROJECT_SOURCE_DIR}/platform/*.cpp)
add_library(vorland_platform STATIC ${PLATFORM_SOURCES})
target_include_directories(vorland_platform PUBLIC ${PROJECT_SOURCE_DIR})

vorland_glob(MATH_SOURCES ${PROJECT_SOURCE_DIR}/math/*.cpp)
add_library(vorland_math STATIC ${MATH_SOURCES})
target_include_directories(vorland_math PUBLIC ${PROJECT_SOURCE_DIR})

vorland_glob(SETTINGS_SOURCES ${PROJECT_SOURCE_DIR}/settings/*.cpp)
add_library(vorland_settings STATIC ${SETTINGS_SOURCES})
target_link_libraries(vorland_settings PUBLIC vorland_platform)

vorland_glob(MODEL_SOURCES ${PROJECT_SOURCE_DIR}/model/*.cpp)
add_library(vorland_model STATIC ${MODEL_SOURCES})
target_link_libraries(vorland_model PUBLIC vorland_platform vorland_math)

vorland_glob(COLLADA_SOURCES ${PROJECT_SOURCE_DIR}/collada/*.cpp)
add_library(vorland_collada STATIC ${COLLADA_SOURCES})
# pugixml's static archive where there is one: every shared library a process
# loads costs it start-up time (`vorland-cli info` takes a few milliseconds in all).
find_library(PUGIXML_ARCHIVE libpugixml.a HINTS ${PUGIXML_LIBRARY_DIRS})
if(PUGIXML_ARCHIVE)
  target_include_directories(vorland_collada SYSTEM PUBLIC ${PUGIXML_INCLUDE_DIRS})
  target_link_libraries(vorland_collada PUBLIC vorland_model ${PUGIXML_ARCHIVE})
else()
  target_link_libraries(vorland_collada PUBLIC vorland_model PkgConfig::PUGIXML)
endif()

# tinygltf's own code is compiled in (gltf/tinygltf_parser.cpp) with RapidJSON
# as its JSON reader; its header and RapidJSON's come from their packages.
find_path(TINYGLTF_INCLUDE_DIR tiny_gltf.h REQUIRED)
find_path(RAPIDJSON_INCLUDE_DIR rapidjson/document.h REQUIRED)
vorland_glob(GLTF_SOURCES ${PROJECT_SOURCE_DIR}/gltf/*.cpp)
add_library(vorland_gltf STATIC ${GLTF_SOURCES})
target_include_directories(vorland_gltf SYSTEM PUBLIC ${TINYGLTF_INCLUDE_DIR} PRIVATE ${RAPIDJSON_INCLUDE_DIR})
target_link_libraries(vorland_gltf PUBLIC vorland_model)
target_compile_definitions(vorland_gltf PUBLIC TINYGLTF_NO_STB_IMAGE TINYGLTF_NO_STB_IMAGE_WRITE)
# Third-party code: its warnings are not ours to fix. RapidJSON 1.1's stack
# adds zero-length offsets to a null pointer, which the undefined-behaviour
# checker reports on the first odd input; that one check is left out there.
set(TINYGLTF_PARSER_OPTIONS -w)
if(VORLAND_SANITIZE MATCHES "undefined")
  list(APPEND TINYGLTF_PARSER_OPTIONS -fno-sanitize=pointer-overflow)
endif()
set_source_files_properties(${PROJECT_SOURCE_DIR}/gltf/tinygltf_parser.cpp PROPERTIES COMPILE_OPTIONS "${TINYGLTF_PARSER_OPTIONS}")
# The importer's conversion loops run over every vertex: let them vectorize
# (GCC at -O2 vectorizes only loops of a known multiple of the vector width).
target_compile_options(vorland_gltf PRIVATE
  $<$<AND:$<CXX_COMPILER_ID:GNU>,$<CONFIG:Release,RelWithDebInfo>>:-fvect-cost-model=dynamic>)

# One way to open a model file of any kind, for the viewer, the tool and the
# file dialog's listing.
vorland_glob(IMPORT_SOURCES ${PROJECT_SOURCE_DIR}/import/*.cpp)
add_library(vorland_import STATIC ${IMPORT_SOURCES})
target_link_libraries(vorland_import PUBLIC vorland_collada vorland_gltf)

# --- GPU and interface -------------------------------------------------------
if(NOT VORLAND_CORE_ONLY)
  pkg_check_modules(EPOXY REQUIRED IMPORTED_TARGET epoxy)
  pkg_check_modules(EGL REQUIRED IMPORTED_TARGET egl)
  find_package(Qt6 REQUIRED COMPONENTS Core Gui Widgets OpenGL OpenGLWidgets)
  include(cmake/Shaders.cmake OPTIONAL)

  vorland_glob(RENDER_SOURCES ${PROJECT_SOURCE_DIR}/render/*.cpp)
  add_library(vorland_render STATIC ${RENDER_SOURCES} ${VORLAND_SHADER_SOURCES})
  target_link_libraries(vorland_render PUBLIC vorland_import PkgConfig::EPOXY PkgConfig::EGL Qt6::Gui)

  # The scene: models, room, lights, sky, camera and playback, owned by one
  # object on the render thread. No Qt in its own code.
  vorland_glob(SCENE_SOURCES ${PROJECT_SOURCE_DIR}/scene/*.cpp)
  if(SCENE_SOURCES)
    add_library(vorland_scene STATIC ${SCENE_SOURCES})
    target_link_libraries(vorland_scene PUBLIC vorland_render)
  else()
    add_library(vorland_scene INTERFACE)
    target_link_libraries(vorland_scene INTERFACE vorland_render)
  endif()

  vorland_glob(UI_SOURCES ${PROJECT_SOURCE_DIR}/ui/*.cpp ${PROJECT_SOURCE_DIR}/ui/*.h)
  add_library(vorland_ui STATIC ${UI_SOURCES})
  set_target_properties(vorland_ui PROPERTIES AUTOMOC ON)
  target_link_libraries(vorland_ui PUBLIC vorland_settings vorland_import Qt6::Widgets)

  vorland_glob(APP_SOURCES ${PROJECT_SOURCE_DIR}/app/*.cpp ${PROJECT_SOURCE_DIR}/app/*.h)
  list(REMOVE_ITEM APP_SOURCES ${PROJECT_SOURCE_DIR}/app/main.cpp)
  add_library(vorland_app STATIC ${APP_SOURCES})
  set_target_properties(vorland_app PROPERTIES AUTOMOC ON)
  target_link_libraries(vorland_app PUBLIC vorland_ui vorland_scene vorland_render Qt6::Widgets Qt6::OpenGL Qt6::OpenGLWidgets)

  add_executable(vorland ${PROJECT_SOURCE_DIR}/app/main.cpp)
  target_link_libraries(vorland PRIVATE vorland_app)
endif()

# --- command-line tool -------------------------------------------------------
# vorland-cli links only the display-free libraries; `render` runs
# vorland-render beside it, the one that links the renderer.
find_package(CLI11 REQUIRED)
add_custom_target(vorland_commit
  COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${PROJECT_SOURCE_DIR} -DOUTPUT=${CMAKE_BINARY_DIR}/generated/vorland_commit.h
          -P ${PROJECT_SOURCE_DIR}/cmake/Commit.cmake
  BYPRODUCTS ${CMAKE_BINARY_DIR}/generated/vorland_commit.h)
vorland_glob(CLI_SOURCES ${PROJECT_SOURCE_DIR}/tools/cli/*.cpp)
list(REMOVE_ITEM CLI_SOURCES ${PROJECT_SOURCE_DIR}/tools/cli/main.cpp)
add_library(vorland_cli STATIC ${CLI_SOURCES})
add_dependencies(vorland_cli vorland_commit)
target_include_directories(vorland_cli PRIVATE ${CMAKE_BINARY_DIR}/generated)
target_compile_definitions(vorland_cli PRIVATE VORLAND_VERSION="${PROJECT_VERSION}")
target_link_libraries(vorland_cli PUBLIC vorland_import vorland_settings CLI11::CLI11)
add_executable(vorland-cli ${PROJECT_SOURCE_DIR}/tools/cli/main.cpp)
target_link_libraries(vorland-cli PRIVATE vorland_cli)
# The C++ runtime linked in: loading and relocating libstdc++ was a third of a
# whole `vorland-cli info` of a small file. vorland-render loads Qt, and with it
# the shared runtime, anyway.
# (Not under the sanitizers, whose runtimes expect the shared one.)
if(NOT VORLAND_SANITIZE)
  target_link_options(vorland-cli PRIVATE -static-libstdc++ -static-libgcc)
endif()
if(NOT VORLAND_CORE_ONLY)
  vorland_glob(CLI_RENDER_SOURCES ${PROJECT_SOURCE_DIR}/tools/cli/render/*.cpp)
  add_executable(vorland-render ${CLI_RENDER_SOURCES})
  target_link_libraries(vorland-render PRIVATE vorland_cli vorland_render)
  add_dependencies(vorland-cli vorland-render)
endif()

if(NOT VORLAND_CORE_ONLY)
  add_executable(vorland-shot ${PROJECT_SOURCE_DIR}/tools/screenshot/main.cpp)
  target_link_libraries(vorland-shot PRIVATE Qt6::Gui)

  # Generator of the bundled scene (model/washitu, img, pict).
  vorland_glob(SCENEGEN_SOURCES ${PROJECT_SOURCE_DIR}/tools/scenegen/*.cpp)
  list(REMOVE_ITEM SCENEGEN_SOURCES ${PROJECT_SOURCE_DIR}/tools/scenegen/main.cpp)
  add_library(vorland_scenegen STATIC ${SCENEGEN_SOURCES})
  target_link_libraries(vorland_scenegen PUBLIC vorland_platform Qt6::Gui)
  add_executable(vorland-scenegen ${PROJECT_SOURCE_DIR}/tools/scenegen/main.cpp)
  target_link_libraries(vorland-scenegen PRIVATE vorland_scenegen)
endif()
