#pragma once

// What a bone was in its source: a COLLADA node of type "NODE" or "JOINT"
// (glTF nodes count as NODE, skin joints as JOINT), or neither. A .mdl
// stores the number and may hold others, which are kept as they are.
enum class BoneType : int { Other = 0, Node = 1, Joint = 2 };
