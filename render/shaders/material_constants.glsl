// MaterialConstants (b1): the colours of the material being drawn.
layout(std140, binding = 1) uniform MaterialConstants {
    vec4 MaterialAmbient;
    vec4 MaterialDiffuse;
    vec4 MaterialSpecular;
    vec4 MaterialTint;  // white when textured, else the diffuse colour
};
