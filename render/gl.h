#pragma once
// OpenGL entry points for the renderer, loaded through libepoxy so that the
// render library works with any current context (Qt's or EGL's).
#include <epoxy/gl.h>
