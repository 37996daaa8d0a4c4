#pragma once
// The room's materials: palette column, brightness under the room pass and
// colour under the ordinary shading.
#include "tools/scenegen/room_shading.h"

namespace scenegen::room {

inline const RoomMaterial kTatami{"tatami", 0, 0.5, {186, 176, 112}};
inline const RoomMaterial kHeri{"tatami-edge", 1, 0.08, {44, 52, 40}};
inline const RoomMaterial kShoji{"shoji-paper", 2, 1.1, {240, 234, 214}};
inline const RoomMaterial kLightWood{"light-wood", 3, 0.36, {206, 166, 112}};
inline const RoomMaterial kDarkWood{"dark-wood", 4, 0.1, {96, 64, 42}};
inline const RoomMaterial kPlaster{"plaster", 5, 0.45, {214, 190, 150}};
inline const RoomMaterial kCeiling{"ceiling-boards", 6, 0.24, {176, 136, 92}};
inline const RoomMaterial kFusuma{"fusuma", 7, 0.62, {206, 196, 170}};
inline const RoomMaterial kLampPaper{"lamp-paper", 8, 2.2, {250, 232, 190}};
inline const RoomMaterial kCushion{"cushion", 9, 0.2, {150, 40, 40}};
inline const RoomMaterial kLacquer{"lacquer", 10, 0.12, {92, 36, 28}};
inline const RoomMaterial kSand{"garden-sand", 11, 0.36, {178, 174, 160}};
inline const RoomMaterial kStone{"stone", 12, 0.28, {116, 114, 108}};
inline const RoomMaterial kFoliage{"foliage", 13, 0.3, {48, 78, 44}};
inline const RoomMaterial kBamboo{"bamboo", 14, 0.28, {166, 150, 90}};
inline const RoomMaterial kScroll{"scroll", 15, 0.8, {232, 222, 196}};

inline const RoomMaterial* const kAll[] = {&kTatami,  &kHeri,    &kShoji,     &kLightWood, &kDarkWood, &kPlaster,
                                           &kCeiling, &kFusuma,  &kLampPaper, &kCushion,   &kLacquer,  &kSand,
                                           &kStone,   &kFoliage, &kBamboo,    &kScroll};

// Room extent: floor at 0, ceiling at kHeight; the far side (-Y) opens onto
// the veranda and the garden.
constexpr double kLeft = -5.0, kRight = 5.0, kFar = -7.0, kBack = 8.0, kHeight = 3.6;
// Flicker phase shared by the building, so that it flickers as one.
constexpr double kPhase = 1.0;

}  // namespace scenegen::room
