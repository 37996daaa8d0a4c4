// InspectConstants (b3 in the inspection passes): the light rig, the
// background gradient and the overlay colour.
layout(std140, binding = 3) uniform InspectConstants {
    vec4 KeyDir;       // towards the light, world space; w = intensity
    vec4 FillDir;
    vec4 RimDir;
    vec4 Ambient;      // rgb, w = the rim's edge glow
    vec4 GradientTop;
    vec4 GradientBottom;
    vec4 LineColor;    // the wireframe's colour
};
