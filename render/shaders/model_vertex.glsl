// The full input layout over the 112-byte ModelVertex.
layout(location = 0) in vec3 InPosition;   // POSITION0, offset 0
layout(location = 1) in vec3 InNormal;     // NORMAL0, 12
layout(location = 2) in vec4 InColor;      // COLOR0, 24
layout(location = 3) in vec2 InTexCoord;   // TEXCOORD0, 40
layout(location = 4) in vec2 InBone[8];    // TEXCOORD1..8, 48..104: (bone index, weight)
