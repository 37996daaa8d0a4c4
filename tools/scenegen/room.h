#pragma once
// The Japanese room around the figure, in two documents: the building
// (tatami floor, shoji and fusuma walls, tokonoma, ceiling with beams, the
// veranda open to the garden and the sky) and its contents (low table,
// cushions, the three hanging lamps, the garden with its lantern and fence).
#include <QImage>

#include "tools/scenegen/dae_writer.h"

namespace scenegen {

DaeDocument BuildRoomShell();     // washitu2.dae
DaeDocument BuildRoomContents();  // washitu3.dae
QImage PaintRoomPalette();
// One palette-textured material per material group of the mesh.
std::vector<DaeMaterial> RoomMaterialsOf(const Mesh& mesh);

}  // namespace scenegen
