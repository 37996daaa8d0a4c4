// ShaftLookup (b5): one lamp's cube faces as the shaft pass reads them, face
// by face where the maps may hide a sample.
layout(std140, binding = 5) uniform ShaftLookup {
    // Faces whose samples can see the look-up's w in [0, 0.0101]: their
    // MatLightk times MatProjLight, and their numbers 0 ... 5.
    mat4 BandLookup[6];      // 0
    // Faces the model drew in: the same, and the texel rectangle holding
    // every texel it drew (x0, y0, x1, y1); every other texel is 0.
    mat4 CoveredLookup[6];   // 384
    ivec4 CoveredTexels[6];  // 768
    ivec4 BandFaces[2];      // 864: face numbers, four to a vector
    ivec4 CoveredFaces[2];   // 896
    ivec4 FaceCounts;        // 928: x band faces, y covered faces
};
