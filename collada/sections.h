#pragma once
// The section importers LoadCollada runs, in this order: images, materials,
// geometries, skin controllers, scene nodes, animations. Each appends to the
// model; a missing required element throws ColladaError, which ends the
// import with what was appended so far kept.
#include <pugixml.hpp>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "collada/xml_dom.h"
#include "math/up_axis.h"
#include "model/model.h"

// What the importers need besides the model: the document node and the
// size of the source, the bound for counts declared in it (a count that
// would pad or allocate beyond it cannot be honest).
struct ColladaSource {
    pugi::xml_node document;
    std::size_t bytes = 0;
    std::vector<std::string>* notes = nullptr;  // what was left out, one line each
};

// The up axis and metres per unit an <asset> names; `otherwise` for what it
// leaves out (a unit that is no length counts 1).
UpAxis AssetUpAxis(pugi::xml_node asset, UpAxis otherwise);
double AssetMetresPerUnit(pugi::xml_node asset, double otherwise);
struct AssetFrame {
    UpAxis up = UpAxis::Z;
    double metres = 1.0;
};
// True when `element` (a geometry or node) has an <asset> of its own naming
// an up axis or unit: its frame then, and the document's.
bool OwnFrame(pugi::xml_node element, AssetFrame& own, AssetFrame& document);

void LoadColladaImages(CModel& model, const ColladaSource& source);
void LoadColladaMaterials(CModel& model, const ColladaSource& source);
void LoadColladaGeometries(CModel& model, const ColladaSource& source);
void LoadColladaControllers(CModel& model, const ColladaSource& source);
void LoadColladaNodes(CModel& model, const ColladaSource& source);
void LoadColladaChildNodes(CModel& model, pugi::xml_node parentNode, CBone* parentBone);
void LoadColladaAnimations(CModel& model, const ColladaSource& source);

// Sets a name from UTF-8 text, cut at `maxUnits` UTF-16 units (at most 1023).
void SetName(CName& name, std::string_view utf8, int maxUnits = CName::kCapacity - 1);
// The single element at `path` under `context`; throws when there is none.
pugi::xml_node RequireNode(pugi::xml_node context, std::string_view path);
